// tavrin-cli dfile: the Tools menu's "Program D-File" on a terminal, with the menu's rule for
// which controller types take a D-File.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/eeprom/CDFileProgrammer.h"

namespace Cli {
namespace {

// Why a text D-File was refused; the form has no message of its own for these.
QString TextRefusal(const CDFileProgrammer& programmer)
{
    using EText = CDFile::ETextResult;
    switch (programmer.LastTextResult()) {
    case EText::NoComment:
        return QStringLiteral("the file is empty");
    case EText::BadLine:
        return QStringLiteral("line %1 does not hold an address and a value")
            .arg(programmer.LastFailedLine());
    case EText::AddressTooHigh:
        return QStringLiteral("line %1 names an address above %2")
            .arg(programmer.LastFailedLine())
            .arg(CDFile::kTextBufferSize - 1);
    case EText::BadChecksum:
        return QStringLiteral("the checksum does not match");
    case EText::Ok:
    case EText::CannotOpen:
        break;
    }
    return {};
}

} // namespace

int RunDFile(CCommandContext& context, const QStringList& args)
{
    context.Parser().AddOption({QStringLiteral("type"),
                                QStringLiteral("Controller type of the D-File."),
                                QStringLiteral("T")});
    context.AddPortOption();
    context.AddYesOption(QStringLiteral("Answer every question Yes."));
    const bool parsed = context.Parse(args) && context.Positional().size() == 1 &&
                        context.IsSet(QStringLiteral("type"));
    const std::optional<unsigned> number =
        parsed ? ParseWord(context.Value(QStringLiteral("type"))) : std::nullopt;
    if (!number)
        return context.UsageError();
    const EControllerType type = ControllerTypeFromNumber(*number);
    if (!CDFileProgrammer::ItemEnabled(type, type)) {
        Error(QStringLiteral("controller type %1 takes no D-File").arg(*number));
        return kExitUsage;
    }
    const QString path = context.Positional().constFirst();

    EControllerType connected = EControllerType::None;
    if (const int code = context.Connect(connected); code != kExitOk)
        return code;
    if (!CDFileProgrammer::ItemEnabled(type, connected)) {
        Error(QStringLiteral("the controller is not of type %1").arg(*number));
        return kExitRefused;
    }

    context.Prompt().SetAssumeYes(context.IsSet(QStringLiteral("yes")));
    CDFileProgrammer programmer(context.Doc());
    const CDFileProgrammer::EResult result = programmer.Run(type, path);
    if (!programmer.LastBackupPath().isEmpty())
        PrintRecord({QStringLiteral("backup"), Field(programmer.LastBackupPath())});
    switch (result) {
    case CDFileProgrammer::EResult::Programmed:
        PrintRecord({QStringLiteral("dfile"), QStringLiteral("programmed")});
        return kExitOk;
    case CDFileProgrammer::EResult::Declined:
        return kExitDeclined;
    case CDFileProgrammer::EResult::CannotRead:
        Error(QStringLiteral("cannot open %1").arg(path));
        return kExitFile;
    case CDFileProgrammer::EResult::Refused:
        if (CDFileProgrammer::UsesTextForm(type))
            Error(TextRefusal(programmer));
        return kExitRefused;
    case CDFileProgrammer::EResult::NoBackup:
        // Told on the terminal why; nothing was written.
        return programmer.LastBackupUnanswered() ? kExitNoReply : kExitFile;
    case CDFileProgrammer::EResult::NotProgrammed:
        break;
    }
    return kExitPartly;
}

} // namespace Cli
