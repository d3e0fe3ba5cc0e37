// Link throughput against the simulated controller over a real pseudo-terminal.
//
//   BM_ExchangesFullSpeed   exchanges a second with the simulator answering at once
//                           (target: at least 10,000; items_per_second)
//   BM_WireSpeed200         200 exchanges with 19200 baud 8E2 pacing, divided by the wire
//                           limit of 200 x 20 characters x 12 bits / 19200 baud = 2.5 s
//                           (target: wire_ratio at most 1.05)
#include "bench/BenchRig.h"
#include "link/CControllerLink.h"
#include "sim/CControllerSim.h"

#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

void BM_ExchangesFullSpeed(benchmark::State& state)
{
    CControllerSim sim;
    CControllerLink link;
    if (!StartLinkOnSim(sim, link, false, state))
        return;
    std::int64_t failed = 0;
    std::uint16_t tag = 0x1000;
    for (auto _ : state) {
        CLinkPacket packet;
        packet.SetRequest(tag, 0);
        if (!link.Transact(packet, 2))
            ++failed;
        tag = tag == 0x1004 ? 0x1000 : static_cast<std::uint16_t>(tag + 1);
        // The simulator records every request; keep that from growing without bound.
        if ((state.iterations() & 0xFFF) == 0)
            sim.ClearRequests();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(BM_ExchangesFullSpeed)->MinTime(2.0)->UseRealTime();

void BM_WireSpeed200(benchmark::State& state)
{
    CControllerSim sim;
    CControllerLink link;
    if (!StartLinkOnSim(sim, link, true, state))
        return;
    constexpr int kExchanges = 200;
    constexpr double kWireLimitSeconds = kExchanges * 20 * 12 / 19200.0; // 2.5 s
    double ratioSum = 0;
    std::int64_t failed = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kExchanges; ++i) {
            CLinkPacket packet;
            packet.SetRequest(static_cast<std::uint16_t>(0x1000 + i % 5), 0);
            if (!link.Transact(packet, 2))
                ++failed;
        }
        ratioSum += (timer.nsecsElapsed() / 1e9) / kWireLimitSeconds;
        sim.ClearRequests();
    }
    state.counters["wire_ratio"] = ratioSum / static_cast<double>(state.iterations());
    state.counters["failed"] = static_cast<double>(failed);
}
BENCHMARK(BM_WireSpeed200)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
