// tavrin-cli zero-tilt and eeprom-defaults: the Tools menu's one-shot commands on a terminal.
#include "app/CAppSettings.h"
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/tools/CEepromDefaults.h"
#include "ops/tools/CZeroTilt.h"

namespace Cli {
namespace {

// What both commands share: --port, --yes and --retry N for the terminal prompt, then the
// port opened and the controller identified. False with `exitCode` set otherwise.
bool Start(CCommandContext& context, const QStringList& args, int& exitCode)
{
    CCliParser& parser = context.Parser();
    context.AddPortOption();
    context.AddYesOption(QStringLiteral("Answer the question Yes."));
    parser.AddOption({QStringLiteral("retry"),
                      QStringLiteral("Retry an unanswered attempt up to N times."),
                      QStringLiteral("N")});
    std::optional<unsigned> retries = 0u;
    const bool parsed = context.Parse(args) && context.Positional().isEmpty();
    if (parsed && context.IsSet(QStringLiteral("retry")))
        retries = ParseWord(context.Value(QStringLiteral("retry")), 1000);
    if (!parsed || !retries) {
        exitCode = context.UsageError();
        return false;
    }
    context.Prompt().SetAssumeYes(context.IsSet(QStringLiteral("yes")));
    context.Prompt().SetRetries(static_cast<int>(*retries));
    // Each tool identifies again for its own type check; this one maps a controller that
    // cannot be identified as every command does.
    EControllerType type = EControllerType::None;
    exitCode = context.Connect(type);
    return exitCode == kExitOk;
}

} // namespace

int RunZeroTilt(CCommandContext& context, const QStringList& args)
{
    int exitCode = kExitOk;
    if (!Start(context, args, exitCode))
        return exitCode;
    switch (CZeroTilt(context.Doc()).Run()) {
    case CZeroTilt::EResult::Zeroed:
        PrintRecord({QStringLiteral("tilt"), QStringLiteral("zeroed")});
        return kExitOk;
    case CZeroTilt::EResult::Incompatible:
        return kExitRefused;
    case CZeroTilt::EResult::Declined:
        return kExitDeclined;
    case CZeroTilt::EResult::NoController:
    case CZeroTilt::EResult::NoReply:
        break;
    }
    return kExitNoReply;
}

int RunEepromDefaults(CCommandContext& context, const QStringList& args)
{
    int exitCode = kExitOk;
    context.AddTagsOption(QStringLiteral("Tag file or folder for the backup read."));
    if (!Start(context, args, exitCode))
        return exitCode;
    // The backup read needs the tag list. Without one named or configured, a backup the
    // user asks for is refused and nothing is reset.
    const QString tagsPath = context.TagsPath();
    if ((!tagsPath.isEmpty() || !context.Settings().TagFileDir().isEmpty()) &&
        !LoadTagFile(tagsPath, context.Doc().Tags(), exitCode))
        return exitCode;
    CEepromDefaults defaults(context.Doc());
    const CEepromDefaults::EResult result = defaults.Run();
    if (!defaults.BackupPath().isEmpty())
        PrintRecord({QStringLiteral("backup"), defaults.BackupPath()});
    switch (result) {
    case CEepromDefaults::EResult::BackupNotSaved:
        return kExitFile;
    case CEepromDefaults::EResult::Done:
        PrintRecord({QStringLiteral("defaults"), QStringLiteral("done")});
        return kExitOk;
    case CEepromDefaults::EResult::Incompatible:
        return kExitRefused;
    case CEepromDefaults::EResult::Declined:
        return kExitDeclined;
    case CEepromDefaults::EResult::NoController:
    case CEepromDefaults::EResult::NoReply:
    case CEepromDefaults::EResult::BackupNoReply:
        break;
    }
    return kExitNoReply;
}

} // namespace Cli
