#include "ops/tools/widgets/COptionsDlg.h"

#include "app/CAppSettings.h"
#include "app/COsName.h"
#include "app/CStartupPort.h"
#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "link/CPortEnumerator.h"
#include "ui/ControlId.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <class T> T* WithId(T* widget, int id)
{
    widget->setObjectName(ControlId::Name(id));
    return widget;
}

// The name without its folder; either separator counts, as stored paths may carry both.
QString FileNameOf(const QString& path)
{
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QString ChooseWithFileDialog(QWidget* parent, const QString& current, const QString& folder)
{
    QFileDialog dialog(parent, QStringLiteral("Open"), folder,
                       QString::fromLatin1(COptionsDlg::kTagFileFilter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!current.isEmpty())
        dialog.selectFile(FileNameOf(current));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return QDir::toNativeSeparators(dialog.selectedFiles().first());
}

// Whether `portName` names a port: not empty, "Unassigned" nor the placeholder the first
// start stores.
bool IsAssigned(const QString& portName)
{
    return !portName.isEmpty() && portName != QLatin1String(StartupPort::kUnassigned) &&
           portName != QLatin1String(StartupPort::kNoDevice);
}

} // namespace

COptionsDlg::COptionsDlg(CTavrinDoc& doc, QWidget* parent, OptionsApply::FEnumerate enumerate,
                         FChooseTagFile chooseTagFile)
    : QDialog(parent), m_doc(doc), m_enumerate(std::move(enumerate)),
      m_chooseTagFile(std::move(chooseTagFile)), m_tagFilePath(doc.Tags().Path())
{
    if (!m_enumerate)
        m_enumerate = OptionsApply::SystemEnumeration();
    if (!m_chooseTagFile) {
        // Without a tag file loaded the chooser starts in the tag-file folder.
        m_chooseTagFile = [this](QWidget* owner, const QString& current) {
            const QString folder = current.isEmpty()
                                       ? m_doc.Settings().TagFileDir()
                                       : QFileInfo(QDir::fromNativeSeparators(current)).path();
            return ChooseWithFileDialog(owner, current, folder);
        };
    }

    setObjectName(ControlId::Name(kDialogId));
    setWindowTitle(QStringLiteral("Options"));
    setModal(true);

    auto* fields = new QGridLayout;
    m_port = WithId(new QComboBox(this), kPortId);
    m_port->setMinimumWidth(260);
    auto* portLabel = new QLabel(QStringLiteral("C&om port"), this);
    portLabel->setBuddy(m_port);
    fields->addWidget(portLabel, 0, 0);
    fields->addWidget(m_port, 0, 1, 1, 2);

    m_lowLatency = new QCheckBox(QStringLiteral("&Low latency for USB adapters"), this);
    m_lowLatency->setObjectName(QString::fromLatin1(kLowLatencyName));
    m_lowLatency->setChecked(doc.Settings().LowLatency());
    fields->addWidget(m_lowLatency, 1, 1, 1, 2);

    m_tagFile = WithId(new QLineEdit(this), kTagFileId);
    m_tagFile->setReadOnly(true);
    auto* tagLabel = new QLabel(QStringLiteral("&Tag file"), this);
    tagLabel->setBuddy(m_tagFile);
    auto* browse = WithId(new QPushButton(QStringLiteral("Browse"), this), kBrowseId);
    browse->setAutoDefault(false);
    fields->addWidget(tagLabel, 2, 0);
    fields->addWidget(m_tagFile, 2, 1);
    fields->addWidget(browse, 2, 2);

    auto* updates = new QGroupBox(QStringLiteral("Updates"), this);
    updates->setObjectName(QStringLiteral("updatesGroup"));
    auto* updatesLayout = new QHBoxLayout(updates);
    m_checkButton = WithId(new QPushButton(QStringLiteral("C&heck"), updates), kCheckId);
    m_checkButton->setAutoDefault(false);
    m_checkButton->setEnabled(false);
    updatesLayout->addWidget(m_checkButton);
    updatesLayout->addStretch(1);

    auto* ok = WithId(new QPushButton(QStringLiteral("OK"), this), kOkId);
    auto* cancel = WithId(new QPushButton(QStringLiteral("Cancel"), this), kCancelId);
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(updates);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, &COptionsDlg::Browse);
    connect(m_checkButton, &QPushButton::clicked, this, &COptionsDlg::Check);
    connect(ok, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &COptionsDlg::reject);

    FillPortList();
    SetTagFilePath(m_tagFilePath);
}

