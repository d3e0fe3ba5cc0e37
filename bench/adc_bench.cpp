// ADC refresh against the simulated controller at wire speed.
//
//   BM_AdcRefreshTick8WireSpeed  One refresh tick of the 8 open channels of a type-15
//                                controller (CAdcChannels::RefreshWindows), with 19200 baud
//                                8E2 pacing, against 8 plain live-value exchanges
//                                (CControllerLink::ReadWord) of the same tags on the same link:
//                                exchange_ratio = tick / 8 exchanges (target: at most 1.05);
//                                floor_ratio = tick / 8 x 12.5 ms (20 characters of 12 bits)
//
// Run: bench/adc_bench (from the build folder); a few seconds.
#include "bench/BenchRig.h"
#include "data/CADCChannel.h"
#include "link/CControllerLink.h"
#include "link/LinkProtocol.h"
#include "ops/adc/CAdcChannels.h"
#include "sim/CControllerSim.h"

#include <QElapsedTimer>
#include <QFile>
#include <benchmark/benchmark.h>

namespace {

// A window that only counts the readings that came with a value.
class CCountingWindow : public IAdcWindow
{
public:
    explicit CCountingWindow(std::int64_t& values) : m_values(values) {}
    void ShowReading(const SAdcReading& reading) override
    {
        m_values += reading.state == SAdcReading::EState::Value ? 1 : 0;
    }

private:
    std::int64_t& m_values;
};

void BM_AdcRefreshTick8WireSpeed(benchmark::State& state)
{
    constexpr int kChannels = 8;
    constexpr double kFloorSeconds = kChannels * 20 * 12 / 19200.0;

    QFile file(QStringLiteral(TAVRIN_BUNDLED_ADC_FILE));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("cannot read the bundled ADC channel file");
        return;
    }
    CAdcChannels channels;
    channels.SetChannels(CADCChannel::ReadFile(&file));
    channels.RebuildWindowSet(EControllerType::Q25Q30);
    if (channels.WindowSetSize() != kChannels) {
        state.SkipWithError("the bundled file does not offer type 15 eight channels");
        return;
    }
    std::int64_t values = 0;
    for (int i = 0; i < kChannels; ++i)
        channels.Open(i, std::make_unique<CCountingWindow>(values));

    CSimModel model;
    model.SetIdentity(EControllerType::Q25Q30);
    CControllerSim sim(std::move(model));
    CControllerLink link;
    if (!StartLinkOnSim(sim, link, true, state))
        return;

    double tickSeconds = 0;
    double exchangeSeconds = 0;
    std::int64_t unanswered = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kChannels; ++i) {
            std::uint16_t word = 0;
            unanswered +=
                link.ReadWord(channels.Entry(i).tag, LinkProtocol::kExtAdcValue, word) ? 0 : 1;
        }
        exchangeSeconds += timer.nsecsElapsed() / 1e9;
        timer.restart();
        channels.RefreshWindows(link);
        tickSeconds += timer.nsecsElapsed() / 1e9;
        sim.ClearRequests();
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["exchange_ratio"] = tickSeconds / exchangeSeconds;
    state.counters["floor_ratio"] = tickSeconds / iterations / kFloorSeconds;
    state.counters["tick_ms"] = tickSeconds / iterations * 1000;
    state.counters["unanswered_exchanges"] = static_cast<double>(unanswered);
    state.counters["readings_without_value"] = iterations * kChannels - static_cast<double>(values);
}
BENCHMARK(BM_AdcRefreshTick8WireSpeed)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
