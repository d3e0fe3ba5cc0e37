// tavrin-cli info and log: the controller-information message and the trip-log windows on a
// terminal, through the same flows the windows use.
#include "app/CAppSettings.h"
#include "cli/CCliParser.h"
#include "cli/CTerminalPrompt.h"
#include "cli/CliCommands.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/tools/CControllerInfo.h"
#include "ops/tools/CControllerLog.h"
#include "ops/tools/CTripNames.h"
#include "res/StringTable.h"

namespace Cli {
namespace {

const char* kInfoUsage = "info [--port DEV] [--tags PATH]";
const char* kLogUsage = "log system|control [--port DEV] [--tags PATH] [--clear [--yes]]";

// What both commands share: --port and --tags, the terminal prompt and a document whose tag
// file names the trips.
struct SControllerCommand
{
    CCliParser parser;
    CTerminalPrompt prompt;
    CAppSettings settings;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};

    SControllerCommand()
    {
        parser.AddOption(
            {QStringLiteral("port"), QStringLiteral("Serial device."), QStringLiteral("DEV")});
        parser.AddOption({QStringLiteral("tags"),
                          QStringLiteral("Tag file or folder naming the trips."),
                          QStringLiteral("PATH")});
    }

    // The trip names come from the tag file. Without one given or configured the records
    // carry the "not found" text instead, which is no reason to refuse the command.
    bool LoadTags(int& exitCode)
    {
        const QString path = parser.value(QStringLiteral("tags"));
        if (path.isEmpty() && settings.TagFileDir().isEmpty())
            return true;
        return LoadTagFile(path, doc.Tags(), exitCode);
    }

    bool Open(int& exitCode)
    {
        return LoadTags(exitCode) && OpenLink(link, parser.value(QStringLiteral("port")), exitCode);
    }
};

int Usage(const CCliParser& parser, const char* usage)
{
    Error(parser.errorText().isEmpty() ? QStringLiteral("usage: ") + QLatin1String(usage)
                                       : parser.errorText());
    return kExitUsage;
}

// The lines of the controller-information text. The trip type line comes last and ends with
// the tag file's trip name, which may itself hold a line break: from that line's start to
// the end is one line.
QStringList InfoLines(const QString& text)
{
    const QString tripLine = LoadString(EString::TripTypeLine);
    const QString tripPrefix = tripLine.left(tripLine.indexOf(QLatin1String("%s")));
    qsizetype tripStart = -1;
    if (!tripPrefix.isEmpty()) {
        tripStart =
            text.startsWith(tripPrefix) ? 0 : text.lastIndexOf(QLatin1Char('\n') + tripPrefix);
        if (tripStart > 0)
            ++tripStart;
    }
    QStringList lines = text.left(tripStart < 0 ? text.size() : tripStart)
                            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (tripStart >= 0) {
        QString trip = text.mid(tripStart);
        if (trip.endsWith(QLatin1Char('\n')))
            trip.chop(1);
        lines << trip;
    }
    return lines;
}

} // namespace

int RunInfo(const QStringList& args)
{
    SControllerCommand command;
    if (!command.parser.Parse(QStringLiteral("info"), args) ||
        !command.parser.positionalArguments().isEmpty())
        return Usage(command.parser, kInfoUsage);
    int exitCode = kExitOk;
    if (!command.Open(exitCode))
        return exitCode;

    EControllerType type = EControllerType::None;
    if (const int code = IdentifyOrExit(command.link, type); code != kExitOk)
        return code;
    CControllerInfo info(command.link, command.doc.Tags());
    const QString text = info.Build();
    // Without an identification or a trip code the text is only "Comms lost".
    if (info.IdentifiedType() == EControllerType::None || text == LoadString(EString::CommsLost)) {
        Error(text.trimmed());
        return kExitNoReply;
    }
    for (const QString& line : InfoLines(text))
        PrintRecord({QStringLiteral("info"), Field(line)});
    return kExitOk;
}

int RunLog(const QStringList& args)
{
    SControllerCommand command;
    command.parser.AddOption(
        {QStringLiteral("clear"), QStringLiteral("Clear the log after printing its entries.")});
    command.parser.AddOption(
        {QStringLiteral("yes"), QStringLiteral("Answer the clear question Yes.")});
    const QStringList words = command.parser.Parse(QStringLiteral("log"), args)
                                  ? command.parser.positionalArguments()
                                  : QStringList();
    const QString which = words.value(0);
    if (words.size() != 1 ||
        (which != QLatin1String("system") && which != QLatin1String("control")))
        return Usage(command.parser, kLogUsage);
    const bool clear = command.parser.isSet(QStringLiteral("clear"));
    command.prompt.SetAssumeYes(command.parser.isSet(QStringLiteral("yes")));

    CControllerLog log(command.doc, which == QLatin1String("system")
                                        ? CControllerLog::EKind::System
                                        : CControllerLog::EKind::Control);
    // The question comes before anything is sent: answered No, the controller sees nothing.
    if (clear && !log.ConfirmClear())
        return kExitDeclined;

    int exitCode = kExitOk;
    if (!command.Open(exitCode))
        return exitCode;
    EControllerType type = EControllerType::None;
    if (const int code = IdentifyOrExit(command.link, type); code != kExitOk)
        return code;
    log.Open();
    log.Probe();
    if (!log.Connected()) {
        Error(LoadString(EString::CommsLost));
        return kExitNoReply;
    }
    if (!log.LogAvailable()) {
        Error(LoadString(EString::LogNotSupported));
        return kExitRefused;
    }
    if (!log.Read()) {
        Error(LoadString(EString::CommsLost));
        return kExitNoReply;
    }
    // Entries are kept from the front: the first NonZeroEntries() hold the trip codes. They
    // are printed before a clear so that a script keeps them.
    for (int i = 0; i < log.NonZeroEntries(); ++i) {
        const auto code = log.Code(i);
        PrintRecord({QStringLiteral("entry"), QString::number(code), QString::number(log.Count(i)),
                     Field(CTripNames::Find(command.doc.Tags(), code)
                               .value_or(LoadString(EString::TripNameNotFound)))});
    }
    if (!clear)
        return kExitOk;
    if (!log.ClearEnabled()) {
        Error(QStringLiteral("the log holds no entries; nothing was cleared"));
        return kExitOk;
    }
    if (!log.Clear())
        return kExitPartly; // the flow has said "Could not clear diagnostic log."
    PrintRecord({QStringLiteral("cleared"), which});
    return kExitOk;
}

} // namespace Cli
