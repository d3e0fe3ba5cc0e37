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
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

// "ADC Chart": every open ADC channel plotted against time over the last 1, 5 or 15
// minutes, with the latest reading of each in the legend ("Name: value"). It records the
// readings CAdcChannels::Sampled reports after each refresh of the ADC windows, so it adds
// no exchanges of its own. Pause freezes the plot while recording goes on; "Export CSV…"
// saves everything recorded since the window opened (see CAdcSampleLog::CsvText).
//
// A channel's line breaks where a refresh got no value for it (no reply, or the channel was
// not open then): each run of readings is a series of its own, the later runs drawn in the
// first one's colour and left out of the legend. While no ADC channel is open a note in the
// middle of the chart says how to open one.
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
    // The note shown over the chart while no ADC channel is open.
    QLabel* EmptyNote() const { return m_emptyNote; }

private:
    void OnSampled(const QList<CAdcChannels::SSample>& samples);
    void OnExport();
    // Shows the note while no window of the channels' set is open.
    void UpdateEmptyNote();

    CAdcChannels& m_channels;
    IUserPrompt& m_prompt;
    CAdcSampleLog m_log;
    QElapsedTimer m_clock;
    double m_windowSeconds;
    bool m_paused = false;

    QChart* m_chart;
    QChartView* m_view;
    QValueAxis* m_time;
    QValueAxis* m_value;
    // By column: the series of its runs of readings, the first named in the legend.
    std::vector<std::vector<QLineSeries*>> m_series;
    QLabel* m_emptyNote;
    QComboBox* m_windowBox;
    QPushButton* m_pause;
};
