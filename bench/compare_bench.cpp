// Compare with the controller against the simulated type-10 controller at wire speed.
//
//   BM_CompareType10WireSpeed  each round reads the bundled type-10 parameter set (identify,
//                              then 7 exchanges a tag), then compares that set with the
//                              controller (one value read a record); counter read_ratio is the
//                              comparison's time over the read's (target: at most 0.16, one
//                              exchange of seven)
//
// Run: bench/compare_bench (from the build folder)
#include "app/CAppSettings.h"
#include "bench/BenchWireRig.h"
#include "data/CTagFile.h"
#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/params/CCompareFlow.h"
#include "ops/params/CReadFlow.h"
#include "sim/CControllerSim.h"
#include "sim/CSimTagTable.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Answers nothing and shows nothing: neither pass needs a question, and a progress window
// would only add its own cost.
class CQuietPrompt : public IUserPrompt
{
public:
    void Message(const QString&, EIcon, const QString&) override {}
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
};

void BM_CompareType10WireSpeed(benchmark::State& state)
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

    double readSeconds = 0;
    double compareSeconds = 0;
    std::size_t rows = 0;
    std::int64_t notSame = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const CReadFlow::SOutcome read = CReadFlow::Run(doc);
        readSeconds += timer.nsecsElapsed() / 1e9;
        doc.SetModified(false); // no save question on the next round
        if (!read.Complete()) {
            state.SkipWithError("the read was incomplete");
            return;
        }

        timer.restart();
        const CCompareFlow::SControllerRead compared = CCompareFlow::CompareWithController(
            link, doc.Tags(), doc.ConnectedType(), doc.Parameters(), nullptr);
        compareSeconds += timer.nsecsElapsed() / 1e9;
        rows = compared.rows.size();
        notSame += CCompareFlow::AnyDifference(compared.rows) ? 1 : 0;
        sim.ClearRequests();
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["not_same"] = static_cast<double>(notSame);
    state.counters["read_s"] = readSeconds / static_cast<double>(state.iterations());
    state.counters["compare_s"] = compareSeconds / static_cast<double>(state.iterations());
    state.counters["read_ratio"] = compareSeconds / readSeconds;
}
BENCHMARK(BM_CompareType10WireSpeed)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
