// tavrin-cli update-check: the Options dialog's tag-file update check on a terminal.
#include "app/CAppSettings.h"
#include "cli/CCliParser.h"
#include "cli/CTerminalPrompt.h"
#include "cli/CliCommands.h"
#include "update/CTagFileUpdate.h"

namespace Cli {

namespace {

const char* kUpdateUsage =
    "usage: update-check [--tags DIR] [--server URL] [--user U] [--password P] [--yes]";

} // namespace

int RunUpdateCheck(const QStringList& args)
{
    CCliParser parser;
    parser.AddOption(
        {QStringLiteral("tags"), QStringLiteral("Tag-file folder."), QStringLiteral("DIR")});
    parser.AddOption(
        {QStringLiteral("server"), QStringLiteral("Update server URL."), QStringLiteral("URL")});
    parser.AddOption({QStringLiteral("user"), QStringLiteral("Account."), QStringLiteral("U")});
    parser.AddOption(
        {QStringLiteral("password"), QStringLiteral("Password."), QStringLiteral("P")});
    parser.AddOption({QStringLiteral("yes"), QStringLiteral("Install without asking.")});
    if (!parser.Parse(QStringLiteral("update-check"), args) ||
        !parser.positionalArguments().isEmpty()) {
        Error(parser.errorText().isEmpty() ? QString::fromLatin1(kUpdateUsage)
                                           : parser.errorText());
        return kExitUsage;
    }

    const CAppSettings settings;
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

    CTerminalPrompt prompt;
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
