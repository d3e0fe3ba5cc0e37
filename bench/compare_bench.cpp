// Compare with the controller against the simulated type-10 controller at wire speed.
//
//   BM_CompareType10WireSpeed  each round reads the bundled type-10 parameter set (identify,
//                              then 7 exchanges a tag), then compares that set with the
//                              controller (one value read a record); counter read_ratio is the
//                              comparison's time over the read's (target: at most 0.16, one
//                              exchange of seven)
//
// Run: bench/compare_bench (from the build folder)
#include "bench/BenchRig.h"
#include "ops/params/CCompareFlow.h"
#include "ops/params/CReadFlow.h"

#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

void BM_CompareType10WireSpeed(benchmark::State& state)
{
    SDocRig<> rig;
    CTavrinDoc& doc = rig.doc;
    if (!LoadBundledTags(doc.Tags(), state) || !rig.StartType10(true, state))
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
            rig.link, doc.Tags(), doc.ConnectedType(), doc.Parameters(), nullptr);
        compareSeconds += timer.nsecsElapsed() / 1e9;
        rows = compared.rows.size();
        notSame += CCompareFlow::AnyDifference(compared.rows) ? 1 : 0;
        rig.sim.ClearRequests();
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["not_same"] = static_cast<double>(notSame);
    state.counters["read_s"] = readSeconds / static_cast<double>(state.iterations());
    state.counters["compare_s"] = compareSeconds / static_cast<double>(state.iterations());
    state.counters["read_ratio"] = compareSeconds / readSeconds;
}
BENCHMARK(BM_CompareType10WireSpeed)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
