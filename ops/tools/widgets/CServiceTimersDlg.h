#pragma once

#include "ops/tools/CServiceTimers.h"

#include <QDialog>
#include <QTimer>

#include <array>

class CTavrinDoc;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The service timers window (dialog 144): up to three hour counters with a Clear button
// each, a message for a missing or unsupported controller, and the programmable times of
// the controllers that offer them. A 1000 ms timer refreshes it; closing stops the timer.
// The exchanges and texts come from CServiceTimers; this class only shows them. A Clear asks
// first (No is the default) and sends nothing when answered No.
//
// Control ids (objectName "id<number>"): dialog 144; per line the value label 1036..1038,
// Clear button 1039..1041 and group box 1042..1044; message 1045; programmable group 1046
// with the edits Service 1064, Total On 1063 and Brush 1247, their labels 1244..1246 in
// that order, the Program button 1052 and the hint 1248; OK 1.
class CServiceTimersDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDialogId = 144;
    static constexpr int kValueIds[CServiceTimers::kLineCount] = {1036, 1037, 1038};
    static constexpr int kClearIds[CServiceTimers::kLineCount] = {1039, 1040, 1041};
    static constexpr int kGroupIds[CServiceTimers::kLineCount] = {1042, 1043, 1044};
    static constexpr int kMessageId = 1045;
    static constexpr int kProgrammableGroupId = 1046;
    static constexpr int kTotalOnId = 1063;
    static constexpr int kServiceId = 1064;
    static constexpr int kBrushId = 1247;
    static constexpr int kServiceLabelId = 1244;
    static constexpr int kTotalOnLabelId = 1245;
    static constexpr int kBrushLabelId = 1246;
    static constexpr int kProgramId = 1052;
    static constexpr int kHintId = 1248;
    static constexpr int kOkId = 1;

    explicit CServiceTimersDlg(CTavrinDoc& doc, QWidget* parent = nullptr);
    ~CServiceTimersDlg() override;

    CServiceTimers& Timers() { return m_timers; }
    bool TimerActive() const { return m_timer.isActive(); }

public slots:
    // One 1000 ms tick: refresh the counters and the programmable times.
    void OnTimer();
    void OnClear(int line);
    void OnProgram();
    void done(int result) override;

private:
    void Show(const CServiceTimers::SChanges& changes);
    void ShowProgrammable(bool shown);
    void UpdateHint();
    CServiceTimers::SEntries Entries() const;

    CServiceTimers m_timers;
    QTimer m_timer;
    std::array<QGroupBox*, CServiceTimers::kLineCount> m_groups{};
    std::array<QLabel*, CServiceTimers::kLineCount> m_values{};
    std::array<QPushButton*, CServiceTimers::kLineCount> m_clears{};
    QLabel* m_message = nullptr;
    QGroupBox* m_programmable = nullptr;
    QLineEdit* m_totalOn = nullptr;
    QLineEdit* m_service = nullptr;
    QLineEdit* m_brush = nullptr;
    QPushButton* m_program = nullptr;
    QLabel* m_hint = nullptr;
    // Set while a button's exchanges and messages run, so that a tick arriving during a
    // message box does not start a refresh in the middle of them.
    bool m_busy = false;
};
