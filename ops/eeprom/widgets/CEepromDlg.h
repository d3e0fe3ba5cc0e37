#pragma once

#include "data/CEepromImage.h"
#include "doc/CTransferSession.h"
#include "link/EControllerType.h"

#include <QDialog>
#include <QTimer>

#include <optional>

class CTavrinDoc;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// The EEPROM utilities (dialog 165): reads a controller's EEPROM into an image, lists it,
// saves it as a binary image or a text dump, loads a binary image and writes an image back
// into a controller of the same type. Transfers, files and texts come from CEepromTransfer
// and CEepromFile; this class only shows them.
//
// The status poll stays stopped while the dialog is open. An 800 ms timer identifies the
// controller and, when the type, the link or the image's emptiness changed, updates the
// controller name and the enabling of Get, Send and Save. While a Get or Send runs the timer
// pauses and the dialog's buttons are disabled; closing the dialog then waits for the end
// (a Get is asked to stop at its next byte, a Send runs to its end).
//
// Control ids (objectName "id<number>"): dialog 165, list 1090, Get 1093, Send 1094,
// Save 1095, Open 1096, controller type 1097, image's type ("From:") 1098, file name
// ("Name:") 1099, "as &binary" 1114, "Number bytes" 1122, Close 2.
class CEepromDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDialogId = 165;
    static constexpr int kListId = 1090;
    static constexpr int kGetId = 1093;
    static constexpr int kSendId = 1094;
    static constexpr int kSaveId = 1095;
    static constexpr int kOpenId = 1096;
    static constexpr int kTypeId = 1097;
    static constexpr int kFromId = 1098;
    static constexpr int kNameId = 1099;
    static constexpr int kBinaryId = 1114;
    static constexpr int kBytesId = 1122;
    static constexpr int kCloseId = 2;
    static constexpr int kTimerIntervalMs = 800;

    explicit CEepromDlg(CTavrinDoc& doc, QWidget* parent = nullptr);
    ~CEepromDlg() override;

    // Shows the dialog modal to `parent` (the menu's "&EEPROM tools").
    static int Run(CTavrinDoc& doc, QWidget* parent = nullptr);

    const CEepromImage& Image() const { return m_image; }
    bool TimerActive() const { return m_timer.isActive(); }

public slots:
    // One 800 ms tick: identify, and follow the state when it changed.
    void OnTimer();
    void OnGet();
    void OnSend();
    void OnSave();
    void OnOpen();
    void done(int result) override;

private:
    class CRunGuard;

    void ShowImage();
    void ApplyState();
    void SetButtonsEnabled(bool enabled);

    CTavrinDoc& m_doc;
    std::optional<CStatusPollPause> m_pollPause;
    CEepromImage m_image;
    QTimer m_timer;
    // The state the timer last observed.
    EControllerType m_lastType = EControllerType::None;
    bool m_linked = false;
    bool m_empty = true;
    // A Get or Send is running; a close asked for meanwhile waits for its end.
    bool m_running = false;
    std::optional<int> m_closeAfterRun;

    QListWidget* m_list = nullptr;
    QPushButton* m_get = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_open = nullptr;
    QPushButton* m_close = nullptr;
    QCheckBox* m_binary = nullptr;
    QComboBox* m_bytes = nullptr;
    QLabel* m_type = nullptr;
    QLabel* m_from = nullptr;
    QLabel* m_name = nullptr;
};
