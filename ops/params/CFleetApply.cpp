#include "ops/params/CFleetApply.h"
#include "data/CParameterText.h"

#include "data/CParameter.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/params/CParameterNames.h"
#include "ops/params/CPhaseProgress.h"
#include "ops/params/CWriteJournal.h"
#include "res/StringTable.h"

#include <QDir>
#include <QThread>

#include <algorithm>
#include <memory>

namespace {

bool Contains(const std::vector<std::uint16_t>& tags, std::uint16_t tag)
{
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

// The tag of `record` when it applies to `type`, else null.
const CTagInfo* ApplyingTag(const CTagFile& tags, const CParameter& record, EControllerType type)
{
    const CTagInfo* tag = tags.FindTag(record.tagNumber, type);
    return tag && tag->AppliesToType(type) ? tag : nullptr;
}

} // namespace

QString CFleetApply::ResultWord(EResult result)
{
    switch (result) {
    case EResult::Ok:
        return QStringLiteral("ok");
    case EResult::TypeMismatch:
        return QStringLiteral("type-mismatch");
    case EResult::NoController:
        return QStringLiteral("no-controller");
    case EResult::Failed:
        break;
    }
    return QStringLiteral("failed");
}

QString CFleetApply::PhaseWord(EPhase phase)
{
    switch (phase) {
    case EPhase::Comparing:
        return QStringLiteral("comparing");
    case EPhase::Writing:
        break;
    }
    return QStringLiteral("writing");
}

bool CFleetApply::ResolveKeep(const QStringList& items, const CTagFile& tags, EControllerType type,
                              std::vector<std::uint16_t>& keep, QString& error)
{
    const CParameterNames names(tags, type);
    for (const QString& item : items) {
        if (item.trimmed().isEmpty())
            continue;
        QString why;
        const std::vector<std::uint16_t> found = names.Resolve(item, why);
        if (found.empty()) {
            error = LoadString(EString::ApplyKeepRefused).arg(why);
            return false;
        }
        for (const std::uint16_t tag : found) {
            if (!Contains(keep, tag))
                keep.push_back(tag);
        }
    }
    return true;
}

bool CFleetApply::Select(CControllerLink& link, EControllerType type, const SPlan& plan,
                         const Progress& progress, SUnit& unit, std::vector<std::uint16_t>& write)
{
    const CParameterSet& profile = *plan.profile;
    const CTagFile& tags = *plan.tags;
    write.clear();
    unit.skipped = unit.kept = unit.unchanged = 0;

    if (!plan.changedOnly) {
        std::vector<std::uint16_t> seen;
        for (const auto& record : profile.Parameters()) {
            if (!ApplyingTag(tags, *record, type)) {
                ++unit.skipped;
                continue;
            }
            if (Contains(seen, record->tagNumber))
                continue;
            seen.push_back(record->tagNumber);
            if (Contains(plan.keep, record->tagNumber))
                ++unit.kept;
            else
                write.push_back(record->tagNumber);
        }
        return true;
    }

    CPhaseProgress steps(progress, EPhase::Comparing, int(profile.Parameters().size()));
    const CCompareFlow::SControllerRead compared =
        CCompareFlow::CompareWithController(link, tags, type, profile, &steps);
    unit.skipped = compared.skipped;
    for (const CCompareFlow::SRow& row : compared.rows) {
        if (Contains(plan.keep, row.tag)) {
            ++unit.kept;
            continue;
        }
        switch (row.diff) {
        case CCompareFlow::EDiff::Same:
            ++unit.unchanged;
            break;
        case CCompareFlow::EDiff::NoReply:
            unit.problems << LoadString(EString::ApplyNoReply)
                                 .arg(HexWord(row.tag, EHexCase::Lower))
                                 .arg(row.name);
            break;
        default: // differs, or refused: the write tries it and reports what it came to
            write.push_back(row.tag);
            break;
        }
    }
    return compared.unanswered.empty();
}

void CFleetApply::Write(CControllerLink& link, EControllerType type, const SPlan& plan,
                        const std::vector<std::uint16_t>& write, const Progress& progress,
                        SUnit& unit)
{
    CWriteFlow::SOutcome outcome;
    outcome.status = CWriteFlow::EStatus::Finished;
    if (!write.empty()) {
        CWriteJournal journal(link, *plan.tags, type);
        CPhaseProgress steps(progress, EPhase::Writing, int(write.size()));
        // The pass reports each record's start and, at its end, the whole range.
        outcome = CCompareFlow::WriteSelected(link, *plan.tags, type, *plan.profile, write, &steps,
                                              &journal);
        unit.backup = journal.Finish();
    }
    if (outcome.status == CWriteFlow::EStatus::NoBackup) {
        unit.backupRefused = true;
        unit.problems << CWriteJournal::RefusalText();
        unit.result = EResult::Failed;
        return;
    }
    unit.confirmed = outcome.confirmed;
    unit.failures = outcome.failures;
    unit.failed = int(outcome.failures.size()) + outcome.notSent;
    unit.notSent = outcome.notSent;
    for (const CWriteFlow::SFailure& failure : outcome.failures) {
        unit.problems << LoadString(EString::ApplyNotConfirmed)
                             .arg(HexWord(failure.tag, EHexCase::Lower))
                             .arg(failure.name)
                             .arg(int(failure.result));
    }
    if (outcome.status == CWriteFlow::EStatus::Stopped) {
        unit.problems << LoadString(EString::ApplyStopped).arg(outcome.notSent);
        unit.result = EResult::Failed;
        return;
    }

    unit.result = unit.failed == 0 ? EResult::Ok : EResult::Failed;
}

CFleetApply::SUnit CFleetApply::ProgramPort(const QString& device, const SPlan& plan,
                                            const Progress& progress)
{
    SUnit unit;
    unit.device = device;
    CControllerLink link;
    link.Configure(device, 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
    link.SetLowLatency(plan.lowLatency);
    if (!link.Open()) {
        unit.problems << (link.LastOpenFailure() == CSerialPort::EOpenFailure::PermissionDenied
                              ? link.PermissionDeniedText()
                              : LoadString(EString::ApplyCannotOpenPort)
                                    .arg(QDir::toNativeSeparators(device)));
        return unit;
    }
    EControllerType type = EControllerType::None;
    unit.identifyResult = link.Identify(type);
    if (unit.identifyResult == EIdentifyResult::NoReply) {
        unit.result = EResult::NoController;
        unit.problems << LoadString(EString::ApplyNoController);
        return unit;
    }
    if (unit.identifyResult != EIdentifyResult::Identified) {
        // It answered but was not identified: refused as a controller of another type is.
        unit.result = EResult::TypeMismatch;
        unit.problems << LoadString(EString::ApplyNotIdentified).arg(int(unit.identifyResult));
        return unit;
    }
    unit.type = type;
    const EControllerType profileType =
        ControllerTypeFromNumber(plan.profile->DataControllerType());
    if (type != profileType) {
        unit.result = EResult::TypeMismatch;
        unit.problems << CWriteFlow::TypeMismatchText(profileType, type);
        return unit;
    }
    if (plan.readIdentity)
        unit.identity = CControllerInfo(link, *plan.tags).ReadUnitIdentity(type);

    std::vector<std::uint16_t> write;
    if (!Select(link, type, plan, progress, unit, write)) {
        unit.result = EResult::Failed;
        return unit;
    }
    Write(link, type, plan, write, progress, unit);
    return unit;
}

std::vector<CFleetApply::SUnit>
CFleetApply::ProgramPorts(const QStringList& devices, const SPlan& plan,
                          const std::function<Progress(const QString&)>& progress,
                          const std::function<void(const SUnit&)>& finished)
{
    std::vector<SUnit> units(std::size_t(devices.size()));
    std::vector<std::unique_ptr<QThread>> threads;
    for (qsizetype i = 0; i < devices.size(); ++i) {
        // The link and the journal are made, used and destroyed on the unit's own thread;
        // a QThread gives the serial port the event dispatcher it expects there.
        threads.emplace_back(QThread::create([&, i] {
            const QString& device = devices[i];
            SUnit& unit = units[std::size_t(i)];
            unit = ProgramPort(device, plan, progress ? progress(device) : Progress());
            if (finished)
                finished(unit);
        }));
        threads.back()->start();
    }
    for (const auto& thread : threads)
        thread->wait();
    return units;
}
