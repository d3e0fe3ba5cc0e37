#include "ops/adc/widgets/CAdcChartWnd.h"

#include "doc/IUserPrompt.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <limits>

namespace {

// The value axis shows this range while nothing has been recorded.
constexpr double kEmptyLow = 0;
constexpr double kEmptyHigh = 255;

} // namespace

CAdcChartWnd::CAdcChartWnd(CAdcChannels& channels, IUserPrompt& prompt, QWidget* parent)
    : QWidget(parent, Qt::Window), m_channels(channels), m_prompt(prompt),
      m_windowSeconds(kWindowMinutes[kDefaultWindowIndex] * 60.0), m_chart(new QChart),
      m_time(new QValueAxis), m_value(new QValueAxis)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ADC Chart"));

    // Redrawn in full on every refresh: animations would only lag behind the readings.
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_time->setTitleText(tr("Seconds"));
    m_time->setLabelFormat(QStringLiteral("%.0f"));
    m_value->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_value, Qt::AlignLeft);
    m_view = new QChartView(m_chart, this); // takes the chart
    m_view->setRenderHint(QPainter::Antialiasing, false);
    m_emptyNote =
        new QLabel(tr("No ADC channel is open. Choose Tools → ADC View to add one."), this);
    m_emptyNote->setAlignment(Qt::AlignCenter);
    m_emptyNote->setWordWrap(true);
    m_emptyNote->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_windowBox = new QComboBox(this);
    for (int minutes : kWindowMinutes)
        m_windowBox->addItem(minutes == 1 ? tr("1 minute") : tr("%1 minutes").arg(minutes),
                             minutes);
    m_windowBox->setCurrentIndex(kDefaultWindowIndex);
    m_pause = new QPushButton(tr("Pause"), this);
    m_pause->setCheckable(true);
    auto* exportButton = new QPushButton(tr("Export CSV…"), this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(tr("Show the last"), this));
    controls->addWidget(m_windowBox);
    controls->addStretch();
    controls->addWidget(m_pause);
    controls->addWidget(exportButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    // The note lies over the middle of the chart, in the same cell.
    auto* plot = new QGridLayout;
    plot->addWidget(m_view, 0, 0);
    plot->addWidget(m_emptyNote, 0, 0, Qt::AlignCenter);
    layout->addLayout(plot, 1);

    connect(m_windowBox, &QComboBox::activated, this,
            [this](int index) { SetWindowMinutes(m_windowBox->itemData(index).toInt()); });
    connect(m_pause, &QPushButton::toggled, this, &CAdcChartWnd::SetPaused);
    connect(exportButton, &QPushButton::clicked, this, &CAdcChartWnd::OnExport);
    connect(&channels, &CAdcChannels::Sampled, this, &CAdcChartWnd::OnSampled);
    connect(&channels, &CAdcChannels::WindowSetChanged, this, &CAdcChartWnd::UpdateEmptyNote);

    resize(760, 460);
    m_clock.start();
    UpdatePlot();
    UpdateEmptyNote();
}

void CAdcChartWnd::UpdateEmptyNote()
{
    bool anyOpen = false;
    for (int i = 0; i < m_channels.WindowSetSize() && !anyOpen; ++i)
        anyOpen = m_channels.IsOpen(i);
    m_emptyNote->setVisible(!anyOpen);
    m_emptyNote->raise();
}

void CAdcChartWnd::OnSampled(const QList<CAdcChannels::SSample>& samples)
{
    // Every refresh tells which windows are open: the samples are theirs.
    m_emptyNote->setVisible(samples.isEmpty());
    // A refresh with no window open has nothing to plot; an empty row would only add a line
    // of commas to the export.
    if (samples.isEmpty())
        return;
    Record(double(m_clock.elapsed()) / 1000.0, samples);
}

void CAdcChartWnd::Record(double seconds, const QList<CAdcChannels::SSample>& samples)
{
    m_log.Record(seconds, samples);
    if (!m_paused)
        UpdatePlot();
}

void CAdcChartWnd::UpdatePlot()
{
    const std::vector<CAdcSampleLog::SColumn>& columns = m_log.Columns();
    const auto addSeries = [this] {
        auto* series = new QLineSeries(m_chart);
        // Raster drawing: an OpenGL surface buys nothing at a few thousand points and is
        // missing on remote and virtual displays.
        series->setUseOpenGL(false);
        m_chart->addSeries(series);
        series->attachAxis(m_time);
        series->attachAxis(m_value);
        return series;
    };
    while (m_series.size() < columns.size())
        m_series.push_back({addSeries()});

    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (std::size_t i = 0; i < m_series.size(); ++i) {
        const QList<QList<QPointF>> segments = m_log.WindowSegments(int(i), m_windowSeconds);
        std::vector<QLineSeries*>& lines = m_series[i];
        while (lines.size() < std::size_t(segments.size())) {
            // A further run: the channel's colour, no legend entry of its own.
            QLineSeries* more = addSeries();
            more->setColor(lines.front()->color());
            for (QLegendMarker* marker : m_chart->legend()->markers(more))
                marker->setVisible(false);
            lines.push_back(more);
        }
        for (std::size_t run = 0; run < lines.size(); ++run) {
            const QList<QPointF> points =
                run < std::size_t(segments.size()) ? segments[qsizetype(run)] : QList<QPointF>();
            for (const QPointF& point : points) {
                low = std::min(low, point.y());
                high = std::max(high, point.y());
            }
            // One replace per series: appending point by point redraws the chart each time.
            lines[run]->replace(points);
            // A lone reading between two gaps makes no line: it shows as a point.
            lines[run]->setPointsVisible(points.size() == 1);
        }
        lines.front()->setName(m_log.LegendText(int(i)));
    }
    if (low > high) {
        low = kEmptyLow;
        high = kEmptyHigh;
    }
    // A little room above and below, and a flat line still gets a visible range.
    const double margin = std::max(1.0, (high - low) * 0.05);
    // Readings that never go below zero keep zero as the bottom of the axis.
    m_value->setRange(low >= 0 ? std::max(0.0, low - margin) : low - margin, high + margin);
    m_value->applyNiceNumbers(); // round tick values rather than fractions of the data range

    // The time axis spans one whole window, scrolling once the recording is longer.
    const double from = std::max(0.0, m_log.LatestSeconds() - m_windowSeconds);
    m_time->setRange(from, from + m_windowSeconds);
}

void CAdcChartWnd::SetWindowMinutes(int minutes)
{
    m_windowSeconds = minutes * 60.0;
    const int index = m_windowBox->findData(minutes);
    if (index >= 0)
        m_windowBox->setCurrentIndex(index);
    if (!m_paused)
        UpdatePlot();
}

void CAdcChartWnd::SetPaused(bool paused)
{
    m_paused = paused;
    m_pause->setChecked(paused);
    m_pause->setText(paused ? tr("Resume") : tr("Pause"));
    if (!paused)
        UpdatePlot();
}

void CAdcChartWnd::OnExport()
{
    const QString path =
        m_prompt.ChooseSaveFile(tr("Export CSV"), tr("CSV files (*.csv)"), QStringLiteral("csv"),
                                QStringLiteral("adc-channels.csv"));
    if (!path.isEmpty())
        ExportCsv(path);
}

bool CAdcChartWnd::ExportCsv(const QString& path)
{
    QSaveFile file(path);
    const QByteArray text = m_log.CsvText().toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    m_prompt.Message(
        tr("Cannot write %1:\n%2").arg(QDir::toNativeSeparators(path), file.errorString()),
        IUserPrompt::EIcon::Exclamation);
    return false;
}
