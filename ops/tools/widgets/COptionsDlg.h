#pragma once

#include "link/CPortEntry.h"
#include "ops/tools/COptionsApply.h"

#include <QDialog>
#include <QString>

#include <functional>

class CTavrinDoc;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// "Options" (dialog 134): the serial port, whether it asks for low latency, and the tag file.
//
// Opening it lists the serial ports, closing the link's port meanwhile and reopening it when
// it was open (OptionsApply::EnumerateReleasingPort), by the method of "StandardEnum"; the
// entry named by "PortName" is preselected, else the one on the device "PortDevice". A
// configured port that was not found is added as "<PortName> (not present)" and
// preselected; only without a configured port ("Unassigned", or none) is the first entry
// preselected. A failed enumeration shows the error report with the system's details and
// leaves the port list empty and disabled.
//
// OK stores the chosen listed port ("PortName" and "PortDevice",
// CAppSettings::SetChosenPort), leaves both as they are for the port not present, or says
// "Communications device configuration not saved." when no port is chosen, and
// stores the low-latency check box ("LowLatency") either way; the tag file chosen with
// "Browse" or installed by "C&heck" is handed back by TagFilePath(). Both take effect
// through OptionsApply::Apply. Cancel stores nothing.
class COptionsDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDialogId = 134;
    static constexpr int kPortId = 1007;
    static constexpr int kTagFileId = 1008;
    static constexpr int kBrowseId = 1009;
    static constexpr int kCheckId = 1202;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    static constexpr const char* kTagFileFilter = "Tag Files (*.tag)";
    // The object name of the low-latency check box (it has no resource number).
    static constexpr const char* kLowLatencyName = "lowLatency";

    // Asks for an existing tag file, starting in the folder of `current` with its name
    // preset; empty when the user cancelled.
    using FChooseTagFile = std::function<QString(QWidget* parent, const QString& current)>;
    // The update check: looks for a newer tag file, talks to the user itself, and returns
    // the full path of the file it installed, or empty when it installed none.
    using FCheck = std::function<QString()>;

    // `doc` gives the link, the settings, the prompt and the current tag file; it must
    // outlive the dialog. `enumerate` and `chooseTagFile` replace the system's enumeration
    // and file dialog (tests); empty: the real ones.
    explicit COptionsDlg(CTavrinDoc& doc, QWidget* parent = nullptr,
                         OptionsApply::FEnumerate enumerate = {},
                         FChooseTagFile chooseTagFile = {});
    ~COptionsDlg() override;

    // Wires "C&heck"; the button is disabled while there is no handler.
    void SetCheckHandler(FCheck check);

    // The tag file to use: the document's, or the one chosen since.
    const QString& TagFilePath() const { return m_tagFilePath; }
    // The ports listed, in the order found (empty after a failed enumeration).
    const CPortList& Ports() const { return m_ports; }
    bool EnumerationSucceeded() const { return m_enumerated; }

    // The Options command: the dialog, then, after OK, the new port and tag file put into
    // effect. True for OK.
    static bool Run(CTavrinDoc& doc, QWidget* parent, FCheck check = {});

public slots:
    void accept() override;

private:
    void FillPortList();
    void Browse();
    void Check();
    void SetTagFilePath(const QString& path);

    CTavrinDoc& m_doc;
    OptionsApply::FEnumerate m_enumerate;
    FChooseTagFile m_chooseTagFile;
    FCheck m_check;
    QComboBox* m_port = nullptr;
    QCheckBox* m_lowLatency = nullptr;
    QLineEdit* m_tagFile = nullptr;
    QPushButton* m_checkButton = nullptr;
    QString m_tagFilePath;
    CPortList m_ports;
    // The port box's entry for the configured port when it was not listed, else -1.
    int m_keptIndex = -1;
    bool m_enumerated = false;
};
