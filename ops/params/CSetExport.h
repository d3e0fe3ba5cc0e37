#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <vector>

class CParameterSet;
class CTagFile;

// One parameter as an export writes it: the texts are those of the parameter list.
struct SExportRecord
{
    quint16 tag = 0;
    QString name;
    QString valueText;
    qint32 rawValue = 0; // signed when the record is signed
    QString minimumText;
    QString maximumText;
    QString unitsName; // the units table's name, e.g. "Amps"; empty for an unknown code
    QString groupName; // the display group's name, e.g. "Speed"
};

// The parameter set as a CSV or JSON file for spreadsheets and scripts. No widgets: the
// main window and tavrin-cli share it.
//
// CSV: UTF-8, one header line "tag,name,value,raw,minimum,maximum,units,group", then one
// line per parameter; fields with a comma, a double quote, CR or LF are quoted, quotes
// doubled (RFC 4180); lines end in CRLF.
// JSON: {"controllerType": n, "controllerName": "...", "parameters": [{"tag": n, "name": ...,
// "value": ..., "raw": n, "minimum": ..., "maximum": ..., "units": ..., "group": ...}]}.
class CSetExport
{
public:
    enum class EFormat
    {
        Csv,
        Json
    };

    // The records of the set in its own order (the order of the tag file); parameters whose
    // tag is unknown are left out, as in the list.
    static std::vector<SExportRecord> Records(const CParameterSet& set, const CTagFile& tags);

    static QByteArray Csv(const std::vector<SExportRecord>& records);
    static QByteArray Json(quint16 controllerType, const std::vector<SExportRecord>& records);

    // JSON for a ".json" suffix (any case), CSV otherwise.
    static EFormat FormatOf(const QString& path);

    // Writes the set to `path` atomically (the old file stays whole when anything fails).
    // Empty on success, otherwise the reason, naming the file.
    static QString Write(const QString& path, EFormat format, const CParameterSet& set,
                         const CTagFile& tags);
};
