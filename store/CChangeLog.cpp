#include "store/CChangeLog.h"

#include "data/CCsv.h"
#include "link/CControllerLink.h"
#include "link/LinkProtocol.h"
#include "store/CBackups.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

enum EField
{
    Time,
    User,
    Port,
    Controller,
    Versions,
    Tag,
    Name,
    OldValue,
    NewValue,
    Result,
    FieldCount
};

// "major.minor" of the version pair at `tag`.
bool ReadPair(CControllerLink& link, std::uint16_t tag, QString& text)
{
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    if (!link.ReadVersionPair(tag, major, minor))
        return false;
    text = QStringLiteral("%1.%2").arg(major).arg(minor);
    return true;
}

} // namespace

QStringList CChangeLog::SLine::Fields() const
{
    return {time, user, port, controller, versions, tag, name, oldValue, newValue, result};
}

CChangeLog::SLine CChangeLog::SLine::FromFields(const QStringList& fields)
{
    const auto at = [&fields](int i) { return i < fields.size() ? fields.at(i) : QString(); };
    SLine line;
    line.time = at(Time);
    line.user = at(User);
    line.port = at(Port);
    line.controller = at(Controller);
    line.versions = at(Versions);
    line.tag = at(Tag);
    line.name = at(Name);
    line.oldValue = at(OldValue);
    line.newValue = at(NewValue);
    line.result = at(Result);
    return line;
}

QString CChangeLog::Path()
{
    return CBackups::DataFolder() + QStringLiteral("/changelog.csv");
}

QStringList CChangeLog::HeaderFields()
{
    return {QStringLiteral("Time"),       QStringLiteral("User"),      QStringLiteral("Port"),
            QStringLiteral("Controller"), QStringLiteral("Versions"),  QStringLiteral("Tag"),
            QStringLiteral("Name"),       QStringLiteral("Old value"), QStringLiteral("New value"),
            QStringLiteral("Result")};
}

QString CChangeLog::OsUser()
{
    QString user = QString::fromLocal8Bit(qgetenv("USER"));
    if (user.isEmpty())
        user = QString::fromLocal8Bit(qgetenv("USERNAME"));
#ifdef Q_OS_UNIX
    // A service or a container may run without USER; the account database still knows.
    if (user.isEmpty()) {
        if (const passwd* entry = getpwuid(getuid()))
            user = QString::fromLocal8Bit(entry->pw_name);
    }
#endif
    return user;
}

CChangeLog::SLine CChangeLog::Begin(const QString& port, EControllerType type,
                                    const QString& versions)
{
    SLine line;
    const QDateTime now = QDateTime::currentDateTime();
    line.time = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
    line.user = OsUser();
    line.port = port;
    line.controller = CControllerLink::ControllerTypeName(type);
    line.versions = versions;
    return line;
}

QString CChangeLog::ReadVersions(CControllerLink& link)
{
    QString hardware;
    if (!ReadPair(link, LinkProtocol::kTagHardwareVersion, hardware))
        return {}; // silent or without versions: spend no more exchanges on it
    QString firmware;
    if (!ReadPair(link, LinkProtocol::kTagFirmwareVersion, firmware))
        ReadPair(link, LinkProtocol::kTagFirmwareVersionAlt, firmware);
    QString text = QStringLiteral("HW ") + hardware;
    if (!firmware.isEmpty())
        text += QStringLiteral(" FW ") + firmware;
    return text;
}

QByteArray CChangeLog::CsvLine(const QStringList& fields)
{
    return (Csv::Line(fields) + QStringLiteral("\r\n")).toUtf8();
}

std::vector<QStringList> CChangeLog::ParseCsv(const QString& text)
{
    std::vector<QStringList> records;
    QStringList fields;
    QString field;
    bool inQuotes = false;
    bool any = false; // the record has begun
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            inQuotes = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            if (any || !field.isEmpty()) {
                fields << field;
                records.push_back(fields);
            }
            fields.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        fields << field;
        records.push_back(fields);
    }
    return records;
}

bool CChangeLog::Append(const std::vector<SLine>& lines, QString* error, const QString& path)
{
    const auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (lines.empty())
        return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(QStringLiteral("cannot create the folder of %1").arg(path));
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return fail(QStringLiteral("%1 is locked by another program").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return fail(file.errorString());
    QByteArray batch;
    if (file.size() == 0)
        batch += CsvLine(HeaderFields());
    for (const SLine& line : lines)
        batch += CsvLine(line.Fields());
    if (file.write(batch) != batch.size() || !file.flush())
        return fail(file.errorString());
    return true;
}

std::vector<CChangeLog::SLine> CChangeLog::Read(const QString& path)
{
    std::vector<SLine> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const std::vector<QStringList> records = ParseCsv(QString::fromUtf8(file.readAll()));
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i == 0 && records[i] == HeaderFields())
            continue;
        lines.push_back(SLine::FromFields(records[i]));
    }
    return lines;
}
