#pragma once

#include "ops/tools/CCommTest.h"

#include <QDialog>

#include <optional>

class CTavrinDoc;
class CTransferSession;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

// "Testing communications": the ranges of a communication test, its progress, the good and
// bad counts and the frames of every bad packet. The exchanges and texts come from
// CCommTest; this class only shows them.
//
// A run is a transfer (CTransferSession): the main window takes no commands and the status
// poll is stopped. The dialog is application modal, so while it pumps events between
// exchanges only its own controls take input. Escape or the close button during a run stop
// it, and the dialog closes once the last exchange has ended. Stop keeps the counters and
// the list as they are.
//
// The ranges the user last ran belong to the dialog's owner, which keeps them for the
// session: the dialog offers them when it opens and stores the ranges of each run there.
//
// The controls carry object names for tests: extensionFrom, extensionTo, tagFrom, tagTo,
// valueFrom, valueTo; extension, tag, value, good, bad, request, timeLeft, progress;
// badList, clearList, startStop, quit.
class CCommTestDlg : public QDialog, private ICommTestObserver
{
    Q_OBJECT

public:
    // `lastRanges` must outlive the dialog.
    CCommTestDlg(CTavrinDoc& doc, SCommTestRanges& lastRanges, QWidget* parent = nullptr);
    ~CCommTestDlg() override;

    // Shows the dialog modally, without a parent window (Tools, Communication Test).
    static void Run(CTavrinDoc& doc, SCommTestRanges& lastRanges);

    bool Running() const { return m_running; }

public slots:
    void OnStartStop();
    void OnClearList();
    void done(int result) override;

private:
    void Start();
    void Stop();
    void ShowLabels();
    // Every range edit holds a number its field can carry.
    bool RangesAcceptable() const;
    void UpdateStart();

    // ICommTestObserver
    void ShowState(const CCommTest& test) override;
    void AddBadPacket(const QString& txLine, const QString& rxLine) override;
    bool Pump() override;

    CTavrinDoc& m_doc;
    SCommTestRanges& m_lastRanges;
    CCommTest m_test;
    bool m_running = false;
    CTransferSession* m_session = nullptr; // while a run lasts
    std::optional<int> m_closeAfterRun;

    QLineEdit* m_extensionFrom = nullptr;
    QLineEdit* m_extensionTo = nullptr;
    QLineEdit* m_tagFrom = nullptr;
    QLineEdit* m_tagTo = nullptr;
    QLineEdit* m_valueFrom = nullptr;
    QLineEdit* m_valueTo = nullptr;
    QLabel* m_extension = nullptr;
    QLabel* m_tag = nullptr;
    QLabel* m_value = nullptr;
    QLabel* m_good = nullptr;
    QLabel* m_bad = nullptr;
    QLabel* m_request = nullptr;
    QLabel* m_timeLeft = nullptr;
    QProgressBar* m_progress = nullptr;
    QListWidget* m_badList = nullptr;
    QPushButton* m_startStop = nullptr;
    QPushButton* m_quit = nullptr;
};
