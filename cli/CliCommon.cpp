#include "cli/CliCommands.h"

#include "cli/CRecordOutput.h"

#include "app/CAppSettings.h"
#include "app/CStartupPort.h"
#include "data/CParameter.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "link/CControllerLink.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSerialPort>

namespace Cli {

namespace {

// Why `device` does not open. The link clears the port's error after a failed open, so the
// device is tried once more here, only to learn the reason.
QString OpenFailureReason(const QString& device)
{
    QSerialPort probe;
    probe.setPortName(device);
    if (probe.open(QIODevice::ReadWrite)) {
        probe.close();
        return QStringLiteral("it refused the line settings (19200 baud, 8 data bits, even "
                              "parity, 2 stop bits)");
    }
    switch (probe.error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("no such device");
    case QSerialPort::PermissionError:
        // Qt reports a port held by another program (its lock file) the same way.
        return QStringLiteral("permission denied, or in use by another program (%1)")
            .arg(probe.errorString());
    default:
        return probe.errorString();
    }
}

} // namespace

std::optional<unsigned> ParseWord(const QString& text, unsigned maximum)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    unsigned value = 0;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = trimmed.mid(2).toUInt(&ok, 16);
    else
        value = trimmed.toUInt(&ok, 10);
    if (!ok || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<qint64> ParseNumber(const QString& text)
{
    QString digits = text.trimmed();
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    if (digits.isEmpty() || !digits[0].isDigit())
        return std::nullopt; // no second sign, no blank after the minus
    bool ok = false;
    qint64 value = 0;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = digits.mid(2).toLongLong(&ok, 16);
    else
        value = digits.toLongLong(&ok, 10);
    constexpr qint64 kLimit = qint64(1) << 47;
    if (!ok || value > kLimit)
        return std::nullopt;
    return negative ? -value : value;
}

void Error(const QString& text)
{
    WriteErrorLine(QStringLiteral("tavrin-cli: ") + text);
}

QString Field(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else
            out += c;
    }
    return out;
}

void PrintRecord(const QStringList& fields)
{
    WriteRecord(fields);
}

bool CanSave(const QString& path, QString& why)
{
    if (QFileInfo(path).isDir()) {
        why = QStringLiteral("it is a folder");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        why = file.errorString();
        return false;
    }
    file.cancelWriting();
    file.commit(); // with writing cancelled this only removes the temporary file
    return true;
}

QStringList ParamFields(const CParameter& record)
{
    return {QStringLiteral("param"),
            QString::number(record.tagNumber),
            QString::number(record.value),
            QString::number(record.maximum),
            QString::number(record.minimum),
            QString::number(record.scale),
            QString::number(record.div),
            QString::number(record.step),
            QString::number(record.shift),
            QString::number(record.checksumWord),
            QStringLiteral("0x") +
                QStringLiteral("%1").arg(record.FlagsByte(), 2, 16, QLatin1Char('0')).toUpper(),
            QString::number(record.extension)};
}

bool OpenLink(CControllerLink& link, const QString& port, int& exitCode)
{
    const CAppSettings settings;
    const QString device = port.isEmpty() ? settings.PortDevice() : port;
    if (device.isEmpty()) {
        Error(QStringLiteral("no serial port: give --port DEV or set one in the application"));
        exitCode = kExitUsage;
        return false;
    }
    if (!StartupPort::ConfigureAndOpen(link, device, settings.LowLatency())) {
        exitCode = kExitPortClosed;
        if (link.LastOpenFailure() == CSerialPort::EOpenFailure::PermissionDenied) {
            Error(link.PermissionDeniedText());
            return false;
        }
        Error(QStringLiteral("cannot open serial port %1: %2")
                  .arg(QDir::toNativeSeparators(device), OpenFailureReason(device)));
        return false;
    }
    return true;
}

bool LoadTagFile(const QString& path, CTagFile& tags, int& exitCode)
{
    QString file = path.isEmpty() ? CAppSettings().TagFileDir() : path;
    if (file.isEmpty() || QFileInfo(file).isDir()) {
        const QString folder = file;
        if (folder.isEmpty() ||
            !CTagFile::FindNewestTagFile(folder, QString::fromLatin1(CTagFile::kPattern), file)) {
            Error(folder.isEmpty()
                      ? QStringLiteral("no tag file: give --tags PATH (a TagList*.tag file or "
                                       "a folder holding one)")
                      : QStringLiteral("%1: no %2 file in this folder")
                            .arg(QDir::toNativeSeparators(folder),
                                 QString::fromLatin1(CTagFile::kPattern)));
            exitCode = folder.isEmpty() ? kExitUsage : kExitFile;
            return false;
        }
    }
    const CTagLoadResult result = tags.LoadTagFile(file);
    if (!result.Ok()) {
        Error(result.message); // names the file and what is wrong with it
        exitCode = kExitFile;
        return false;
    }
    return true;
}

} // namespace Cli

namespace Cli {

bool LoadProfileAndTags(const QString& profilePath, const QString& tagsPath, CParameterSet& set,
                        CTagFile& tags, int& exitCode)
{
    const CParameterSet::Result loaded = set.LoadFile(profilePath);
    if (!loaded.Ok()) {
        Error(QStringLiteral("cannot read %1: %2")
                  .arg(QDir::toNativeSeparators(profilePath), loaded.errorText));
        exitCode = kExitFile;
        return false;
    }
    return LoadTagFile(tagsPath, tags, exitCode);
}

int IdentifyExitCode(EIdentifyResult result, EControllerType type)
{
    if (result == EIdentifyResult::Identified && type != EControllerType::None)
        return kExitOk;
    if (result == EIdentifyResult::NoReply) {
        Error(QStringLiteral("no controller answered the identification"));
        return kExitNoReply;
    }
    QString why;
    switch (result) {
    case EIdentifyResult::TempUnavailable:
        why = QStringLiteral("the controller's identification is temporarily unavailable");
        break;
    case EIdentifyResult::NotRecognised:
        why = QStringLiteral("the controller does not support identification");
        break;
    case EIdentifyResult::NoSuchTag:
        why = QStringLiteral("the controller does not know the identification tag");
        break;
    default:
        why = QStringLiteral("the controller's identification code is not a known type");
        break;
    }
    Error(QStringLiteral("no controller was identified: %1").arg(why));
    return kExitRefused;
}

int IdentifyOrExit(CControllerLink& link, EControllerType& type)
{
    type = EControllerType::None;
    const EIdentifyResult result = link.Identify(type);
    if (result != EIdentifyResult::Identified)
        type = EControllerType::None;
    return IdentifyExitCode(result, type);
}

} // namespace Cli
