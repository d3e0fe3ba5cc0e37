// tavrin-cli read and write: the document's read and write flows on a terminal.
#include "app/CAppSettings.h"
#include "cli/CCliParser.h"
#include "cli/CTerminalPrompt.h"
#include "cli/CliCommands.h"
#include "data/CTagFile.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/params/CReadFlow.h"
#include "ops/params/CWriteFlow.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace Cli {
namespace {

const char* kReadUsage = "read [--port DEV] [--tags PATH] -o OUT.prf";
const char* kWriteUsage = "write IN.prf [--port DEV] [--tags PATH] [--yes]";

// What read and write share: options, the terminal prompt, the link and a document with the
// tag file loaded.
struct STransfer
{
    CCliParser parser;
    CTerminalPrompt prompt;
    CAppSettings settings;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};

    // Parses and loads the tag file; false with `exitCode` set otherwise. The port is
    // opened by OpenPort once the files are known to be fine.
    bool Start(const QString& name, const QStringList& args, int positionalCount, const char* usage,
               int& exitCode)
    {
        parser.AddOption(
            {QStringLiteral("port"), QStringLiteral("Serial device."), QStringLiteral("DEV")});
        parser.AddOption({QStringLiteral("tags"), QStringLiteral("Tag file or folder."),
                          QStringLiteral("PATH")});
        parser.AddOption({{QStringLiteral("o"), QStringLiteral("output")},
                          QStringLiteral("Profile to write."),
                          QStringLiteral("OUT")});
        parser.AddOption({QStringLiteral("yes"), QStringLiteral("Overwrite without asking.")});
        if (!parser.Parse(name, args) || parser.positionalArguments().size() != positionalCount) {
            Error(parser.errorText().isEmpty() ? QStringLiteral("usage: ") + QLatin1String(usage)
                                               : parser.errorText());
            exitCode = kExitUsage;
            return false;
        }
        return LoadTagFile(parser.value(QStringLiteral("tags")), doc.Tags(), exitCode);
    }

    bool OpenPort(int& exitCode)
    {
        return OpenLink(link, parser.value(QStringLiteral("port")), exitCode);
    }

    // Identifies the controller once, for the command and its flow; false with `exitCode`
    // set (IdentifyOrExit) unless it identified, so that a missing or unidentified
    // controller is reported at once rather than after every tag has timed out.
    bool Identify(int& exitCode)
    {
        exitCode = IdentifyOrExit(link, type);
        doc.SetConnectedType(type);
        doc.SetLinkReady(exitCode == kExitOk);
        return exitCode == kExitOk;
    }

    EControllerType type = EControllerType::None;
};

} // namespace

