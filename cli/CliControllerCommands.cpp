// tavrin-cli commands that talk to a controller: identify, param, set.
#include "cli/CliCommands.h"
#include "data/CParameter.h"
#include "data/CTagFile.h"
#include "data/CTagInfo.h"
#include "link/CControllerLink.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace Cli {
namespace {

constexpr int kExitNoSuchParameter = 3;
constexpr int kExitWriteRefused = 10; // plus the write result: 11, 12 or 15

// Parses the command's options and opens the link. `usage` is shown on a usage error.
struct SLinkCommand
{
    QCommandLineParser parser;
    CControllerLink link;
    QStringList positional;

    // The command takes positionalCount positional arguments, or up to positionalMax when
    // that is larger.
    bool Start(const QString& name, const QStringList& args, int positionalCount,
               const QString& usage, int& exitCode, int positionalMax = -1)
    {
        parser.addOption(
            {QStringLiteral("port"), QStringLiteral("Serial device."), QStringLiteral("DEV")});
        if (!parser.parse(QStringList{name} + args)) {
            Error(parser.errorText());
            exitCode = kExitUsage;
            return false;
        }
        positional = parser.positionalArguments();
        if (positional.size() < positionalCount ||
            positional.size() > std::max(positionalCount, positionalMax)) {
            Error(QStringLiteral("usage: ") + usage);
            exitCode = kExitUsage;
            return false;
        }
        return OpenLink(link, parser.value(QStringLiteral("port")), exitCode);
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

// --units U: the units code for the read (its default maximum); nullopt on a usage error.
std::optional<std::uint16_t> UnitsOption(const QCommandLineParser& parser)
{
    if (!parser.isSet(QStringLiteral("units")))
        return std::uint16_t{0};
    const auto value = ParseWord(parser.value(QStringLiteral("units")), 24);
    if (!value) {
        Error(QStringLiteral("--units needs a units code from 0 to 24"));
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

// --tags PATH (a tag file, or a folder and its newest TagList*.tag): the tag's units code
// replaces `unitsCode` when the file has the tag for the connected controller type.
bool UnitsFromTagFile(const QString& path, CControllerLink& link, const QString& tagText,
                      std::uint16_t& unitsCode, int& exitCode)
{
    QString file = path;
    if (QFileInfo(path).isDir() &&
        !CTagFile::FindNewestTagFile(path, QString::fromLatin1(CTagFile::kPattern), file)) {
        Error(QStringLiteral("no tag file in %1").arg(path));
        exitCode = kExitUsage;
        return false;
    }
    CTagFile tags;
    const CTagLoadResult result = tags.LoadTagFile(file);
    if (!result.Ok()) {
        Error(result.message);
        exitCode = kExitUsage;
        return false;
    }
    const auto tag = ParseWord(tagText);
    if (!tag)
        return true; // ReadRecord reports the bad tag number
    // The same tag number can carry other units on another controller type.
    std::uint16_t type = CControllerLink::kNoType;
    if (link.Identify(type) != 0)
        type = CControllerLink::kNoType;
    if (const CTagInfo* info = tags.FindTag(static_cast<std::uint16_t>(*tag), type))
        unitsCode = info->unitsCode;
    return true;
}

// A display value: a decimal integer, possibly negative.
std::optional<qint64> ParseDisplay(const QString& text)
{
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number;
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
    command.parser.addOption(
        {QStringLiteral("units"), QStringLiteral("Units code (0..24)."), QStringLiteral("U")});
    int exitCode = kExitOk;
    if (!command.Start(QStringLiteral("param"), args, 1,
                       QStringLiteral("param TAG [--port DEV] [--units U]"), exitCode))
        return exitCode;
    const auto units = UnitsOption(command.parser);
    if (!units)
        return kExitUsage;
    CParameter record;
    if (!ReadRecord(command.link, command.positional[0], *units, record, exitCode))
        return exitCode;
    std::printf("param %u %u %u %u %u %u %u %u %u 0x%02X %u\n", record.tagNumber, record.value,
                record.maximum, record.minimum, record.scale, record.div, record.step, record.shift,
                record.checksumWord, record.FlagsByte(), record.extension);
    return kExitOk;
}

int RunSet(const QStringList& args)
{
    SLinkCommand command;
    const QString display = QStringLiteral("display");
    command.parser.addOption(
        {display, QStringLiteral("Engineering value to set."), QStringLiteral("VALUE")});
    command.parser.addOption(
        {QStringLiteral("units"), QStringLiteral("Units code (0..24)."), QStringLiteral("U")});
    command.parser.addOption(
        {QStringLiteral("tags"), QStringLiteral("Tag file or folder."), QStringLiteral("PATH")});
    const QString usage = QStringLiteral(
        "set TAG RAW | set TAG --display VALUE [--units U | --tags PATH] [--port DEV]");
    int exitCode = kExitOk;
    if (!command.Start(QStringLiteral("set"), args, 1, usage, exitCode, 2))
        return exitCode;
    const bool byDisplay = command.parser.isSet(display);
    if (command.positional.size() != (byDisplay ? 1 : 2)) {
        Error(QStringLiteral("usage: ") + usage);
        return kExitUsage;
    }
    std::optional<unsigned> raw;
    std::optional<qint64> shown;
    if (byDisplay) {
        shown = ParseDisplay(command.parser.value(display));
        if (!shown) {
            Error(QStringLiteral("\"%1\" is not a display value (a whole number)")
                      .arg(command.parser.value(display)));
            return kExitUsage;
        }
    } else {
        raw = ParseWord(command.positional[1]);
        if (!raw) {
            Error(
                QStringLiteral("\"%1\" is not a raw value (0..65535)").arg(command.positional[1]));
            return kExitUsage;
        }
    }
    auto units = UnitsOption(command.parser);
    if (!units)
        return kExitUsage;
    if (command.parser.isSet(QStringLiteral("tags")) &&
        !UnitsFromTagFile(command.parser.value(QStringLiteral("tags")), command.link,
                          command.positional[0], *units, exitCode))
        return exitCode;
    CParameter record;
    if (!ReadRecord(command.link, command.positional[0], *units, record, exitCode))
        return exitCode;
    if (byDisplay) {
        // A signed record's conversion starts from the low 16 bits of the number: anything
        // outside -32768..32767 would write an unrelated value, so it is refused.
        if (record.isSigned && (*shown < -32768 || *shown > 32767)) {
            Error(QStringLiteral("%1 is outside -32768..32767, the display range of a signed "
                                 "parameter")
                      .arg(*shown));
            return kExitUsage;
        }
        bool clamped = false;
        record.value = record.FromDisplay(*shown, &clamped);
        if (clamped)
            Error(QStringLiteral("display value %1 is beyond the raw range: raw %2 is written")
                      .arg(*shown)
                      .arg(record.Raw(record.value)));
    } else {
        record.value = static_cast<std::uint16_t>(*raw);
    }
    const int result = command.link.WriteParameter(record);
    std::printf("set %d %s\n", result, WriteResultMeaning(result));
    if (result == CControllerLink::WriteOk)
        return kExitOk;
    // No reply is a communication failure; a refusal or a differing read-back is told apart
    // by its result code.
    return result == CControllerLink::WriteNoReply ? kExitNoReply : kExitWriteRefused + result;
}

} // namespace Cli
