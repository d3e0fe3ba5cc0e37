// Read from controller against the simulated type-10 controller at wire speed.
//
//   BM_ReadType10WireSpeed  the whole read of the bundled type-10 parameter set (identify,
//                           then 7 exchanges a tag) with 19200 baud 8E2 pacing, twice in each
//                           iteration: first straight on the line, then behind a USB serial
//                           adapter whose latency timer holds every reply up to 16 ms (an
//                           FTDI adapter's default). wire_ratio and wire_ratio_16 are each
//                           read's time over the wire limit of tags x 7 exchanges x 20
//                           characters x 12 bits / 19200 baud (target: wire_ratio at most
//                           1.05); adapter_16_over_0 is the time behind the adapter over the
//                           time without it, what the adapter costs a read (a pseudo-terminal
//                           cannot take the low-latency request, so this shows the loss the
//                           request removes on a real adapter)
//
// Run: bench/read_bench (from the build folder)
#include "bench/BenchRig.h"
#include "ops/params/CReadFlow.h"

#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

void BM_ReadType10WireSpeed(benchmark::State& state)
{
    SDocRig<> rig;
    CTavrinDoc& doc = rig.doc;
    if (!LoadBundledTags(doc.Tags(), state) || !rig.StartType10(true, state))
        return;

    int parameters = 0;
    std::int64_t incomplete = 0;
    // The read's time in seconds with the adapter's latency timer at `latencyMs`.
    const auto timedRead = [&](int latencyMs) {
        CSimFaults faults = rig.sim.Faults();
        faults.adapterLatencyMs = latencyMs;
        rig.sim.SetFaults(faults);
        QElapsedTimer timer;
        timer.start();
        const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);
        const double seconds = timer.nsecsElapsed() / 1e9;
        doc.SetModified(false); // no save question on the next round
        parameters = outcome.parametersRead;
        incomplete += outcome.Complete() ? 0 : 1;
        rig.sim.ClearRequests();
        return seconds;
    };
    double seconds0 = 0;
    double seconds16 = 0;
    for (auto _ : state) {
        seconds0 += timedRead(0);
        seconds16 += timedRead(16);
    }
    const double wireLimit = parameters * 7 * 20 * 12 / 19200.0;
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["parameters"] = parameters;
    state.counters["wire_ratio"] = seconds0 / iterations / wireLimit;
    state.counters["wire_ratio_16"] = seconds16 / iterations / wireLimit;
    state.counters["adapter_16_over_0"] = seconds16 / seconds0;
    state.counters["incomplete"] = static_cast<double>(incomplete);
}
BENCHMARK(BM_ReadType10WireSpeed)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
