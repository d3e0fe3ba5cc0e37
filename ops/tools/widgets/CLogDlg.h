#pragma once

#include "ops/tools/CControllerLog.h"

#include <QDialog>
#include <QTimer>

#include <optional>

class CTavrinDoc;
class QListWidget;
class QProgressBar;
class QPushButton;

// The log window (dialog 146): the system or the control log of the connected controller
// in a fixed-pitch list, a progress bar for reads and clears, and "&Refresh", "&Clear" and
// "OK". A 700 ms timer probes the log and re-reads it when its availability changes. All
// exchanges and texts come from CControllerLog; this class only shows them.
//
// However the window closes (OK, Escape, the close box), the status poll starts again and
// the timer stops: a read that lost the controller leaves the poll stopped until then. A
// close during a read or clear waits for its end.
//
// Control ids (objectName "id<number>"): dialog 146, list 1001, progress bar 1002,
// Refresh 1003, Clear 1004, Save 1005, OK 1.
//
// Clear asks first (No is the default) and sends nothing when answered No. "&Save…" writes
// the log as shown to a text file.
class CLogDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDialogId = 146;
    static constexpr int kListId = 1001;
    static constexpr int kProgressId = 1002;
    static constexpr int kRefreshId = 1003;
    static constexpr int kClearId = 1004;
    static constexpr int kSaveId = 1005;
    static constexpr int kOkId = 1;
    static constexpr int kTimerIntervalMs = 700;

    CLogDlg(CTavrinDoc& doc, CControllerLog::EKind kind, QWidget* parent = nullptr);
    ~CLogDlg() override;

    // Shows the log window modally (the menu's "&System log" and "&Control Log").
    static int Run(CTavrinDoc& doc, CControllerLog::EKind kind, QWidget* parent = nullptr);

    CControllerLog& Log() { return m_log; }
    bool TimerActive() const { return m_timer.isActive(); }

public slots:
    // One 700 ms tick: probe, and read and show the log when it changed.
    void OnTimer();
    void OnRefresh();
    void OnClear();
    void OnSave();
    void done(int result) override;

private:
    void ShowLog();
    void UpdateButtons();

    CTavrinDoc& m_doc;
    CControllerLog m_log;
    QTimer m_timer;
    QListWidget* m_list = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_clear = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_ok = nullptr;
    class CBusyGuard;

    bool m_busy = false;
    // A close asked for while busy, carried out when the exchanges are done.
    std::optional<int> m_closeAfterBusy;
};
