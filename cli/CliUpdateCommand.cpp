// tavrin-cli update-check: the Options dialog's tag-file update check on a terminal.
#include "app/CAppSettings.h"
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "update/CTagFileUpdate.h"

namespace Cli {

int RunUpdateCheck(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    parser.AddOption(
        {QStringLiteral("tags"), QStringLiteral("Tag-file folder."), QStringLiteral("DIR")});
    parser.AddOption(
        {QStringLiteral("server"), QStringLiteral("Update server URL."), QStringLiteral("URL")});
    parser.AddOption({QStringLiteral("user"), QStringLiteral("Account."), QStringLiteral("U")});
    parser.AddOption(
        {QStringLiteral("password"), QStringLiteral("Password."), QStringLiteral("P")});
    context.AddYesOption(QStringLiteral("Install without asking."));
    if (!context.Parse(args) || !context.Positional().isEmpty())
        return context.UsageError();

    const CAppSettings& settings = context.Settings();
    SUpdateServer server = SUpdateServer::FromSettings(settings);
    if (parser.isSet(QStringLiteral("server")))
        server.url = parser.value(QStringLiteral("server"));
    if (parser.isSet(QStringLiteral("user")))
        server.user = parser.value(QStringLiteral("user"));
    if (parser.isSet(QStringLiteral("password")))
        server.password = parser.value(QStringLiteral("password"));
    const QString folder = parser.isSet(QStringLiteral("tags"))
                               ? parser.value(QStringLiteral("tags"))
                               : settings.TagFileDir();

    CTerminalPrompt& prompt = context.Prompt();
    prompt.SetAssumeYes(parser.isSet(QStringLiteral("yes")));
    CTagFileUpdate update(server, prompt);
    const CTagFileUpdate::EResult result = update.Run(folder);
    if (result != CTagFileUpdate::EResult::CannotConnect) {
        PrintRecord({QStringLiteral("remote"), Field(update.RemoteName())});
        PrintRecord({QStringLiteral("local"), Field(update.LocalName())});
    }
    switch (result) {
    case CTagFileUpdate::EResult::Installed:
        PrintRecord({QStringLiteral("installed"), Field(update.RemoteName())});
        return kExitOk;
    case CTagFileUpdate::EResult::Latest:
        PrintRecord({QStringLiteral("latest")});
        return kExitOk;
    case CTagFileUpdate::EResult::Declined:
        PrintRecord({QStringLiteral("declined")});
        return kExitDeclined;
    case CTagFileUpdate::EResult::Cancelled:
        PrintRecord({QStringLiteral("cancelled")});
        return kExitDeclined;
    case CTagFileUpdate::EResult::InvalidFile:
        // Too small, too large or refused by the loader: the message said why.
        return kExitRefused;
    case CTagFileUpdate::EResult::FolderNotWritable:
        return kExitFile;
    case CTagFileUpdate::EResult::CannotConnect:
        // The message says only that the site was not reached; a script's log wants why.
        if (!update.Cause().isEmpty())
            Error(update.Cause());
        break;
    case CTagFileUpdate::EResult::DownloadFailed:
        break;
    }
    return kExitNoReply;
}

} // namespace Cli
