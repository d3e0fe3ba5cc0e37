#pragma once

#include "app/CLogFont.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

class CAppSettings;
class CParameterSet;
class CTagFile;
class CTavrinDoc;
class QPagedPaintDevice;

// The "Settings" values that shape a printed sheet.
struct SPrintFormat
{
    bool simpleList = true; // "PrintFormat": 1 simple list, 0 multiple columns
    bool isotropic = true;  // "Isotropic": 1 keep the template's proportions, 0 fill the page
    CLogFont mainFont;      // "MainLF": names and values of the multiple-columns style
    CLogFont titleFont;     // "TitleLF": its face name goes to every template box
    QString notes;          // "PrintNotes": the text of the footer's notes box

    // Reads the five values (the fonts are written back with their default when missing,
    // as CAppSettings::GetFont does).
    static SPrintFormat FromSettings(const CAppSettings& settings);
    // Writes the five values.
    void Store(CAppSettings& settings) const;
};

// What is printed: the title, the time of printing and the name/value texts of every
// printable record (a record whose tag is found for the set's data controller type).
struct SPrintSheet
{
    QString title; // the document title
    QDateTime printTime;
    QList<QPair<QString, QString>> rows; // name text, value text, in the document's list order

    static SPrintSheet FromDocument(const CTavrinDoc& doc, const QDateTime& printTime);
    // The same from a parameter set and a tag file, for printing without a document.
    static SPrintSheet FromSet(const CParameterSet& set, const CTagFile& tags, const QString& title,
                               const QDateTime& printTime);
};

// The printed page layout of a parameter set, in either style, on any paged device (a
// QPdfWriter, a QPrinter). Positions are worked out in 0.1 mm and mapped onto the device's
// resolution; nothing here needs a widget.
class CPrintLayout
{
public:
    enum class EResult
    {
        Printed,        // every page painted
        NothingToPrint, // the simple list of an empty set: no page painted
        PageTooSmall,   // the text does not fit the page (no line or no column): no page painted
    };

    // Lays out and paints every page on `device` (newPage between pages). The caller owns
    // the device and sets its page size and resolution beforehand.
    static EResult Print(QPagedPaintDevice& device, const SPrintSheet& sheet,
                         const SPrintFormat& format);
    // The number of pages Print would paint; 0 for NothingToPrint and PageTooSmall.
    static int PageCount(QPagedPaintDevice& device, const SPrintSheet& sheet,
                         const SPrintFormat& format);
    // "Document will not print correctly - the page size is too small for the text size"
    static QString PageTooSmallText();
};
