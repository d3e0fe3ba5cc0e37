// Read from controller against the simulated type-10 controller at wire speed.
//
//   BM_ReadType10WireSpeed  the whole read of the bundled type-10 parameter set (identify,
//                           then 7 exchanges a tag) with 19200 baud 8E2 pacing, divided by
//                           the wire limit of tags x 7 exchanges x 20 characters x 12 bits /
//                           19200 baud (target: wire_ratio at most 1.05)
//
// Run: bench/read_bench (from the build folder)
#include "app/CAppSettings.h"
#include "bench/BenchWireRig.h"
#include "data/CTagFile.h"
#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/params/CReadFlow.h"
#include "sim/CControllerSim.h"
#include "sim/CSimTagTable.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Answers nothing and shows nothing: the read needs no question, and a progress window
// would only add its own cost.
class CQuietPrompt : public IUserPrompt
{
public:
    void Message(const QString&, EIcon, const QString&) override { ++messages; }
    EAnswer Question(const QString&, EButtons, EIcon) override { return EAnswer::No; }
    bool ConfirmOverwrite() override { return false; }
    std::unique_ptr<IProgress> BeginProgress(const QString&, EProgressKind) override
    {
        return nullptr;
    }
    QString ChooseOpenFile(const QString&, const QString&) override { return {}; }
    QString ChooseSaveFile(const QString&, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    int messages = 0;
};

void BM_ReadType10WireSpeed(benchmark::State& state)
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    CAppSettings settings;
    CQuietPrompt prompt;
    CControllerSim sim;
    CControllerLink link;
    CTavrinDoc doc(link, settings, prompt);
    if (!doc.Tags().LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok()) {
        state.SkipWithError("cannot load the bundled tag file");
        return;
    }
    sim.WithModel([&](CSimModel& m) {
        m = CSimModel();
        m.SetIdentity(EControllerType::TarnPlus);
        m.SetTripCodes(0, 0);
        SimTagTable::AddParameters(m, doc.Tags(), EControllerType::TarnPlus);
    });
    if (!StartWireSpeedRig(sim, link, state))
        return;

    double ratioSum = 0;
    int parameters = 0;
    std::int64_t incomplete = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);
        const double seconds = timer.nsecsElapsed() / 1e9;
        doc.SetModified(false); // no save question on the next round
        parameters = outcome.parametersRead;
        incomplete += outcome.Complete() ? 0 : 1;
        const double wireLimit = parameters * 7 * 20 * 12 / 19200.0;
        ratioSum += seconds / wireLimit;
        sim.ClearRequests();
    }
    state.counters["parameters"] = parameters;
    state.counters["wire_ratio"] = ratioSum / static_cast<double>(state.iterations());
    state.counters["incomplete"] = static_cast<double>(incomplete);
}
BENCHMARK(BM_ReadType10WireSpeed)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
