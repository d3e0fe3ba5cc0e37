#pragma once

#include "ui/CTimeLeft.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of a transfer the user may cancel (reading from a controller): a
// progress bar, its count line beneath and a "Cancel" button. It is modeless and runs on the UI
// thread beside the transfer, which calls PumpMessages() after every step to let a Cancel click
// through.
//
// The cancel flag starts false and, once set by the button, stays set: the window never
// resets it and never closes itself. Escape and the close box count as Cancel too. The
// flow that created the window destroys it when the transfer ends.
class CCancelProgressDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CCancelProgressDlg(QWidget* parent = nullptr);

    // Shows the window modeless, centred on its screen. No title until the flow sets one.
    void Create();

    // Bar range; each end is an unsigned 16-bit value (clamped to 0..65535), since the
    // upper end is a tag count.
    void SetRange(int low, int high);
    // Moves the bar; a position outside the range is pulled to its nearest end.
    void SetPosition(int position);
    // Handles every event waiting (paints, a Cancel click, keys) and returns the cancel flag.
    bool PumpMessages();

    bool Cancelled() const { return m_cancelled; }
    QProgressBar* ProgressBar() const { return m_bar; }
    // The line under the bar: "34 of 95 · about 12 s left" (see CTimeLeft).
    QLabel* CountLabel() const { return m_count; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnCancel();

    QProgressBar* m_bar;
    QLabel* m_count;
    CTimeLeft m_timeLeft;
    QPushButton* m_cancel;
    bool m_cancelled = false;
};
