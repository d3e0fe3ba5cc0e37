// Programming controllers from the command line, against simulated type-10 controllers at
// wire speed (19200 baud 8E2 pacing), through the flows tavrin-cli's write and apply run.
//
//   BM_WriteChangedOnlyType10  the bundled type-10 parameter set with 3 records differing:
//                              a write of only those (after a value read of every record)
//                              over a full write of every record; counter changed_ratio
//                              (target: at most 0.19). The wire sets a floor of about 0.18:
//                              the value read of every record is 97 x 12.5 ms, each record
//                              written 87.5 ms (read, write, 50 ms settle, read-back), so
//                              (97 x 12.5 + 3 x 87.5) / (97 x 87.5) = 0.174 before identify
//   BM_ApplyFourControllers    apply to 4 controllers at once (one thread a port: identify,
//                              read versions and checksum for the report, back up, write
//                              and confirm every record) over one full write of the same
//                              profile to one controller; counter one_write_ratio (target:
//                              at most 1.15)
//
// Run: bench/fleet_bench (from the build folder)
#include "bench/BenchRig.h"
#include "data/CParameterSet.h"
#include "ops/params/CFleetApply.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <array>
#include <map>
#include <memory>

namespace {

constexpr EControllerType kType = EControllerType::TarnPlus;

// A simulated type-10 controller at wire speed.
bool StartType10(CControllerSim& sim, const CTagFile& tags, benchmark::State& state)
{
    SetType10Model(sim, tags);
    return StartSim(sim, true, state);
}

// The controller's parameter set as a profile, with `changed` writable records one higher.
void ProfileOf(CControllerSim& sim, const CTagFile& tags, int changed, CParameterSet& set,
               std::vector<std::uint16_t>& changedTags)
{
    set.SetDataControllerType(ControllerTypeNumber(kType));
    set.SetEmpty(false);
    sim.WithModel([&](CSimModel& m) {
        for (const auto& tag : tags.Tags()) {
            const CSimTag* t = tag->AppliesToType(kType) ? m.Tag(tag->tag) : nullptr;
            if (!t || t->fixed || set.FindParameter(tag->tag))
                continue;
            auto record = std::make_unique<CParameter>();
            record->tagNumber = tag->tag;
            record->value = t->value;
            const bool writable = !(t->flags & LinkProtocol::kStatusReadOnly) && t->step == 1 &&
                                  t->value + 1 <= t->maximum;
            if (writable && int(changedTags.size()) < changed) {
                ++record->value;
                changedTags.push_back(tag->tag);
            }
            set.Append(std::move(record));
        }
    });
}

struct SRig
{
    QTemporaryDir dataHome; // backups and the change log of the journal
    CTagFile tags;

    bool Load(benchmark::State& state)
    {
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
        return LoadBundledTags(tags, state);
    }
};

double Seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

void BM_WriteChangedOnlyType10(benchmark::State& state)
{
    SRig rig;
    CControllerSim sim;
    if (!rig.Load(state) || !StartType10(sim, rig.tags, state))
        return;
    std::vector<std::uint16_t> changed;
    CParameterSet profile;
    ProfileOf(sim, rig.tags, 3, profile, changed);
    std::map<std::uint16_t, std::uint16_t> original;
    sim.WithModel([&](CSimModel& m) {
        for (const std::uint16_t tag : changed)
            original[tag] = m.Tag(tag)->value;
    });

    CFleetApply::SPlan plan;
    plan.profile = &profile;
    plan.tags = &rig.tags;
    double fullSeconds = 0;
    double changedSeconds = 0;
    int written = 0;
    for (auto _ : state) {
        plan.changedOnly = false;
        QElapsedTimer timer;
        timer.start();
        const CFleetApply::SUnit full = CFleetApply::ProgramPort(sim.SlavePath(), plan, {});
        fullSeconds += Seconds(timer);

        // The controller back to its own values, 3 of them differing from the profile.
        sim.WithModel([&](CSimModel& m) {
            for (const auto& [tag, value] : original) {
                CSimTag t = *m.Tag(tag);
                t.value = value;
                m.SetTag(tag, t);
            }
        });
        plan.changedOnly = true;
        timer.restart();
        const CFleetApply::SUnit part = CFleetApply::ProgramPort(sim.SlavePath(), plan, {});
        changedSeconds += Seconds(timer);
        if (full.result != CFleetApply::EResult::Ok || part.result != CFleetApply::EResult::Ok) {
            state.SkipWithError("a write failed");
            return;
        }
        written = part.confirmed;
    }
    state.counters["records"] = profile.RecordCount();
    state.counters["written"] = written;
    state.counters["full_s"] = fullSeconds / double(state.iterations());
    state.counters["changed_s"] = changedSeconds / double(state.iterations());
    state.counters["changed_ratio"] = changedSeconds / fullSeconds;
}
BENCHMARK(BM_WriteChangedOnlyType10)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ApplyFourControllers(benchmark::State& state)
{
    SRig rig;
    std::array<CControllerSim, 4> sims;
    if (!rig.Load(state))
        return;
    for (CControllerSim& sim : sims) {
        if (!StartType10(sim, rig.tags, state))
            return;
    }
    std::vector<std::uint16_t> changed;
    CParameterSet profile;
    ProfileOf(sims[0], rig.tags, 3, profile, changed);
    QStringList devices;
    for (const CControllerSim& sim : sims)
        devices << sim.SlavePath();

    CFleetApply::SPlan plan;
    plan.profile = &profile;
    plan.tags = &rig.tags;
    double oneSeconds = 0;
    double applySeconds = 0;
    for (auto _ : state) {
        plan.readIdentity = false;
        QElapsedTimer timer;
        timer.start();
        const CFleetApply::SUnit one = CFleetApply::ProgramPort(devices[0], plan, {});
        oneSeconds += Seconds(timer);

        plan.readIdentity = true;
        timer.restart();
        const std::vector<CFleetApply::SUnit> units =
            CFleetApply::ProgramPorts(devices, plan, {}, {});
        applySeconds += Seconds(timer);
        bool allOk = one.result == CFleetApply::EResult::Ok;
        for (const CFleetApply::SUnit& unit : units)
            allOk = allOk && unit.result == CFleetApply::EResult::Ok;
        if (!allOk) {
            state.SkipWithError("a port was not ok");
            return;
        }
    }
    state.counters["records"] = profile.RecordCount();
    state.counters["one_write_s"] = oneSeconds / double(state.iterations());
    state.counters["apply4_s"] = applySeconds / double(state.iterations());
    state.counters["one_write_ratio"] = applySeconds / oneSeconds;
}
BENCHMARK(BM_ApplyFourControllers)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
