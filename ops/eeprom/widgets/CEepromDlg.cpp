#include "ops/eeprom/widgets/CEepromDlg.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/eeprom/CEepromFile.h"
#include "ops/eeprom/CEepromTransfer.h"
#include "res/StringTable.h"
#include "ui/ControlId.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kFilter = QStringLiteral("EEPROM (*.eep)");
const QString kSuffix = QStringLiteral("eep");

QPushButton* MakeButton(QWidget* parent, const QString& text, int id)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(ControlId::Name(id));
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeStatic(QWidget* parent, int id)
{
    auto* label = new QLabel(parent);
    label->setObjectName(ControlId::Name(id));
    label->setMinimumWidth(120);
    return label;
}

// The wait cursor for as long as bytes move.
class CWaitCursor
{
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace

// A Get or Send in progress: the buttons disabled, since the progress window lets input
// through to the dialog between bytes (Open must not empty the image under a Get). On the way
// out the buttons follow the state again and a close asked for meanwhile goes ahead.
class CEepromDlg::CRunGuard
{
public:
    explicit CRunGuard(CEepromDlg& dialog) : m_dialog(dialog)
    {
        m_dialog.m_running = true;
        m_dialog.SetButtonsEnabled(false);
    }
    ~CRunGuard()
    {
        m_dialog.m_running = false;
        m_dialog.ApplyState();
        if (m_dialog.m_closeAfterRun)
            m_dialog.done(*m_dialog.m_closeAfterRun);
    }
    CRunGuard(const CRunGuard&) = delete;
    CRunGuard& operator=(const CRunGuard&) = delete;

private:
    CEepromDlg& m_dialog;
};

CEepromDlg::CEepromDlg(CTavrinDoc& doc, QWidget* parent) : QDialog(parent), m_doc(doc)
{
    setObjectName(ControlId::Name(kDialogId));
    setWindowTitle(QStringLiteral("EEPROM utilities"));

    auto* caution = new QLabel(QStringLiteral("*** EXTREME CAUTION PLEASE ***"), this);
    caution->setAlignment(Qt::AlignCenter);
    QFont bold = caution->font();
    bold.setBold(true);
    caution->setFont(bold);

    m_list = new QListWidget(this);
    m_list->setObjectName(ControlId::Name(kListId));
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_list->setMinimumSize(240, 300);

    m_get = MakeButton(this, QStringLiteral("&Get from:"), kGetId);
    m_send = MakeButton(this, QStringLiteral("S&end to:"), kSendId);
    m_save = MakeButton(this, QStringLiteral("&Save"), kSaveId);
    m_open = MakeButton(this, QStringLiteral("&Open"), kOpenId);
    m_close = MakeButton(this, QStringLiteral("Close"), kCloseId);
    m_binary = new QCheckBox(QStringLiteral("as &binary"), this);
    m_binary->setObjectName(ControlId::Name(kBinaryId));
    m_bytes = new QComboBox(this);
    m_bytes->setObjectName(ControlId::Name(kBytesId));
    m_bytes->addItems({QStringLiteral("128"), QStringLiteral("256"), QStringLiteral("512"),
                       QStringLiteral("1024")});
    m_bytes->setCurrentText(QString::number(CEepromTransfer::kDefaultByteCount));
    m_type = MakeStatic(this, kTypeId);
    m_from = MakeStatic(this, kFromId);
    m_name = MakeStatic(this, kNameId);

    auto* controls = new QGridLayout;
    int row = 0;
    controls->addWidget(m_get, row, 0);
    controls->addWidget(m_type, row++, 1);
    controls->addWidget(m_send, row++, 0);
    controls->addWidget(new QLabel(QStringLiteral("Number bytes"), this), row, 0);
    controls->addWidget(m_bytes, row++, 1);
    controls->addWidget(m_save, row, 0);
    controls->addWidget(m_binary, row++, 1);
    controls->addWidget(m_open, row++, 0);
    controls->addWidget(new QLabel(QStringLiteral("Name:"), this), row, 0);
    controls->addWidget(m_name, row++, 1);
    controls->addWidget(new QLabel(QStringLiteral("From:"), this), row, 0);
    controls->addWidget(m_from, row++, 1);
    controls->setRowStretch(row++, 1);
    controls->addWidget(m_close, row, 0);

    auto* body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addLayout(controls);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caution);
    layout->addLayout(body);

