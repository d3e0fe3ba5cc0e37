// tavrin-cli read and write: the document's read and write flows on a terminal.
#include "app/CAppSettings.h"
#include "cli/CTerminalPrompt.h"
#include "cli/CliCommands.h"
#include "data/CTagFile.h"
#include "link/CControllerLink.h"
#include "ops/CReadFlow.h"
#include "ops/CTavrinDoc.h"
#include "ops/CWriteFlow.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace Cli {
namespace {

constexpr int kExitNotConfirmed = 3;
constexpr int kExitTypeMismatch = 4;
constexpr int kExitDeclined = 5;
constexpr int kExitFile = 7;

const char* kReadUsage = "read [--port DEV] [--tags PATH] -o OUT.prf";
const char* kWriteUsage = "write IN.prf [--port DEV] [--tags PATH] [--yes]";

// What read and write share: options, the terminal prompt, the link and a document with the
// tag file loaded.
struct STransfer
{
    QCommandLineParser parser;
    CTerminalPrompt prompt;
    CAppSettings settings;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};

    // Parses, loads the tag file and opens the port; false with `exitCode` set otherwise.
    bool Start(const QString& name, const QStringList& args, int positionalCount, const char* usage,
               int& exitCode)
    {
        parser.addOption(
            {QStringLiteral("port"), QStringLiteral("Serial device."), QStringLiteral("DEV")});
        parser.addOption({QStringLiteral("tags"), QStringLiteral("Tag file or folder."),
                          QStringLiteral("PATH")});
        parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                          QStringLiteral("Profile to write."),
                          QStringLiteral("OUT")});
        parser.addOption({QStringLiteral("yes"), QStringLiteral("Overwrite without asking.")});
        if (!parser.parse(QStringList{name} + args) ||
            parser.positionalArguments().size() != positionalCount) {
            Error(parser.errorText().isEmpty() ? QStringLiteral("usage: ") + QLatin1String(usage)
                                               : parser.errorText());
            exitCode = kExitUsage;
            return false;
        }
        return LoadTags(exitCode) && OpenPort(exitCode);
    }

    // --tags names a tag file or a folder (its newest TagList*.tag); without it, the
    // application's "TagFileDir".
    bool LoadTags(int& exitCode)
    {
        QString path = parser.isSet(QStringLiteral("tags")) ? parser.value(QStringLiteral("tags"))
                                                            : settings.TagFileDir();
        if (path.isEmpty() || QFileInfo(path).isDir()) {
            const QString folder = path;
            if (folder.isEmpty() || !CTagFile::FindNewestTagFile(
                                        folder, QString::fromLatin1(CTagFile::kPattern), path)) {
                Error(QStringLiteral("no tag file: give --tags PATH (a TagList*.tag file or a "
                                     "folder holding one)"));
                exitCode = kExitUsage;
                return false;
            }
        }
        const CTagLoadResult result = doc.Tags().LoadTagFile(path);
        if (!result.Ok()) {
            Error(result.message);
            exitCode = kExitFile;
            return false;
        }
        return true;
    }

    bool OpenPort(int& exitCode)
    {
        return OpenLink(link, parser.value(QStringLiteral("port")), exitCode);
    }

    // Identifies the controller as the status poll would; false (exit 2) when nothing
    // answers, so that a missing controller is reported at once rather than after every
    // tag has timed out.
    bool Identify(int& exitCode)
    {
        std::uint16_t type = CControllerLink::kNoType;
        const int result = link.Identify(type);
        if (result == CControllerLink::ProbeNoReply) {
            Error(QStringLiteral("no controller was identified (result %1)").arg(result));
            exitCode = kExitNoReply;
            return false;
        }
        doc.SetConnectedType(type);
        doc.SetLinkReady(result == 0);
        return true;
    }
};

// A name for a space-separated line: in double quotes, with quotes and backslashes escaped.
QString Quoted(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

void PrintLine(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

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
    if (!transfer.Identify(exitCode))
        return exitCode;

    CTavrinDoc& doc = transfer.doc;
    const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);
    if (outcome.status != CReadFlow::EStatus::Completed)
        return kExitUsage; // no tag to read; the flow said why

    const CParameterSet::Result saved = doc.Parameters().SaveFile(output);
    if (!saved.Ok()) {
        Error(QStringLiteral("cannot write %1: %2")
                  .arg(QDir::toNativeSeparators(output), saved.errorText));
        return kExitFile;
    }
    const std::uint16_t type = doc.DataType();
    PrintLine(QStringLiteral("read %1 %2 %3")
                  .arg(outcome.parametersRead)
                  .arg(type)
                  .arg(CControllerLink::ControllerTypeName(type)));
    const bool commsFailed =
        !outcome.unanswered.empty() || outcome.identifyResult == CControllerLink::ProbeNoReply;
    return commsFailed ? kExitNoReply : kExitOk;
}

int RunWrite(const QStringList& args)
{
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
    if (!transfer.Identify(exitCode))
        return exitCode;

    transfer.prompt.SetAssumeYes(transfer.parser.isSet(QStringLiteral("yes")));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    switch (outcome.status) {
    case CWriteFlow::EStatus::TypeMismatch:
        return kExitTypeMismatch;
    case CWriteFlow::EStatus::Declined:
        return kExitDeclined;
    case CWriteFlow::EStatus::Finished:
        break;
    }
    for (const CWriteFlow::SFailure& failure : outcome.failures) {
        PrintLine(QStringLiteral("failed %1 %2 %3")
                      .arg(failure.tag)
                      .arg(Quoted(failure.name))
                      .arg(failure.result));
    }
    PrintLine(QStringLiteral("written %1 %2 %3")
                  .arg(outcome.confirmed)
                  .arg(outcome.failures.size())
                  .arg(outcome.skipped));
    return outcome.AllConfirmed() ? kExitOk : kExitNotConfirmed;
}

} // namespace Cli
