#pragma once

#include "data/CEepromImage.h"
#include "link/EControllerType.h"

#include <QDialog>

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
// The controller name and the enabling of Get, Send and Save follow the document's
// controller state (its status poll, CTavrinDoc::ControllerStateChanged) and the image: the
// dialog sends nothing of its own to find the controller. While a Get or Send runs the
// dialog's buttons are disabled and the state changes the transfer makes are not shown;
// closing the dialog then waits for the end (a Get is asked to stop at its next byte, a Send
// runs to its end).
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

    explicit CEepromDlg(CTavrinDoc& doc, QWidget* parent = nullptr);
    ~CEepromDlg() override;

    // Shows the dialog modal to `parent` (the menu's "&EEPROM tools").
    static int Run(CTavrinDoc& doc, QWidget* parent = nullptr);

    const CEepromImage& Image() const { return m_image; }

public slots:
    void OnGet();
    void OnSend();
    void OnSave();
    void OnOpen();
    void done(int result) override;

private:
    class CRunGuard;

    void ShowImage();
    // The controller the document last identified; None while no controller answers.
    EControllerType ControllerType() const;
    // Shows the controller's name and enables the buttons for the state; nothing while a Get
    // or Send runs (the guard applies the state at its end).
    void ApplyState();
    void SetButtonsEnabled(bool enabled);

    CTavrinDoc& m_doc;
    CEepromImage m_image;
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
