// EEPROM read against the simulated controller at wire speed.
//
//   BM_EepromRead1024WireSpeed  Get of 1024 bytes from a type-15 controller (1024-byte EEPROM)
//                               with 19200 baud 8E2 pacing, divided by its floor: per byte one
//                               exchange at wire speed (20 characters x 12 bits / 19200 baud =
//                               12.5 ms) plus the 20 ms pause, 33.28 s in all
//                               (target: floor_ratio at most 1.05)
//
// Run: bench/eeprom_bench (from the build folder); about 35 s.
#include "bench/BenchRig.h"
#include "data/CEepromImage.h"
#include "ops/eeprom/CEepromTransfer.h"

#include <QElapsedTimer>
#include <benchmark/benchmark.h>

namespace {

// Shows nothing: a progress window that only counts its pumps, so that the pause's pumping
// is paid for as it is in the application.
class CCountingPrompt : public CQuietPrompt
{
public:
    class CProgress : public IProgress
    {
    public:
        explicit CProgress(std::int64_t& pumps) : m_pumps(pumps) {}
        void SetRange(int, int) override {}
        void SetPosition(int) override {}
        bool Pump() override
        {
            ++m_pumps;
            return false;
        }

    private:
        std::int64_t& m_pumps;
    };

    std::unique_ptr<IProgress> BeginProgress(const QString&, EProgressKind) override
    {
        return std::make_unique<CProgress>(pumps);
    }
    std::int64_t pumps = 0;
};

void BM_EepromRead1024WireSpeed(benchmark::State& state)
{
    constexpr int kBytes = 1024;
    constexpr double kExchangeSeconds = 20 * 12 / 19200.0;
    constexpr double kFloorSeconds =
        kBytes * (kExchangeSeconds + CEepromTransfer::kBytePauseMs / 1000.0);

    SDocRig<CCountingPrompt> rig;
    rig.sim.WithModel([](CSimModel& m) {
        m = CSimModel();
        m.SetIdentity(EControllerType::Q25Q30);
    });
    if (!rig.Start(true, state))
        return;

    double ratioSum = 0;
    std::int64_t failed = 0;
    for (auto _ : state) {
        CEepromImage image;
        QElapsedTimer timer;
        timer.start();
        const CEepromTransfer::SOutcome outcome = CEepromTransfer(rig.doc).Get(image, kBytes);
        ratioSum += (timer.nsecsElapsed() / 1e9) / kFloorSeconds;
        failed += outcome.result == CEepromTransfer::EResult::Done ? 0 : 1;
        rig.sim.ClearRequests();
    }
    state.counters["floor_ratio"] = ratioSum / static_cast<double>(state.iterations());
    state.counters["failed"] = static_cast<double>(failed);
    state.counters["pumps_per_byte"] =
        static_cast<double>(rig.prompt.pumps) / static_cast<double>(state.iterations() * kBytes);
}
BENCHMARK(BM_EepromRead1024WireSpeed)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