int RunRead(const QStringList& args)
{
    STransfer transfer;
    int exitCode = kExitOk;
    if (!transfer.Start(QStringLiteral("read"), args, 0, kReadUsage, exitCode))
        return exitCode;
    const QString output = transfer.parser.value(QStringLiteral("o"));
    if (output.isEmpty()) {
        Error(QStringLiteral("usage: ") + QLatin1String(kReadUsage));
        return kExitUsage;
    }
    QString why;
    if (!CanSave(output, why)) {
        Error(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(output), why));
        return kExitFile;
    }
    if (!transfer.OpenPort(exitCode) || !transfer.Identify(exitCode))
        return exitCode;

    CTavrinDoc& doc = transfer.doc;
    const CReadFlow::SOutcome outcome = CReadFlow::Run(doc, transfer.type);
    if (outcome.status != CReadFlow::EStatus::Completed)
        return kExitUsage; // no tag to read; the flow said why
    if (!outcome.Complete()) {
        // A partial set is never saved: OUT keeps whatever it held.
        const CTagFile& tags = doc.Tags();
        const auto name = [&tags, &transfer](std::uint16_t tag) {
            const CTagInfo* info = tags.FindTag(tag, transfer.type);
            return info ? QString::fromLatin1(info->name) : QString();
        };
        for (const std::uint16_t tag : outcome.unanswered)
            Error(QStringLiteral("0x%1 %2: no reply")
                      .arg(tag, 4, 16, QLatin1Char('0'))
                      .arg(name(tag)));
        for (const std::uint16_t tag : outcome.notRead)
            Error(QStringLiteral("0x%1 %2: not read (the controller stopped answering)")
                      .arg(tag, 4, 16, QLatin1Char('0'))
                      .arg(name(tag)));
        Error(QStringLiteral("%1 of %2 parameters read; %3 not written")
                  .arg(outcome.parametersRead)
                  .arg(outcome.parametersRead + outcome.unanswered.size() + outcome.notRead.size() +
                       outcome.refused.size())
                  .arg(QDir::toNativeSeparators(output)));
        return kExitNoReply;
    }

    const CParameterSet::Result saved = doc.Parameters().SaveFile(output);
    if (!saved.Ok()) {
        Error(QStringLiteral("cannot write %1: %2")
                  .arg(QDir::toNativeSeparators(output), saved.errorText));
        return kExitFile;
    }
    const EControllerType type = doc.DataType();
    PrintRecord({QStringLiteral("read"), QString::number(outcome.parametersRead),
                 QString::number(ControllerTypeNumber(type)),
                 Field(CControllerLink::ControllerTypeName(type))});
    return kExitOk;
}

int RunWrite(const QStringList& args)
{
    for (const QString& arg : args) {
        if (arg == QLatin1String("--")) // what follows is no option
            break;
        if (arg == QLatin1String("--changed-only") || arg == QLatin1String("--keep") ||
            arg.startsWith(QLatin1String("--keep=")))
            return RunWriteSelective(args);
    }
    STransfer transfer;
    int exitCode = kExitOk;
    if (!transfer.Start(QStringLiteral("write"), args, 1, kWriteUsage, exitCode))
        return exitCode;
    CTavrinDoc& doc = transfer.doc;
    const QString input = transfer.parser.positionalArguments().constFirst();
    const CParameterSet::Result loaded = doc.Parameters().LoadFile(input);
    if (!loaded.Ok()) {
        // A profile with a refused record would be written only in part: refuse it whole.
        Error(QStringLiteral("cannot load %1: %2")
                  .arg(QDir::toNativeSeparators(input), loaded.errorText));
        return kExitFile;
    }
    if (doc.Parameters().RecordCount() == 0) {
        Error(QStringLiteral("%1 holds no parameters").arg(QDir::toNativeSeparators(input)));
        return kExitFile;
    }
    if (!transfer.OpenPort(exitCode) || !transfer.Identify(exitCode))
        return exitCode;

    transfer.prompt.SetAssumeYes(transfer.parser.isSet(QStringLiteral("yes")));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    if (outcome.status == CWriteFlow::EStatus::TypeMismatch)
        return kExitRefused;
    if (outcome.status == CWriteFlow::EStatus::Declined)
        return kExitDeclined;
    if (outcome.status == CWriteFlow::EStatus::NoBackup)
        return kExitFile; // told why on the terminal; nothing was written
    for (const CWriteFlow::SFailure& failure : outcome.failures) {
        PrintRecord({QStringLiteral("failed"), QString::number(failure.tag), Field(failure.name),
                     QString::number(static_cast<int>(failure.result))});
    }
    PrintRecord(WrittenFields(outcome.confirmed, int(outcome.failures.size()), outcome.skipped, 0,
                              0, outcome.notSent));
    if (!outcome.backupPath.isEmpty())
        PrintRecord(
            {QStringLiteral("backup"), Field(QDir::toNativeSeparators(outcome.backupPath))});
    // A write the controller stopped answering is a link failure, not a partial success.
    if (outcome.status != CWriteFlow::EStatus::Finished)
        return kExitNoReply;
    return outcome.AllConfirmed() ? kExitOk : kExitPartly;
}

} // namespace Cli
