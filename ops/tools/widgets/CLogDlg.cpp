#include "ops/tools/widgets/CLogDlg.h"

#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"
#include "ui/ControlId.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The window's own progress bar as a flow's progress: shown while the object lives.
class CBarProgress : public IProgress
{
public:
    CBarProgress(QProgressBar* bar, int high) : m_bar(bar)
    {
        m_bar->setRange(0, high);
        m_bar->setValue(0);
        m_bar->setVisible(true);
    }
    ~CBarProgress() override { m_bar->setVisible(false); }
    void SetRange(int low, int high) override { m_bar->setRange(low, high); }
    void SetPosition(int position) override { m_bar->setValue(position); }
    bool Pump() override
    {
        // Repaint only: no clicks are taken in the middle of an exchange sequence.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return false;
    }

private:
    QProgressBar* m_bar;
};

} // namespace

// Marks the window busy for the length of an exchange sequence, so that a timer tick that
// arrives while progress repaints does not start a second one. A close asked for meanwhile
// (the close box reaches the window while the bar repaints) goes ahead at the end, once the
// read's transfer session has restored the status poll.
class CLogDlg::CBusyGuard
{
public:
    explicit CBusyGuard(CLogDlg& dialog) : m_dialog(dialog) { m_dialog.m_busy = true; }
    ~CBusyGuard()
    {
        m_dialog.m_busy = false;
        if (m_dialog.m_closeAfterBusy) {
            const int result = *m_dialog.m_closeAfterBusy;
            m_dialog.m_closeAfterBusy.reset();
            m_dialog.done(result);
        }
    }
    CBusyGuard(const CBusyGuard&) = delete;
    CBusyGuard& operator=(const CBusyGuard&) = delete;

private:
    CLogDlg& m_dialog;
};

CLogDlg::CLogDlg(CTavrinDoc& doc, CControllerLog::EKind kind, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_log(doc, kind)
{
    setObjectName(ControlId::Name(kDialogId));
    setWindowTitle(m_log.Title());

    m_list = new QListWidget(this);
    m_list->setObjectName(ControlId::Name(kListId));
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMinimumSize(420, 260);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(ControlId::Name(kProgressId));
    m_progress->setTextVisible(false);
    m_progress->setVisible(false);
    // The bar keeps its place while hidden so that the buttons do not jump.
    QSizePolicy keep = m_progress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keep);

    m_refresh = new QPushButton(QStringLiteral("&Refresh"), this);
    m_refresh->setObjectName(ControlId::Name(kRefreshId));
    m_refresh->setAutoDefault(false);
    m_clear = new QPushButton(QStringLiteral("&Clear"), this);
    m_clear->setObjectName(ControlId::Name(kClearId));
    m_clear->setAutoDefault(false);
    m_save = new QPushButton(QStringLiteral("&Save\u2026"), this);
    m_save->setObjectName(ControlId::Name(kSaveId));
    m_save->setAutoDefault(false);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(ControlId::Name(kOkId));
    m_ok->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_clear);
    buttons->addWidget(m_save);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);

    connect(m_refresh, &QPushButton::clicked, this, &CLogDlg::OnRefresh);
    connect(m_clear, &QPushButton::clicked, this, &CLogDlg::OnClear);
    connect(m_save, &QPushButton::clicked, this, &CLogDlg::OnSave);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(&m_timer, &QTimer::timeout, this, &CLogDlg::OnTimer);

    m_log.SetProgressFactory([this](int high) -> std::unique_ptr<IProgress> {
        return std::make_unique<CBarProgress>(m_progress, high);
    });
    m_log.Open();
    m_list->addItems(m_log.DisplayLines());
    UpdateButtons();
    m_timer.start(kTimerIntervalMs);
}

CLogDlg::~CLogDlg()
{
    m_timer.stop();
}

int CLogDlg::Run(CTavrinDoc& doc, CControllerLog::EKind kind, QWidget* parent)
{
    CLogDlg dialog(doc, kind, parent);
    return dialog.exec();
}

void CLogDlg::OnTimer()
{
    if (m_busy)
        return;
    CBusyGuard guard(*this);
    if (m_log.Tick())
        ShowLog();
}

void CLogDlg::OnRefresh()
{
    if (m_busy)
        return;
    CBusyGuard guard(*this);
    m_log.Read();
    ShowLog();
}

void CLogDlg::OnClear()
{
    if (m_busy)
        return;
    CBusyGuard guard(*this);
    // The entries are gone for good once cleared: nothing is sent without a Yes.
    if (!m_log.ConfirmClear())
        return;
    m_log.Clear();
}

void CLogDlg::OnSave()
{
    if (m_busy)
        return;
    CBusyGuard guard(*this);
    IUserPrompt& prompt = m_doc.Prompt();
    const QString path =
        prompt.ChooseSaveFile(tr("Save %1").arg(m_log.Title()), tr("Text files (*.txt)"),
                              QStringLiteral("txt"), m_log.Title() + QStringLiteral(".txt"));
    if (path.isEmpty())
        return;
    const QString error = m_log.SaveReport(path, QDateTime::currentDateTime());
    if (!error.isEmpty())
        prompt.Message(error, IUserPrompt::EIcon::Exclamation);
}

void CLogDlg::done(int result)
{
    if (m_busy) {
        // Never in the middle of a read or clear: starting the poll now would put its
        // exchanges inside the transfer.
        m_closeAfterBusy = result;
        return;
    }
    m_timer.stop();
    if (!m_doc.TransferActive())
        m_doc.StartStatusPoll();
    QDialog::done(result);
}

void CLogDlg::ShowLog()
{
    m_list->clear();
    m_list->addItems(m_log.DisplayLines());
    UpdateButtons();
}

void CLogDlg::UpdateButtons()
{
    m_refresh->setEnabled(m_log.RefreshEnabled());
    m_clear->setEnabled(m_log.ClearEnabled());
    m_save->setEnabled(m_log.HasRead());
}
