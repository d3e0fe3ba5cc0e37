// tavrin-cli info and log: the controller-information message and the trip-log windows on a
// terminal, through the same flows the windows use.
#include "app/CAppSettings.h"
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/tools/CControllerInfo.h"
#include "ops/tools/CControllerLog.h"
#include "ops/tools/CTripNames.h"
#include "res/StringTable.h"

namespace Cli {
namespace {

// What both commands share: --port and --tags, whose tag file names the trips.
void AddOptions(CCommandContext& context)
{
    context.AddPortOption();
    context.AddTagsOption(QStringLiteral("Tag file or folder naming the trips."));
}

// Loads the tag file into the document, opens the port and identifies the controller:
// kExitOk, or the exit code after saying why. The trip names come from the tag file; without
// one given or configured the records carry the "not found" text instead, which is no reason
// to refuse the command.
int Connect(CCommandContext& context)
{
    const QString path = context.TagsPath();
    int exitCode = kExitOk;
    if ((!path.isEmpty() || !context.Settings().TagFileDir().isEmpty()) &&
        !LoadTagFile(path, context.Doc().Tags(), exitCode))
        return exitCode;
    EControllerType type = EControllerType::None;
    return context.Connect(type);
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

int RunInfo(CCommandContext& context, const QStringList& args)
{
    AddOptions(context);
    if (!context.Parse(args) || !context.Positional().isEmpty())
        return context.UsageError();
    if (const int code = Connect(context); code != kExitOk)
        return code;
    CControllerInfo info(context.Link(), context.Doc().Tags());
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

int RunLog(CCommandContext& context, const QStringList& args)
{
    AddOptions(context);
    context.Parser().AddOption(
        {QStringLiteral("clear"), QStringLiteral("Clear the log after printing its entries.")});
    context.AddYesOption(QStringLiteral("Answer the clear question Yes."));
    const QStringList words = context.Parse(args) ? context.Positional() : QStringList();
    const QString which = words.value(0);
    if (words.size() != 1 ||
        (which != QLatin1String("system") && which != QLatin1String("control")))
        return context.UsageError();
    const bool clear = context.IsSet(QStringLiteral("clear"));
    context.Prompt().SetAssumeYes(context.IsSet(QStringLiteral("yes")));

    CControllerLog log(context.Doc(), which == QLatin1String("system")
                                          ? CControllerLog::EKind::System
                                          : CControllerLog::EKind::Control);
    // The question comes before anything is sent: answered No, the controller sees nothing.
    if (clear && !log.ConfirmClear())
        return kExitDeclined;

    if (const int code = Connect(context); code != kExitOk)
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
                     Field(CTripNames::Find(context.Doc().Tags(), code)
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
