// The ADC chart's repaint with 8 channels and 15 minutes of readings, one every 850 ms
// (1,059 points a series): one full render of the chart view to an image (target: 16 ms),
// and the work of one status-poll tick in the shown window: a new row put into the series,
// the chart laid out again and repainted.
//
//   adc_chart_bench [--benchmark_filter=...]     (sets QT_QPA_PLATFORM=offscreen when unset)
#include "ops/adc/CAdcChannels.h"
#include "ops/adc/widgets/CAdcChartWnd.h"
#include "ui/CMessageBoxPrompt.h"

#include <QApplication>
#include <QChartView>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int kChannels = 8;
constexpr double kTickSeconds = 0.85;
constexpr int kTicks = int(15 * 60 / kTickSeconds) + 1; // 1,059

// One tick's readings: each channel a slow wave of its own.
QList<CAdcChannels::SSample> Tick(int tick)
{
    QList<CAdcChannels::SSample> samples;
    for (int c = 0; c < kChannels; ++c) {
        const double phase = tick * 0.05 + c * 0.7;
        const auto value = std::int16_t(100 + c * 40 + std::lround(30 * std::sin(phase)));
        samples.append({c,
                        std::uint16_t(0x180 + c),
                        QStringLiteral("Channel %1").arg(c + 1),
                        {SAdcReading::EState::Value, value}});
    }
    return samples;
}

// A shown chart holding 15 minutes of readings of 8 channels, its window set to 15 minutes.
class CBenchChart
{
public:
    CBenchChart() : m_chart(m_channels, m_prompt)
    {
        m_chart.resize(1000, 600);
        m_chart.SetWindowMinutes(15);
        m_chart.SetPaused(true); // fill without redrawing at every row
        for (m_ticks = 0; m_ticks < kTicks; ++m_ticks)
            m_chart.Record(m_ticks * kTickSeconds, Tick(m_ticks));
        m_chart.SetPaused(false);
        m_chart.show();
        QApplication::processEvents();
    }

    CAdcChartWnd& Chart() { return m_chart; }
    void NextTick()
    {
        m_chart.Record(m_ticks * kTickSeconds, Tick(m_ticks));
        ++m_ticks;
    }

private:
    CAdcChannels m_channels;
    CMessageBoxPrompt m_prompt;
    CAdcChartWnd m_chart;
    int m_ticks = 0;
};

void Render(QWidget& view, QImage& image)
{
    image.fill(Qt::white);
    QPainter painter(&image);
    view.render(&painter);
}

void BM_AdcChartRender(benchmark::State& state)
{
    CBenchChart bench;
    QChartView& view = *bench.Chart().View();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        Render(view, image);
    state.counters["points"] = double(kChannels * kTicks);
}

void BM_AdcChartTick(benchmark::State& state)
{
    CBenchChart bench;
    for (auto _ : state) {
        bench.NextTick(); // records the row and replaces every series' points
        // The shown window lays the chart out again and repaints it from posted events.
        QApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_AdcChartRender)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdcChartTick)->Unit(benchmark::kMillisecond);
