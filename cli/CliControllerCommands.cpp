// tavrin-cli commands that talk to a controller: identify, param, set.
#include "app/CAppSettings.h"
#include "cli/CliCommands.h"
#include "data/CParameter.h"
#include "link/CControllerLink.h"

#include <QCommandLineParser>

#include <cstdio>

namespace Cli {
namespace {

constexpr int kExitNoSuchParameter = 3;
constexpr int kExitWriteRefused = 10; // plus the write result: 11, 12 or 15

QString DefaultPortDevice()
{
    return CAppSettings().PortDevice();
}

// Parses the command's options and opens the link. `usage` is shown on a usage error.
struct SLinkCommand
{
    QCommandLineParser parser;
    CControllerLink link;
    QStringList positional;

    bool Start(const QString& name, const QStringList& args, int positionalCount,
               const QString& usage, int& exitCode)
    {
        parser.addOption({QStringLiteral("port"), QStringLiteral("Serial device."),
                          QStringLiteral("DEV")});
        if (!parser.parse(QStringList{name} + args)) {
            Error(parser.errorText());
            exitCode = kExitUsage;
            return false;
        }
        positional = parser.positionalArguments();
        if (positional.size() != positionalCount) {
            Error(QStringLiteral("usage: ") + usage);
            exitCode = kExitUsage;
            return false;
        }
        const QString port = parser.isSet(QStringLiteral("port"))
                                 ? parser.value(QStringLiteral("port"))
                                 : DefaultPortDevice();
        if (port.isEmpty()) {
            Error(QStringLiteral("no serial port: give --port DEV or set one in the application"));
            exitCode = kExitUsage;
            return false;
        }
        link.Configure(port, 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
        if (!link.Open()) {
            Error(QStringLiteral("cannot open serial port %1").arg(port));
            exitCode = kExitNoReply;
            return false;
        }
        return true;
    }
};

// Reads TAG into `record`; on failure prints why and sets the exit code.
bool ReadRecord(CControllerLink& link, const QString& tagText, std::uint16_t unitsCode,
                CParameter& record, int& exitCode)
{
    const auto tag = ParseWord(tagText);
    if (!tag) {
        Error(QStringLiteral("\"%1\" is not a tag number (0..65535)").arg(tagText));
        exitCode = kExitUsage;
        return false;
    }
    switch (link.ReadParameter(static_cast<std::uint16_t>(*tag), unitsCode, record)) {
    case CControllerLink::ReadOk:
        return true;
    case CControllerLink::ReadNoSuchParameter:
        Error(QStringLiteral("no such parameter: tag %1").arg(*tag));
        exitCode = kExitNoSuchParameter;
        return false;
    default:
        Error(QStringLiteral("could not read tag %1 (communication failed or not supported)")
                  .arg(*tag));
        exitCode = kExitNoReply;
        return false;
    }
}

const char* WriteResultMeaning(int result)
{
    switch (result) {
    case CControllerLink::WriteOk:
        return "written and confirmed";
    case CControllerLink::WriteNotSupported:
        return "not supported";
    case CControllerLink::WriteReadOnly:
        return "read only";
    case CControllerLink::WriteMismatch:
        return "read-back differs";
    case CControllerLink::WriteNoReply:
        return "no reply";
    default:
        return "unknown result";
    }
}

} // namespace

int RunIdentify(const QStringList& args)
{
    SLinkCommand command;
    int exitCode = kExitOk;
    if (!command.Start(QStringLiteral("identify"), args, 0, QStringLiteral("identify [--port DEV]"),
                       exitCode))
        return exitCode;
    std::uint16_t type = CControllerLink::kNoType;
    const int result = command.link.Identify(type);
    if (result != 0) {
        Error(QStringLiteral("no controller was identified (result %1)").arg(result));
        return kExitNoReply;
    }
    std::printf("type %u %s\n", type, qPrintable(CControllerLink::ControllerTypeName(type)));
    return kExitOk;
}

int RunParam(const QStringList& args)
{
    SLinkCommand command;
    command.parser.addOption({QStringLiteral("units"), QStringLiteral("Units code (0..24)."),
                              QStringLiteral("U")});
    int exitCode = kExitOk;
    if (!command.Start(QStringLiteral("param"), args, 1,
                       QStringLiteral("param TAG [--port DEV] [--units U]"), exitCode))
        return exitCode;
    std::uint16_t units = 0;
    if (command.parser.isSet(QStringLiteral("units"))) {
        const auto value = ParseWord(command.parser.value(QStringLiteral("units")), 24);
        if (!value) {
            Error(QStringLiteral("--units needs a units code from 0 to 24"));
            return kExitUsage;
        }
        units = static_cast<std::uint16_t>(*value);
    }
    CParameter record;
    if (!ReadRecord(command.link, command.positional[0], units, record, exitCode))
        return exitCode;
    std::printf("param %u %u %u %u %u %u %u %u %u 0x%02X %u\n", record.tagNumber, record.value,
                record.maximum, record.minimum, record.scale, record.div, record.step,
                record.shift, record.checksumWord, record.FlagsByte(), record.extension);
    return kExitOk;
}

int RunSet(const QStringList& args)
{
    SLinkCommand command;
    int exitCode = kExitOk;
    if (!command.Start(QStringLiteral("set"), args, 2, QStringLiteral("set TAG RAW [--port DEV]"),
                       exitCode))
        return exitCode;
    const auto raw = ParseWord(command.positional[1]);
    if (!raw) {
        Error(QStringLiteral("\"%1\" is not a raw value (0..65535)").arg(command.positional[1]));
        return kExitUsage;
    }
    CParameter record;
    if (!ReadRecord(command.link, command.positional[0], 0, record, exitCode))
        return exitCode;
    record.value = static_cast<std::uint16_t>(*raw);
    const int result = command.link.WriteParameter(record);
    std::printf("set %d %s\n", result, WriteResultMeaning(result));
    if (result == CControllerLink::WriteOk)
        return kExitOk;
    // No reply is a communication failure; a refusal or a differing read-back is told apart
    // by its result code.
    return result == CControllerLink::WriteNoReply ? kExitNoReply : kExitWriteRefused + result;
}

} // namespace Cli
