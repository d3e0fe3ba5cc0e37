#pragma once

#include "ops/adc/CAdcChannels.h"
#include "ops/adc/CAdcSampleLog.h"

#include <QElapsedTimer>
#include <QWidget>

#include <vector>

class IUserPrompt;
class QChart;
class QChartView;
class QComboBox;
class QLineSeries;
class QPushButton;
class QValueAxis;

// "ADC Chart": every open ADC channel plotted against time over the last 1, 5 or 15
// minutes, with the latest reading of each in the legend ("Name: value"). It records the
// readings CAdcChannels::Sampled reports after each refresh of the ADC windows, so it adds
// no exchanges of its own. Pause freezes the plot while recording goes on; "Export CSV…"
// saves everything recorded since the window opened (see CAdcSampleLog::CsvText).
//
// A top-level window that deletes itself when closed; the recording goes with it.
class CAdcChartWnd : public QWidget
{
    Q_OBJECT

public:
    // The choices of the time window, in minutes; the second is the one it opens with.
    static constexpr int kWindowMinutes[] = {1, 5, 15};
    static constexpr int kDefaultWindowIndex = 1;

    // `channels` and `prompt` must outlive the window.
    CAdcChartWnd(CAdcChannels& channels, IUserPrompt& prompt, QWidget* parent = nullptr);

    // Records one refresh's readings at `seconds` since recording began, then redraws unless
    // paused.
    void Record(double seconds, const QList<CAdcChannels::SSample>& samples);
    // Puts the recorded samples of the chosen window into the series and sets the axes.
    void UpdatePlot();
    void SetWindowMinutes(int minutes);
    void SetPaused(bool paused);
    bool IsPaused() const { return m_paused; }
    // Writes the recording as CSV to `path` through a save file; false, after a message,
    // when that fails.
    bool ExportCsv(const QString& path);

    const CAdcSampleLog& Log() const { return m_log; }
    QChartView* View() const { return m_view; }
    QChart* Chart() const { return m_chart; }

private:
    void OnSampled(const QList<CAdcChannels::SSample>& samples);
    void OnExport();

    IUserPrompt& m_prompt;
    CAdcSampleLog m_log;
    QElapsedTimer m_clock;
    double m_windowSeconds;
    bool m_paused = false;

    QChart* m_chart;
    QChartView* m_view;
    QValueAxis* m_time;
    QValueAxis* m_value;
    std::vector<QLineSeries*> m_series;
    QComboBox* m_windowBox;
    QPushButton* m_pause;
};
