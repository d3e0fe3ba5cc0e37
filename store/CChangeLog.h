#pragma once

#include "link/EControllerType.h"

#include <QString>
#include <QStringList>

#include <vector>

class CControllerLink;

// The change log: one CSV line (RFC 4180 quoting, UTF-8, a header line first) for every
// record written to a controller, in the application's data folder as "changelog.csv".
// Appending is safe against other threads and processes doing the same: a lock file guards
// the file and every batch goes out in one write in append mode.
class CChangeLog
{
public:
    // The time the lock is waited for.
    static constexpr int kLockWaitMs = 5000;

    struct SLine
    {
        QString time; // ISO 8601, local time with its offset from UTC
        QString user; // the operating-system user
        QString port;
        QString controller; // the controller type's name
        QString versions;   // "HW 1.2 FW 3.4"; empty when the controller did not tell
        QString tag;        // "0x1001"
        QString name;       // the tag's name
        QString oldValue;   // as the parameter list shows it, in engineering units
        QString newValue;
        QString result; // "confirmed", or why not

        QStringList Fields() const;
        static SLine FromFields(const QStringList& fields);
    };

    static QString Path(); // CBackups::DataFolder() + "/changelog.csv"
    static QStringList HeaderFields();

    // A line with time, user, port, controller and versions filled in.
    static SLine Begin(const QString& port, EControllerType type, const QString& versions);
    // The operating-system user running the program.
    static QString OsUser();
    // Hardware and firmware versions of the connected controller, a few reads; empty when
    // it does not answer the first.
    static QString ReadVersions(CControllerLink& link);

    // Appends `lines` (the header first when the file is new). False, with `error` set,
    // when the file cannot be locked, opened or written.
    static bool Append(const std::vector<SLine>& lines, QString* error = nullptr,
                       const QString& path = Path());
    // Every line of the log in file order (the header left out).
    static std::vector<SLine> Read(const QString& path = Path());

    // CSV text of one record, with the line end.
    static QByteArray CsvLine(const QStringList& fields);
    // Splits CSV text into records of fields; quoted fields may hold commas, quotes and
    // line ends.
    static std::vector<QStringList> ParseCsv(const QString& text);
};