COptionsDlg::~COptionsDlg() = default;

void COptionsDlg::FillPortList()
{
    CAppSettings& settings = m_doc.Settings();
    QString errorText;
    m_enumerated = OptionsApply::EnumerateReleasingPort(
        m_doc.Link(), m_enumerate, settings.StandardEnum(), m_ports, errorText);
    if (!m_enumerated) {
        m_ports.clear();
        QString osName;
        QString servicePack;
        const bool osKnown = OsName::GetOsName(osName, servicePack);
        m_doc.Prompt().Message(OsName::ErrorReport(errorText, osKnown, osName, servicePack),
                               IUserPrompt::EIcon::Exclamation);
        m_port->setEnabled(false);
        return;
    }
    for (const CPortEntry& entry : m_ports)
        m_port->addItem(entry.friendlyName);
    const QString name = settings.PortName();
    const QString device = settings.PortDevice();
    int stored = CPortEnumerator::FindByFriendlyName(m_ports, name);
    for (qsizetype i = 0; stored < 0 && i < m_ports.size(); ++i) {
        if (!device.isEmpty() && m_ports[i].devicePath == device)
            stored = static_cast<int>(i); // the same device under another name
    }
    if (stored < 0 && IsAssigned(name)) {
        // A configured port that was not found (unplugged, or missed by the enumeration)
        // stays the choice: falling back to another port would move the link away from it
        // without a word.
        m_port->addItem(QStringLiteral("%1 (not present)").arg(name));
        stored = m_keptIndex = m_port->count() - 1;
    }
    m_port->setCurrentIndex(stored >= 0 ? stored : (m_port->count() > 0 ? 0 : -1));
}

void COptionsDlg::SetCheckHandler(FCheck check)
{
    m_check = std::move(check);
    m_checkButton->setEnabled(static_cast<bool>(m_check));
}

void COptionsDlg::SetTagFilePath(const QString& path)
{
    m_tagFilePath = path;
    m_tagFile->setText(FileNameOf(path));
}

void COptionsDlg::Browse()
{
    const QString chosen = m_chooseTagFile(this, m_tagFilePath);
    if (!chosen.isEmpty())
        SetTagFilePath(chosen);
}

void COptionsDlg::Check()
{
    if (!m_check)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString installed = m_check();
    QApplication::restoreOverrideCursor();
    if (!installed.isEmpty())
        SetTagFilePath(installed);
}

void COptionsDlg::accept()
{
    // The port box lists m_ports in order, then the configured port when it was not found;
    // that one stays configured as it is.
    const int index = m_port->currentIndex();
    if (index >= 0 && index < static_cast<int>(m_ports.size())) {
        m_doc.Settings().SetChosenPort(m_ports[index].friendlyName, m_ports[index].devicePath);
    } else if (index < 0 || index != m_keptIndex) {
        m_doc.Prompt().Message(QStringLiteral("Communications device configuration not saved."),
                               IUserPrompt::EIcon::Exclamation);
    }
    m_doc.Settings().SetLowLatency(m_lowLatency->isChecked());
    QDialog::accept();
}

bool COptionsDlg::Run(CTavrinDoc& doc, QWidget* parent, FCheck check)
{
    COptionsDlg dialog(doc, parent);
    dialog.SetCheckHandler(std::move(check));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    OptionsApply::Apply(doc, dialog.TagFilePath());
    return true;
}
