// tavrin-cli zero-tilt and eeprom-defaults: the Tools menu's one-shot commands on a terminal.
#include "app/CAppSettings.h"
#include "cli/CCliParser.h"
#include "cli/CTerminalPrompt.h"
#include "cli/CliCommands.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/tools/CEepromDefaults.h"
#include "ops/tools/CZeroTilt.h"

namespace Cli {
namespace {

// What both commands share: --port, --yes, --retry N, the terminal prompt and a document
// on the open link.
struct STool
{
    CCliParser parser;
    CTerminalPrompt prompt;
    CAppSettings settings;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};

    bool Start(const QString& name, const QStringList& args, const char* usage, int& exitCode)
    {
        parser.AddOption(
            {QStringLiteral("port"), QStringLiteral("Serial device."), QStringLiteral("DEV")});
        parser.AddOption({QStringLiteral("yes"), QStringLiteral("Answer the question Yes.")});
        parser.AddOption({QStringLiteral("retry"),
                          QStringLiteral("Retry an unanswered attempt up to N times."),
                          QStringLiteral("N")});
        std::optional<unsigned> retries = 0u;
        const bool parsed = parser.Parse(name, args) && parser.positionalArguments().isEmpty();
        if (parsed && parser.isSet(QStringLiteral("retry")))
            retries = ParseWord(parser.value(QStringLiteral("retry")), 1000);
        if (!parsed || !retries) {
            Error(parser.errorText().isEmpty() ? QStringLiteral("usage: ") + QLatin1String(usage)
                                               : parser.errorText());
            exitCode = kExitUsage;
            return false;
        }
        prompt.SetAssumeYes(parser.isSet(QStringLiteral("yes")));
        prompt.SetRetries(static_cast<int>(*retries));
        if (!OpenLink(link, parser.value(QStringLiteral("port")), exitCode))
            return false;
        // Each tool identifies again for its own type check; this one maps a controller that
        // cannot be identified as every command does.
        EControllerType type = EControllerType::None;
        exitCode = IdentifyOrExit(link, type);
        return exitCode == kExitOk;
    }
};

} // namespace

int RunZeroTilt(const QStringList& args)
{
    STool tool;
    int exitCode = kExitOk;
    if (!tool.Start(QStringLiteral("zero-tilt"), args, "zero-tilt [--port DEV] [--yes] [--retry N]",
                    exitCode))
        return exitCode;
    switch (CZeroTilt(tool.doc).Run()) {
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

int RunEepromDefaults(const QStringList& args)
{
    STool tool;
    int exitCode = kExitOk;
    tool.parser.AddOption({QStringLiteral("tags"),
                           QStringLiteral("Tag file or folder for the backup read."),
                           QStringLiteral("PATH")});
    if (!tool.Start(QStringLiteral("eeprom-defaults"), args,
                    "eeprom-defaults [--port DEV] [--tags PATH] [--yes] [--retry N]", exitCode))
        return exitCode;
    // The backup read needs the tag list. Without one named or configured, a backup the
    // user asks for is refused and nothing is reset.
    const QString tagsPath = tool.parser.value(QStringLiteral("tags"));
    if ((!tagsPath.isEmpty() || !tool.settings.TagFileDir().isEmpty()) &&
        !LoadTagFile(tagsPath, tool.doc.Tags(), exitCode))
        return exitCode;
    CEepromDefaults defaults(tool.doc);
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
