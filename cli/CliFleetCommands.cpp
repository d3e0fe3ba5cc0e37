// tavrin-cli diff, apply and write --changed-only / --keep: comparing profiles and controllers,
// and bringing one controller or a whole fleet to a profile.
#include "app/CAppSettings.h"
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CCsv.h"
#include "data/CParameterSet.h"
#include "data/CParameterText.h"
#include "data/CTagFile.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "link/CControllerLink.h"
#include "ops/params/CCompareFlow.h"
#include "ops/params/CFleetApply.h"
#include "ops/params/CPhaseProgress.h"
#include "ops/params/CWriteFlow.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace Cli {
namespace {

// diff follows diff(1) rather than the other commands' codes.
constexpr int kDiffSame = 0;
constexpr int kDiffDifferent = 1;
constexpr int kDiffTrouble = 2;

// The items of every --keep, split at commas.
QStringList KeepItems(const CCommandContext& context)
{
    QStringList items;
    for (const QString& value : context.Parser().values(QStringLiteral("keep")))
        items += value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return items;
}

void AddCommonOptions(CCommandContext& context)
{
    context.AddTagsOption();
    context.Parser().AddOption({QStringLiteral("keep"),
                                QStringLiteral("Per-unit parameters left alone."),
                                QStringLiteral("LIST")});
}

// Progress of one unit on standard error, a line at every tenth of a phase: "DEV: writing
// 40/97", or without a device "writing 40/97". Called on the unit's thread in apply.
CFleetApply::Progress PhaseProgress(const QString& device)
{
    return [device, lastTenth = -1, lastPhase = -1](CFleetApply::EPhase phase, int done,
                                                    int total) mutable {
        const int tenth = total > 0 ? done * 10 / total : 10;
        if (int(phase) == lastPhase && tenth == lastTenth)
            return;
        lastPhase = int(phase);
        lastTenth = tenth;
        const QString line = (device.isEmpty() ? QString() : device + QLatin1String(": ")) +
                             CFleetApply::PhaseWord(phase) +
                             QStringLiteral(" %1/%2").arg(done).arg(total);
        WriteErrorLine(line);
    };
}

QString TagWord(std::uint16_t tag)
{
    return QString::number(tag);
}

QString TypeField(EControllerType type)
{
    return type == EControllerType::None ? QString() : QString::number(ControllerTypeNumber(type));
}

// The port's problems on one line: what a script reads as the reason of its result.
QString ReasonText(const CFleetApply::SUnit& unit)
{
    return unit.problems.join(QLatin1String("; ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// Tried and not confirmed: the failures without the records never sent.
int FailedCount(const CFleetApply::SUnit& unit)
{
    return unit.failed - unit.notSent;
}

QStringList PortFields(const CFleetApply::SUnit& unit)
{
    return {QStringLiteral("port"),
            Field(unit.device),
            TypeField(unit.type),
            CFleetApply::ResultWord(unit.result),
            QString::number(unit.confirmed),
            QString::number(FailedCount(unit)),
            QString::number(unit.skipped),
            QString::number(unit.unchanged),
            QString::number(unit.kept),
            QString::number(unit.notSent),
            Field(QDir::toNativeSeparators(unit.backup)),
            Field(ReasonText(unit))};
}

QByteArray ReportCsv(const std::vector<CFleetApply::SUnit>& units)
{
    QByteArray out = "device,type,type name,result,confirmed,failed,skipped,kept,unchanged,"
                     "backup,hardware version,firmware version,program checksum,not sent,"
                     "reason\r\n";
    for (const CFleetApply::SUnit& unit : units) {
        const QStringList fields = {unit.device,
                                    TypeField(unit.type),
                                    unit.type == EControllerType::None
                                        ? QString()
                                        : CControllerLink::ControllerTypeName(unit.type),
                                    CFleetApply::ResultWord(unit.result),
                                    QString::number(unit.confirmed),
                                    QString::number(FailedCount(unit)),
                                    QString::number(unit.skipped),
                                    QString::number(unit.kept),
                                    QString::number(unit.unchanged),
                                    QDir::toNativeSeparators(unit.backup),
                                    unit.identity.hardware,
                                    unit.identity.firmware,
                                    unit.identity.checksum,
                                    QString::number(unit.notSent),
                                    ReasonText(unit)};
        out += Csv::Line(fields).toUtf8() + "\r\n";
    }
    return out;
}

} // namespace

void PrintWriteRecords(const std::vector<CWriteFlow::SFailure>& failures, int confirmed, int failed,
                       int skipped, int unchanged, int kept, int notSent, const QString& backup)
{
    for (const CWriteFlow::SFailure& failure : failures) {
        PrintRecord({QStringLiteral("failed"), QString::number(failure.tag), Field(failure.name),
                     QString::number(static_cast<int>(failure.result))});
    }
    PrintRecord({QStringLiteral("written"), QString::number(confirmed), QString::number(failed),
                 QString::number(skipped), QString::number(unchanged), QString::number(kept),
                 QString::number(notSent)});
    if (!backup.isEmpty())
        PrintRecord({QStringLiteral("backup"), Field(QDir::toNativeSeparators(backup))});
}

int RunDiff(CCommandContext& context, const QStringList& args)
{
    context.AddPortOption();
    AddCommonOptions(context);
    const qsizetype files = context.Parse(args) ? context.Positional().size() : 0;
    if (files < 1 || files > 2 || (files == 2 && context.IsSet(QStringLiteral("port")))) {
        context.UsageError();
        return kDiffTrouble;
    }

    CParameterSet a;
    CParameterSet b;
    CTagFile tags;
    int exitCode = kExitOk;
    const QStringList paths = context.Positional();
    if (!context.LoadProfile(paths[0], a, tags, exitCode))
        return kDiffTrouble;
    const EControllerType typeA = ControllerTypeFromNumber(a.DataControllerType());
    std::vector<std::uint16_t> keep;
    QString why;
    if (!CFleetApply::ResolveKeep(KeepItems(context), tags, typeA, keep, why)) {
        Error(why);
        return kDiffTrouble;
    }

    std::vector<CCompareFlow::SRow> rows;
    if (files == 2) {
        const CParameterSet::Result loaded = b.LoadFile(paths[1]);
        if (!loaded.Ok()) {
            Error(QStringLiteral("cannot read %1: %2")
                      .arg(QDir::toNativeSeparators(paths[1]), loaded.errorText));
            return kDiffTrouble;
        }
        // Records of two controller types share tag numbers but not meanings: no
        // comparison, as against a controller of another type.
        const EControllerType typeB = ControllerTypeFromNumber(b.DataControllerType());
        if (typeA != typeB || a.DataControllerType() != b.DataControllerType()) {
            Error(QStringLiteral("%1 is a profile of %2, %3 of %4: profiles of two controller "
                                 "types are not compared")
                      .arg(QDir::toNativeSeparators(paths[0]),
                           CControllerLink::ControllerTypeName(typeA),
                           QDir::toNativeSeparators(paths[1]),
                           CControllerLink::ControllerTypeName(typeB)));
            return kDiffTrouble;
        }
        rows = CCompareFlow::Compare(a, b, tags);
    } else {
        EControllerType type = EControllerType::None;
        if (context.Connect(type) != kExitOk)
            return kDiffTrouble;
        if (type != typeA) {
            Error(CWriteFlow::TypeMismatchText(typeA, type));
            return kDiffTrouble;
        }
        const CFleetApply::Progress progress = PhaseProgress({});
        CPhaseProgress steps(progress, CFleetApply::EPhase::Comparing, int(a.Parameters().size()));
        const CCompareFlow::SControllerRead read =
            CCompareFlow::CompareWithController(context.Link(), tags, type, a, &steps);
        if (!read.unanswered.empty() || !read.notRead.empty()) {
            for (const CCompareFlow::SRow& row : read.rows) {
                if (row.diff != CCompareFlow::EDiff::NoReply)
                    continue;
                const bool asked = std::find(read.notRead.begin(), read.notRead.end(), row.tag) ==
                                   read.notRead.end();
                Error(QStringLiteral("0x%1 %2: %3")
                          .arg(HexWord(row.tag, EHexCase::Lower))
                          .arg(row.name, asked ? QStringLiteral("no reply")
                                               : QStringLiteral("not read (the controller "
                                                                "stopped answering)")));
            }
            Error(QStringLiteral("%1 records got no reply and %2 were not read; their values "
                                 "are unknown")
                      .arg(read.unanswered.size())
                      .arg(read.notRead.size()));
            return kDiffTrouble;
        }
        rows = read.rows;
    }

    int differ = 0;
    int same = 0;
    int onlyA = 0;
    int onlyB = 0;
    for (const CCompareFlow::SRow& row : rows) {
        if (std::find(keep.begin(), keep.end(), row.tag) != keep.end()) {
            PrintRecord({QStringLiteral("kept"), TagWord(row.tag), Field(row.name),
                         Field(row.textA), Field(row.textB)});
            continue;
        }
        switch (row.diff) {
        case CCompareFlow::EDiff::Same:
            ++same;
            break;
        case CCompareFlow::EDiff::Differ:
            ++differ;
            PrintRecord({QStringLiteral("differ"), TagWord(row.tag), Field(row.name),
                         Field(row.textA), Field(row.textB)});
            break;
        case CCompareFlow::EDiff::OnlyA:
        case CCompareFlow::EDiff::NoReply: // cannot remain here: unanswered records end above
            ++onlyA;
            PrintRecord({QStringLiteral("only-a"), TagWord(row.tag), Field(row.name)});
            break;
        case CCompareFlow::EDiff::OnlyB:
            ++onlyB;
            PrintRecord({QStringLiteral("only-b"), TagWord(row.tag), Field(row.name)});
            break;
        }
    }
    PrintRecord({QStringLiteral("diff"), QString::number(differ), QString::number(same),
                 QString::number(onlyA), QString::number(onlyB)});
    return differ + onlyA + onlyB == 0 ? kDiffSame : kDiffDifferent;
}

// write with --changed-only or --keep: the comparison, the selection and the journal of the
// fleet's programming, on one controller, inside the document's transfer session.
int RunWriteSelective(CCommandContext& context, const QStringList& args)
{
    context.AddPortOption();
    AddCommonOptions(context);
    context.Parser().AddOption(
        {QStringLiteral("changed-only"),
         QStringLiteral("Write only the records the controller holds otherwise.")});
    context.AddYesOption(QStringLiteral("Overwrite without asking."));
    if (!context.Parse(args) || context.Positional().size() != 1)
        return context.UsageError();
    CTerminalPrompt& prompt = context.Prompt();
    prompt.SetAssumeYes(context.IsSet(QStringLiteral("yes")));
    CTavrinDoc& doc = context.Doc();
    CControllerLink& link = context.Link();
    const QString input = context.Positional().constFirst();
    int exitCode = kExitOk;
    if (!context.LoadProfile(input, doc.Parameters(), doc.Tags(), exitCode))
        return exitCode;
    if (doc.Parameters().RecordCount() == 0) {
        Error(QStringLiteral("%1 holds no parameters").arg(QDir::toNativeSeparators(input)));
        return kExitFile;
    }
    CFleetApply::SPlan plan;
    plan.profile = &doc.Parameters();
    plan.tags = &doc.Tags();
    plan.changedOnly = context.IsSet(QStringLiteral("changed-only"));
    QString why;
    if (!CFleetApply::ResolveKeep(KeepItems(context), doc.Tags(), doc.DataType(), plan.keep, why)) {
        Error(why);
        return kExitUsage;
    }
    EControllerType type = EControllerType::None;
    if (const int code = context.Connect(type); code != kExitOk)
        return code;
    context.DocumentConnected(type);
    if (doc.DataType() != type) {
        Error(CWriteFlow::TypeMismatchText(doc.DataType(), type));
        return kExitRefused;
    }

    const CFleetApply::Progress progress = PhaseProgress({});
    CFleetApply::SUnit unit;
    std::vector<std::uint16_t> write;
    bool selected = false;
    {
        CTransferSession session(doc, CTransferSession::ECancel::Allowed);
        selected = CFleetApply::Select(link, type, plan, progress, unit, write);
    }
    if (!selected) {
        for (const QString& problem : unit.problems)
            Error(problem);
        return kExitNoReply;
    }
    // Nothing to write asks nothing: the controller already holds the profile.
    if (!write.empty() && !prompt.ConfirmOverwrite())
        return kExitDeclined;
    {
        CTransferSession session(doc);
        CFleetApply::Write(link, type, plan, write, progress, unit);
    }
    if (unit.backupRefused) { // nothing was written
        Error(unit.problems.constLast());
        return kExitFile;
    }
    PrintWriteRecords(unit.failures, unit.confirmed, FailedCount(unit), unit.skipped,
                      unit.unchanged, unit.kept, unit.notSent, unit.backup);
    if (unit.notSent > 0) {
        Error(unit.problems.constLast()); // the controller stopped answering
        return kExitNoReply;
    }
    return unit.failures.empty() ? kExitOk : kExitPartly;
}

int RunApply(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    parser.AddOption({QStringLiteral("ports"), QStringLiteral("Serial devices, comma-separated."),
                      QStringLiteral("LIST")});
    AddCommonOptions(context);
    parser.AddOption({QStringLiteral("changed-only"),
                      QStringLiteral("Write only the records a controller holds otherwise.")});
    parser.AddOption(
        {QStringLiteral("report"), QStringLiteral("CSV report."), QStringLiteral("FILE")});
    context.AddYesOption(QStringLiteral("Overwrite without asking."));
    QStringList devices;
    if (context.Parse(args)) {
        for (const QString& value : parser.values(QStringLiteral("ports")))
            devices += value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    }
    devices.removeDuplicates();
    if (devices.isEmpty() || context.Positional().size() != 1)
        return context.UsageError();
    CParameterSet profile;
    CTagFile tags;
    int exitCode = kExitOk;
    const QString input = context.Positional().constFirst();
    if (!context.LoadProfile(input, profile, tags, exitCode))
        return exitCode;
    if (profile.RecordCount() == 0) {
        Error(QStringLiteral("%1 holds no parameters").arg(QDir::toNativeSeparators(input)));
        return kExitFile;
    }
    CFleetApply::SPlan plan;
    plan.profile = &profile;
    plan.tags = &tags;
    plan.changedOnly = parser.isSet(QStringLiteral("changed-only"));
    const QString reportPath = parser.value(QStringLiteral("report"));
    plan.readIdentity = !reportPath.isEmpty();
    plan.lowLatency = context.Settings().LowLatency();
    QString why;
    if (!CFleetApply::ResolveKeep(KeepItems(context), tags,
                                  ControllerTypeFromNumber(profile.DataControllerType()), plan.keep,
                                  why)) {
        Error(why);
        return kExitUsage;
    }
    if (!reportPath.isEmpty() && !CanSave(reportPath, why)) {
        Error(QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(reportPath), why));
        return kExitFile;
    }
    // Asked once for the whole fleet, before any port is opened.
    CTerminalPrompt& prompt = context.Prompt();
    prompt.SetAssumeYes(context.IsSet(QStringLiteral("yes")));
    if (!prompt.ConfirmOverwrite())
        return kExitDeclined;

    const std::vector<CFleetApply::SUnit> units = CFleetApply::ProgramPorts(
        devices, plan, [](const QString& device) { return PhaseProgress(device); },
        [](const CFleetApply::SUnit& unit) {
            // Each line is written whole under the output's lock (Error, PrintRecord).
            for (const QString& problem : unit.problems)
                Error(unit.device + QLatin1String(": ") + problem);
            PrintRecord(PortFields(unit));
        });

    bool allOk = true;
    bool backupRefused = false; // the backups folder refused: no unit was written
    for (const CFleetApply::SUnit& unit : units) {
        allOk = allOk && unit.result == CFleetApply::EResult::Ok;
        backupRefused = backupRefused || unit.backupRefused;
    }
    if (!reportPath.isEmpty()) {
        QSaveFile file(reportPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(ReportCsv(units)) < 0 ||
            !file.commit()) {
            Error(QStringLiteral("cannot write %1: %2")
                      .arg(QDir::toNativeSeparators(reportPath), file.errorString()));
            return kExitFile;
        }
    }
    if (backupRefused)
        return kExitFile;
    return allOk ? kExitOk : kExitPartly;
}

} // namespace Cli
