// tavrin-cli read and write: the document's read and write flows on a terminal.
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CParameterText.h"
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

// What read and write share: their options, parsed, and the tag file loaded into the
// context's document; false with `exitCode` set otherwise. The port is opened once the files
// are known to be fine.
bool Start(CCommandContext& context, const QStringList& args, int positionalCount, int& exitCode)
{
    context.AddPortOption();
    context.AddTagsOption();
    context.Parser().AddOption({{QStringLiteral("o"), QStringLiteral("output")},
                                QStringLiteral("Profile to write."),
                                QStringLiteral("OUT")});
    context.AddYesOption(QStringLiteral("Overwrite without asking."));
    if (!context.Parse(args) || context.Positional().size() != positionalCount) {
        exitCode = context.UsageError();
        return false;
    }
    return LoadTagFile(context.TagsPath(), context.Doc().Tags(), exitCode);
}

// Opens the port and identifies the controller once, for the command and its flow; false
// with `exitCode` set unless it identified, so that a missing or unidentified controller is
// reported at once rather than after every tag has timed out.
bool Connect(CCommandContext& context, EControllerType& type, int& exitCode)
{
    exitCode = context.Connect(type);
    if (exitCode != kExitOk)
        return false;
    context.DocumentConnected(type);
    return true;
}

} // namespace

int RunRead(CCommandContext& context, const QStringList& args)
{
    int exitCode = kExitOk;
    if (!Start(context, args, 0, exitCode))
        return exitCode;
    const QString output = context.Value(QStringLiteral("o"));
    if (output.isEmpty())
        return context.UsageError();
    QString why;
    if (!CanSave(output, why)) {
        Error(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(output), why));
        return kExitFile;
    }
    EControllerType type = EControllerType::None;
    if (!Connect(context, type, exitCode))
        return exitCode;

    CTavrinDoc& doc = context.Doc();
    const CReadFlow::SOutcome outcome = CReadFlow::Run(doc, type);
    if (outcome.status != CReadFlow::EStatus::Completed)
        return kExitUsage; // no tag to read; the flow said why
    if (!outcome.Complete()) {
        // A partial set is never saved: OUT keeps whatever it held.
        const CTagFile& tags = doc.Tags();
        const auto name = [&tags, type](std::uint16_t tag) {
            const CTagInfo* info = tags.FindTag(tag, type);
            return info ? QString::fromLatin1(info->name) : QString();
        };
        for (const std::uint16_t tag : outcome.unanswered)
            Error(QStringLiteral("0x%1 %2: no reply")
                      .arg(HexWord(tag, EHexCase::Lower))
                      .arg(name(tag)));
        for (const std::uint16_t tag : outcome.notRead)
            Error(QStringLiteral("0x%1 %2: not read (the controller stopped answering)")
                      .arg(HexWord(tag, EHexCase::Lower))
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
    const EControllerType read = doc.DataType();
    PrintRecord({QStringLiteral("read"), QString::number(outcome.parametersRead),
                 QString::number(ControllerTypeNumber(read)),
                 Field(CControllerLink::ControllerTypeName(read))});
    return kExitOk;
}

int RunWrite(CCommandContext& context, const QStringList& args)
{
    for (const QString& arg : args) {
        if (arg == QLatin1String("--")) // what follows is no option
            break;
        if (arg == QLatin1String("--changed-only") || arg == QLatin1String("--keep") ||
            arg.startsWith(QLatin1String("--keep=")))
            return RunWriteSelective(context, args);
    }
    int exitCode = kExitOk;
    if (!Start(context, args, 1, exitCode))
        return exitCode;
    CTavrinDoc& doc = context.Doc();
    const QString input = context.Positional().constFirst();
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
    EControllerType type = EControllerType::None;
    if (!Connect(context, type, exitCode))
        return exitCode;

    context.Prompt().SetAssumeYes(context.IsSet(QStringLiteral("yes")));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    if (outcome.status == CWriteFlow::EStatus::TypeMismatch)
        return kExitRefused;
    if (outcome.status == CWriteFlow::EStatus::Declined)
        return kExitDeclined;
    if (outcome.status == CWriteFlow::EStatus::NoBackup)
        return kExitFile; // told why on the terminal; nothing was written
    PrintWriteRecords(outcome.failures, outcome.confirmed, int(outcome.failures.size()),
                      outcome.skipped, 0, 0, outcome.notSent, outcome.backupPath);
    // A write the controller stopped answering is a link failure, not a partial success.
    if (outcome.status != CWriteFlow::EStatus::Finished)
        return kExitNoReply;
    return outcome.AllConfirmed() ? kExitOk : kExitPartly;
}

} // namespace Cli