    connect(m_get, &QPushButton::clicked, this, &CEepromDlg::OnGet);
    connect(m_send, &QPushButton::clicked, this, &CEepromDlg::OnSend);
    connect(m_save, &QPushButton::clicked, this, &CEepromDlg::OnSave);
    connect(m_open, &QPushButton::clicked, this, &CEepromDlg::OnOpen);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_doc, &CTavrinDoc::ControllerStateChanged, this, &CEepromDlg::ApplyState);

    ApplyState();
}

CEepromDlg::~CEepromDlg() = default;

int CEepromDlg::Run(CTavrinDoc& doc, QWidget* parent)
{
    CEepromDlg dialog(doc, parent);
    // Modal to the main window only: the progress windows of its transfers are windows of
    // their own and must still take a Cancel click.
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec();
}

void CEepromDlg::OnGet()
{
    if (m_running)
        return;
    CRunGuard guard(*this);
    const int count = m_bytes->currentIndex() < 0 ? CEepromTransfer::kDefaultByteCount
                                                  : m_bytes->currentText().toInt();
    CEepromTransfer transfer(m_doc);
    CEepromTransfer::SOutcome outcome;
    {
        CWaitCursor wait;
        outcome = transfer.Read(m_image, count);
    }
    ShowImage();
    transfer.ReportRead(outcome);
}

void CEepromDlg::OnSend()
{
    if (m_running)
        return;
    CRunGuard guard(*this);
    CEepromTransfer transfer(m_doc);
    if (!transfer.ConfirmWrite())
        return;
    CEepromTransfer::SOutcome outcome;
    {
        CWaitCursor wait;
        outcome = transfer.Write(m_image);
    }
    transfer.ReportWrite(outcome);
}

void CEepromDlg::OnSave()
{
    IUserPrompt& prompt = m_doc.Prompt();
    const QString path = prompt.ChooseSaveFile(QString(), kFilter, kSuffix, QString());
    if (path.isEmpty())
        return;
    if (!CEepromFile::Save(prompt, path, m_image, m_binary->isChecked()).Ok())
        prompt.Message(LoadString(EString::CannotSaveFile), IUserPrompt::EIcon::Exclamation);
}

void CEepromDlg::OnOpen()
{
    IUserPrompt& prompt = m_doc.Prompt();
    // The image goes only once there is a file to replace it with.
    const QString path = prompt.ChooseOpenFile(QString(), kFilter);
    if (path.isEmpty())
        return;
    if (CEepromFile::Load(prompt, path, m_image).result == CEepromFile::ELoad::Loaded) {
        m_name->setText(QFileInfo(path).fileName());
    } else {
        prompt.Message(LoadString(EString::CannotReadEepromFile), IUserPrompt::EIcon::Exclamation);
        m_name->clear();
    }
    ShowImage();
    ApplyState();
}

void CEepromDlg::done(int result)
{
    if (m_running) {
        // Never leave a transfer half-way: a Get stops at its next byte, a Send runs on.
        if (CTransferSession* transfer = m_doc.Transfer())
            transfer->RequestCancel();
        m_closeAfterRun = result;
        return;
    }
    QDialog::done(result);
}

void CEepromDlg::ShowImage()
{
    QStringList lines;
    lines.reserve(m_image.Count());
    for (const auto& record : m_image.Records())
        lines << CEepromImage::ListLine(*record);
    m_list->clear();
    m_list->addItems(lines);
    m_from->setText(CControllerLink::ControllerTypeName(m_image.Controller()));
}

EControllerType CEepromDlg::ControllerType() const
{
    return m_doc.LinkReady() ? m_doc.ConnectedType() : EControllerType::None;
}

void CEepromDlg::ApplyState()
{
    if (m_running)
        return;
    m_type->setText(CControllerLink::ControllerTypeName(ControllerType()));
    SetButtonsEnabled(true);
}

void CEepromDlg::SetButtonsEnabled(bool enabled)
{
    const bool linked = m_doc.LinkReady();
    const bool empty = m_image.IsEmpty();
    m_get->setEnabled(enabled && linked);
    m_save->setEnabled(enabled && !empty);
    m_send->setEnabled(enabled && !empty && linked && m_image.MatchesController(ControllerType()));
    for (QWidget* control : {static_cast<QWidget*>(m_open), static_cast<QWidget*>(m_close),
                             static_cast<QWidget*>(m_bytes), static_cast<QWidget*>(m_binary)})
        control->setEnabled(enabled);
}
