#pragma once

#include "link/CPortEntry.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class IUserPrompt;
class QListWidgetItem;
namespace Ui {
class CSelectComPortDlg;
}

// "Select COM Port": lists the serial ports by their friendly names and hands back the one
// the user picks. It stores nothing: its caller keeps the choice (CAppSettings::SetChosenPort).
//
// Run it modally; exec() gives QDialog::Accepted for OK and Rejected for Cancel or Escape.
// On OK with a line selected, Choice() is the port of that line; OK without a selection and
// Cancel leave it empty.
//
// The list is sorted alphabetically (ignoring case), and a line is matched back to its port
// by its text. The line preselected is the first that begins with `storedName` (ignoring
// case), else the first line. `standard` picks the enumeration method (the "Standard COM
// Enumeration" command's setting); an enumeration that failed is tried once more when the
// dialog is first shown, and a failure only leaves the list empty.
class CSelectComPortDlg : public QDialog
{
    Q_OBJECT

public:
    // Fills `list` by the standard (true) or basic (false) method; false when it failed.
    using FEnumerate = std::function<bool(CPortList& list, QString& errorText, bool standard)>;

    // `prompt` shows the double-click message (a message box over this dialog when null;
    // not owned). `enumerate` replaces the system enumeration (tests); empty: the real one.
    CSelectComPortDlg(const QString& storedName, bool standard, QWidget* parent = nullptr,
                      IUserPrompt* prompt = nullptr, FEnumerate enumerate = {});
    ~CSelectComPortDlg() override;

    // The port chosen with OK; empty after Cancel or an OK without a selection.
    const std::optional<CPortEntry>& Choice() const { return m_choice; }
    // The ports found, in the order found (not the list's order).
    const CPortList& Ports() const { return m_ports; }
    bool EnumerationSucceeded() const { return m_enumerated; }

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Enumerate();
    void FillList();
    void ShowLine(QListWidgetItem* item);

    std::unique_ptr<Ui::CSelectComPortDlg> m_ui;
    QString m_storedName;
    bool m_standard;
    IUserPrompt* m_prompt;
    std::unique_ptr<IUserPrompt> m_ownPrompt;
    FEnumerate m_enumerate;
    CPortList m_ports;
    bool m_enumerated = false;
    bool m_shown = false;
    std::optional<CPortEntry> m_choice;
};
