// tavrin-cli eeprom: the EEPROM utilities on a terminal. read copies a controller's EEPROM
// bytes into an image file, write puts an image back into a controller of the same type, and
// show prints an image.
#include "app/CAppSettings.h"
#include "cli/CCliParser.h"
#include "cli/CTerminalPrompt.h"
#include "cli/CliCommands.h"
#include "data/CEepromImage.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/eeprom/CEepromFile.h"
#include "ops/eeprom/CEepromTransfer.h"

#include <QDir>

namespace Cli {
namespace {

const char* kReadUsage = "eeprom read [--port DEV] [--bytes 128|256|512|1024] -o FILE [--text]";
const char* kWriteUsage = "eeprom write FILE [--port DEV] [--yes]";
const char* kShowUsage = "eeprom show FILE";

using EResult = CEepromTransfer::EResult;

// What every subcommand shares: its options, the terminal prompt and a document on the link.
struct SEeprom
{
    CCliParser parser;
    CTerminalPrompt prompt;
    CAppSettings settings;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};

    bool Parse(const QString& name, const QStringList& args, int positionalCount, const char* usage)
    {
        if (parser.Parse(name, args) && parser.positionalArguments().size() == positionalCount)
            return true;
        Error(parser.errorText().isEmpty() ? QStringLiteral("usage: ") + QLatin1String(usage)
                                           : parser.errorText());
        return false;
    }
    void AddPortOption()
    {
        parser.AddOption(
            {QStringLiteral("port"), QStringLiteral("Serial device."), QStringLiteral("DEV")});
    }
    bool OpenPort(int& exitCode)
    {
        return OpenLink(link, parser.value(QStringLiteral("port")), exitCode);
    }
};

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

int Read(const QStringList& args)
{
    SEeprom run;
    run.AddPortOption();
    run.parser.AddOption({QStringLiteral("bytes"),
                          QStringLiteral("Bytes to read from address 0 (128, 256, 512 or 1024)."),
                          QStringLiteral("N")});
    run.parser.AddOption({{QStringLiteral("o"), QStringLiteral("output")},
                          QStringLiteral("Image file to write."),
                          QStringLiteral("FILE")});
    run.parser.AddOption({QStringLiteral("text"), QStringLiteral("Write the text dump.")});
    if (!run.Parse(QStringLiteral("eeprom read"), args, 0, kReadUsage))
        return kExitUsage;
    int bytes = CEepromTransfer::kDefaultByteCount;
    if (run.parser.isSet(QStringLiteral("bytes"))) {
        const std::optional<unsigned> number = ParseWord(run.parser.value(QStringLiteral("bytes")));
        bytes = number ? static_cast<int>(*number) : 0;
    }
    const QString output = run.parser.value(QStringLiteral("o"));
    if ((bytes != 128 && bytes != 256 && bytes != 512 && bytes != 1024) || output.isEmpty()) {
        Error(QStringLiteral("usage: ") + QLatin1String(kReadUsage));
        return kExitUsage;
    }
    // As for a parameter read: a read is not spent on an output that cannot be written.
    QString why;
    if (!CanSave(output, why)) {
        Error(QStringLiteral("cannot write %1: %2").arg(Native(output), why));
        return kExitFile;
    }
    int exitCode = kExitOk;
    if (!run.OpenPort(exitCode))
        return exitCode;
    // An image names its controller type: an unidentified controller is never read into one.
    EControllerType type = EControllerType::None;
    if (const int code = IdentifyOrExit(run.link, type); code != kExitOk)
        return code;

    CEepromImage image;
    const CEepromTransfer::SOutcome outcome = CEepromTransfer(run.doc).Get(image, bytes);
    if (outcome.result == EResult::Failed) {
        Error(QStringLiteral("no reply for the byte at address %1; nothing written")
                  .arg(outcome.failedAddress));
    }
    if (outcome.result != EResult::Done)
        return kExitNoReply;
    const bool text = run.parser.isSet(QStringLiteral("text"));
    const CEepromImage::SResult saved = CEepromFile::Save(run.prompt, output, image, !text);
    if (!saved.Ok()) {
        Error(QStringLiteral("cannot write %1: %2").arg(Native(output), saved.errorText));
        return kExitFile;
    }
    PrintRecord({QStringLiteral("read"), QString::number(image.Count()),
                 QString::number(image.ControllerType()),
                 Field(CControllerLink::ControllerTypeName(image.Controller()))});
    return kExitOk;
}

int Write(const QStringList& args)
{
    SEeprom run;
    run.AddPortOption();
    run.parser.AddOption({QStringLiteral("yes"), QStringLiteral("Answer every question Yes.")});
    if (!run.Parse(QStringLiteral("eeprom write"), args, 1, kWriteUsage))
        return kExitUsage;
    run.prompt.SetAssumeYes(run.parser.isSet(QStringLiteral("yes")));
    const QString input = run.parser.positionalArguments().constFirst();

    CEepromImage image;
    const CEepromFile::SLoad loaded = CEepromFile::Load(run.prompt, input, image);
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
    int exitCode = kExitOk;
    if (!run.OpenPort(exitCode))
        return exitCode;
    EControllerType type = EControllerType::None;
    if (const int code = IdentifyOrExit(run.link, type); code != kExitOk)
        return code;

    const CEepromTransfer::SOutcome outcome = CEepromTransfer(run.doc).Send(image);
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

int Show(const QStringList& args)
{
    SEeprom run;
    if (!run.Parse(QStringLiteral("eeprom show"), args, 1, kShowUsage))
        return kExitUsage;
    const QString input = run.parser.positionalArguments().constFirst();
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

int RunEeprom(const QStringList& args)
{
    const QString sub = args.value(0);
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("read"))
        return Read(rest);
    if (sub == QLatin1String("write"))
        return Write(rest);
    if (sub == QLatin1String("show"))
        return Show(rest);
    Error(
        QStringLiteral("usage: %1 | %2 | %3")
            .arg(QLatin1String(kReadUsage), QLatin1String(kWriteUsage), QLatin1String(kShowUsage)));
    return kExitUsage;
}

} // namespace Cli
