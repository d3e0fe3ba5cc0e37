// tavrin-cli eeprom: the EEPROM utilities on a terminal. read copies a controller's EEPROM
// bytes into an image file, write puts an image back into a controller of the same type, and
// show prints an image.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CEepromImage.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/eeprom/CEepromFile.h"
#include "ops/eeprom/CEepromTransfer.h"

#include <QDir>

namespace Cli {
namespace {

using EResult = CEepromTransfer::EResult;

// The subcommands in the order of the usage's forms.
enum EForm : qsizetype
{
    kReadForm,
    kWriteForm,
    kShowForm,
};

// Parses a subcommand's options under its own name ("eeprom read"); a usage error (of the
// subcommand's form) unless it parses with `positionalCount` positional arguments.
bool Parse(CCommandContext& context, const QString& sub, const QStringList& args,
           int positionalCount, EForm form)
{
    if (context.Parse(context.Name() + QLatin1Char(' ') + sub, args) &&
        context.Positional().size() == positionalCount)
        return true;
    context.UsageError(form);
    return false;
}

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

int Read(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    context.AddPortOption();
    parser.AddOption({QStringLiteral("bytes"),
                      QStringLiteral("Bytes to read from address 0 (128, 256, 512 or 1024)."),
                      QStringLiteral("N")});
    parser.AddOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("Image file to write."),
                      QStringLiteral("FILE")});
    parser.AddOption({QStringLiteral("text"), QStringLiteral("Write the text dump.")});
    if (!Parse(context, QStringLiteral("read"), args, 0, kReadForm))
        return kExitUsage;
    int bytes = CEepromTransfer::kDefaultByteCount;
    if (context.IsSet(QStringLiteral("bytes"))) {
        const std::optional<unsigned> number = ParseWord(context.Value(QStringLiteral("bytes")));
        bytes = number ? static_cast<int>(*number) : 0;
    }
    const QString output = context.Value(QStringLiteral("o"));
    if ((bytes != 128 && bytes != 256 && bytes != 512 && bytes != 1024) || output.isEmpty())
        return context.UsageError(kReadForm);
    // As for a parameter read: a read is not spent on an output that cannot be written.
    QString why;
    if (!CanSave(output, why)) {
        Error(QStringLiteral("cannot write %1: %2").arg(Native(output), why));
        return kExitFile;
    }
    // An image names its controller type: an unidentified controller is never read into one.
    EControllerType type = EControllerType::None;
    if (const int code = context.Connect(type); code != kExitOk)
        return code;

    CEepromImage image;
    const CEepromTransfer::SOutcome outcome = CEepromTransfer(context.Doc()).Get(image, bytes);
    if (outcome.result == EResult::Failed) {
        Error(QStringLiteral("no reply for the byte at address %1; nothing written")
                  .arg(outcome.failedAddress));
    }
    if (outcome.result != EResult::Done)
        return kExitNoReply;
    const bool text = context.IsSet(QStringLiteral("text"));
    const CEepromImage::SResult saved = CEepromFile::Save(context.Prompt(), output, image, !text);
    if (!saved.Ok()) {
        Error(QStringLiteral("cannot write %1: %2").arg(Native(output), saved.errorText));
        return kExitFile;
    }
    PrintRecord({QStringLiteral("read"), QString::number(image.Count()),
                 QString::number(image.ControllerType()),
                 Field(CControllerLink::ControllerTypeName(image.Controller()))});
    return kExitOk;
}

int Write(CCommandContext& context, const QStringList& args)
{
    context.AddPortOption();
    context.AddYesOption(QStringLiteral("Answer every question Yes."));
    if (!Parse(context, QStringLiteral("write"), args, 1, kWriteForm))
        return kExitUsage;
    context.Prompt().SetAssumeYes(context.IsSet(QStringLiteral("yes")));
    const QString input = context.Positional().constFirst();

    CEepromImage image;
    const CEepromFile::SLoad loaded = CEepromFile::Load(context.Prompt(), input, image);
    if (loaded.result == CEepromFile::ELoad::Declined)
        return kExitDeclined;
    if (loaded.result == CEepromFile::ELoad::Failed) {
        Error(QStringLiteral("cannot load %1: %2").arg(Native(input), loaded.file.errorText));
        return kExitFile;
    }
    if (image.IsEmpty()) {
        Error(QStringLiteral("%1 holds no EEPROM bytes").arg(Native(input)));
        return kExitFile;
    }
    EControllerType type = EControllerType::None;
    if (const int code = context.Connect(type); code != kExitOk)
        return code;

    const CEepromTransfer::SOutcome outcome = CEepromTransfer(context.Doc()).Send(image);
    if (!outcome.backupPath.isEmpty())
        PrintRecord({QStringLiteral("backup"), Field(Native(outcome.backupPath))});
    switch (outcome.result) {
    case EResult::Done:
        PrintRecord({QStringLiteral("written"), QString::number(outcome.bytesDone)});
        return kExitOk;
    case EResult::Failed:
        Error(QStringLiteral("the byte at address %1 was not confirmed; the %2 bytes before it "
                             "were written")
                  .arg(outcome.failedAddress)
                  .arg(outcome.bytesDone));
        PrintRecord({QStringLiteral("written"), QString::number(outcome.bytesDone)});
        return kExitPartly;
    case EResult::OtherType:
        Error(QStringLiteral("the controller is not of the image's type %1 (%2); nothing written")
                  .arg(image.ControllerType())
                  .arg(CControllerLink::ControllerTypeName(image.Controller())));
        return kExitRefused;
    case EResult::Declined:
        return kExitDeclined;
    case EResult::NoBackup:
        // The terminal prompt has told why; nothing was written.
        return outcome.backupUnanswered ? kExitNoReply : kExitFile;
    case EResult::NoController:
    case EResult::Cancelled:
        break;
    }
    return kExitNoReply;
}

int Show(CCommandContext& context, const QStringList& args)
{
    if (!Parse(context, QStringLiteral("show"), args, 1, kShowForm))
        return kExitUsage;
    const QString input = context.Positional().constFirst();
    CEepromImage image;
    const CEepromImage::SResult loaded = image.LoadFile(input);
    if (!loaded.Ok()) {
        Error(QStringLiteral("cannot load %1: %2").arg(Native(input), loaded.errorText));
        return kExitFile;
    }
    // An image starts with its controller type, a 16-bit number stored in four bytes, so its
    // third and fourth bytes are zero. Text never has them so (a text dump starts with its
    // path, a PDF with "%PDF"): such a file is something else, and is not shown as bytes.
    if (image.ControllerType() > 0xFFFF) {
        Error(QStringLiteral("%1 is not an EEPROM image (its first four bytes name no "
                             "controller type; a text dump cannot be shown or loaded)")
                  .arg(Native(input)));
        return kExitFile;
    }
    PrintRecord({QStringLiteral("from"), QString::number(image.ControllerType()),
                 Field(CControllerLink::ControllerTypeName(image.Controller()))});
    for (const auto& record : image.Records()) {
        PrintRecord({QStringLiteral("byte"), QString::number(record->address),
                     QString::number(record->data), QString::asprintf("0x%02X", record->data)});
    }
    return kExitOk;
}

} // namespace

int RunEeprom(CCommandContext& context, const QStringList& args)
{
    const QString sub = args.value(0);
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("read"))
        return Read(context, rest);
    if (sub == QLatin1String("write"))
        return Write(context, rest);
    if (sub == QLatin1String("show"))
        return Show(context, rest);
    return context.UsageError();
}

} // namespace Cli
