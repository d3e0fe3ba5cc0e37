#pragma once

#include "link/CPortEntry.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class IUserPrompt;
class QListWidgetItem;
namespace Ui {
class CSelectComPortDlg;
}

// "Select COM Port": lists the serial ports by their friendly names and stores the one the
// user picks in the settings.
//
// Run it modally; exec() gives QDialog::Accepted for OK and Rejected for Cancel or Escape.
// On OK with a line selected, the line's friendly name is written to `section`/`nameKey` and,
// when that write succeeded, the port's device path to `section`/`deviceKey`; Choice() says
// what was stored. OK without a selection closes the dialog and stores nothing; Cancel never
// stores anything.
//
// The list is sorted alphabetically (ignoring case), and a line is matched back to its port
// by its text. The line preselected is the first that begins with the stored `nameKey` value
// (ignoring case), else the first line. The enumeration method follows the "StandardEnum"
// setting; an enumeration that failed is tried once more when the dialog is first shown, and
// a failure only leaves the list empty.
class CSelectComPortDlg : public QDialog
{
    Q_OBJECT

public:
    // Fills `list` by the standard (true) or basic (false) method; false when it failed.
    using FEnumerate = std::function<bool(CPortList& list, QString& errorText, bool standard)>;

    // What OK stored. `stored` is true only when both values were written.
    struct SChoice
    {
        bool stored = false;
        QString friendlyName;
        QString devicePath;
    };

    // `prompt` shows the double-click message (a message box over this dialog when null;
    // not owned). `enumerate` replaces the system enumeration (tests); empty: the real one.
    CSelectComPortDlg(const QString& section, const QString& nameKey, const QString& deviceKey,
                      QWidget* parent = nullptr, IUserPrompt* prompt = nullptr,
                      FEnumerate enumerate = {});
    ~CSelectComPortDlg() override;

    const SChoice& Choice() const { return m_choice; }
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
    QString m_section;
    QString m_nameKey;
    QString m_deviceKey;
    IUserPrompt* m_prompt;
    std::unique_ptr<IUserPrompt> m_ownPrompt;
    FEnumerate m_enumerate;
    CPortList m_ports;
    bool m_enumerated = false;
    bool m_shown = false;
    SChoice m_choice;
};
