#pragma once

#include "ui/CTimeLeft.h"

#include <QDialog>

class QLabel;
class QProgressBar;

// The progress window of a transfer that cannot be cancelled (writing to a controller): a
// progress bar with its count line beneath, and nothing else. Modeless; the flow titles it, drives
// the bar and destroys it when the transfer ends. Escape and the close box are ignored, so it
// cannot vanish while the transfer still runs.
class CProgressDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CProgressDlg(QWidget* parent = nullptr);

    // Shows the window modeless, centred on its screen.
    void Create();
    // As CCancelProgressDlg: each end clamped to 0..65535; positions pulled into the range.
    void SetRange(int low, int high);
    void SetPosition(int position);

    QProgressBar* ProgressBar() const { return m_bar; }
    // The line under the bar: "34 of 95 · about 12 s left" (see CTimeLeft).
    QLabel* CountLabel() const { return m_count; }

    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* m_bar;
    QLabel* m_count;
    CTimeLeft m_timeLeft;
};
