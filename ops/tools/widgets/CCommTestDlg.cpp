#include "ops/tools/widgets/CCommTestDlg.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QString Number(qint64 value)
{
    return QString::number(value);
}

// A number as typed in a range edit: decimal, anything else 0. The edits' validators keep it
// within its field's width.
qint64 EntryValue(const QLineEdit* edit)
{
    bool ok = false;
    const qint64 value = edit->text().trimmed().toLongLong(&ok, 10);
    return ok ? value : 0;
}

} // namespace

CCommTestDlg::CCommTestDlg(CTavrinDoc& doc, SCommTestRanges& lastRanges, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_lastRanges(lastRanges), m_test(doc.Link())
{
    setWindowTitle(QStringLiteral("Testing communications"));
    auto* layout = new QVBoxLayout(this);

    auto* ranges = new QGridLayout;
    // Each edit takes only what its field holds (an extension of 300 would go out as 44);
    // Start waits until every edit holds a number in range.
    auto addRange = [this, ranges](int row, const QString& caption, const char* fromName,
                                   const char* toName, int from, int to, unsigned maximum) {
        auto* fromEdit = Named(new QLineEdit(QString::number(from), this), fromName);
        auto* toEdit = Named(new QLineEdit(QString::number(to), this), toName);
        for (QLineEdit* edit : {fromEdit, toEdit}) {
            edit->setMaximumWidth(80);
            edit->setValidator(new QIntValidator(0, static_cast<int>(maximum), edit));
            connect(edit, &QLineEdit::textChanged, this, &CCommTestDlg::UpdateStart);
        }
        ranges->addWidget(new QLabel(caption, this), row, 0);
        ranges->addWidget(fromEdit, row, 1);
        ranges->addWidget(new QLabel(QStringLiteral("To"), this), row, 2);
        ranges->addWidget(toEdit, row, 3);
        return std::pair{fromEdit, toEdit};
    };
    const SCommTestRanges& stored = m_lastRanges; // the last run's, 0..0 before any
    std::tie(m_extensionFrom, m_extensionTo) =
        addRange(0, QStringLiteral("Extension range:"), "extensionFrom", "extensionTo",
                 stored.extensionFrom, stored.extensionTo, SCommTestRanges::kExtensionMax);
    std::tie(m_tagFrom, m_tagTo) =
        addRange(1, QStringLiteral("Tag range:"), "tagFrom", "tagTo", stored.tagFrom, stored.tagTo,
                 SCommTestRanges::kWordMax);
    std::tie(m_valueFrom, m_valueTo) =
        addRange(2, QStringLiteral("Value range:"), "valueFrom", "valueTo", stored.valueFrom,
                 stored.valueTo, SCommTestRanges::kWordMax);
    ranges->setColumnStretch(4, 1);
    layout->addLayout(ranges);

    auto addNumber = [this](QGridLayout* grid, int row, const QString& caption, const char* name) {
        auto* label = Named(new QLabel(this), name);
        label->setMinimumWidth(60);
        grid->addWidget(new QLabel(caption, this), row, 0);
        grid->addWidget(label, row, 1);
        return label;
    };
    auto* progressGroup = new QGroupBox(QStringLiteral("Progress"), this);
    auto* progressGrid = new QGridLayout(progressGroup);
    m_extension = addNumber(progressGrid, 0, QStringLiteral("Extension:"), "extension");
    m_tag = addNumber(progressGrid, 1, QStringLiteral("Tag:"), "tag");
    m_value = addNumber(progressGrid, 2, QStringLiteral("Value:"), "value");
    m_progress = Named(new QProgressBar(progressGroup), "progress");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_request = Named(new QLabel(progressGroup), "request");
    m_timeLeft = Named(new QLabel(progressGroup), "timeLeft");
    progressGrid->addWidget(m_progress, 3, 0, 1, 2);
    progressGrid->addWidget(m_request, 4, 0, 1, 2);
    progressGrid->addWidget(m_timeLeft, 5, 0, 1, 2);

    auto* resultsGroup = new QGroupBox(QStringLiteral("Results"), this);
    auto* resultsGrid = new QGridLayout(resultsGroup);
    m_good = addNumber(resultsGrid, 0, QStringLiteral("Good packets:"), "good");
    m_bad = addNumber(resultsGrid, 1, QStringLiteral("Bad packets:"), "bad");
    resultsGrid->setRowStretch(2, 1);

    auto* middle = new QHBoxLayout;
    middle->addWidget(progressGroup, 1);
    middle->addWidget(resultsGroup);
    layout->addLayout(middle);

    auto* badGroup = new QGroupBox(QStringLiteral("Bad packet information"), this);
    auto* badLayout = new QVBoxLayout(badGroup);
    m_badList = Named(new QListWidget(badGroup), "badList");
    // Fixed pitch, so the bytes of a Tx line and its Rx line stand in columns.
    m_badList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_badList->setMinimumWidth(m_badList->fontMetrics().horizontalAdvance(
                                   CCommTest::FrameLine(QStringLiteral("Tx: "), LinkFrame{})) +
                               40);
    auto* clearList = Named(new QPushButton(QStringLiteral("Clear list"), badGroup), "clearList");
    clearList->setAutoDefault(false);
    auto* clearRow = new QHBoxLayout;
    clearRow->addStretch();
    clearRow->addWidget(clearList);
    badLayout->addWidget(m_badList);
    badLayout->addLayout(clearRow);
    layout->addWidget(badGroup, 1);

    m_startStop = Named(new QPushButton(QStringLiteral("&Start"), this), "startStop");
    m_startStop->setDefault(true);
    m_quit = Named(new QPushButton(QStringLiteral("Quit"), this), "quit");
    m_quit->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_startStop);
    buttons->addWidget(m_quit);
    layout->addLayout(buttons);

    connect(m_startStop, &QPushButton::clicked, this, &CCommTestDlg::OnStartStop);
    connect(clearList, &QPushButton::clicked, this, &CCommTestDlg::OnClearList);
    connect(m_quit, &QPushButton::clicked, this, &QDialog::accept);
    ShowLabels();
    UpdateStart();
}

CCommTestDlg::~CCommTestDlg() = default;

void CCommTestDlg::Run(CTavrinDoc& doc, SCommTestRanges& lastRanges)
{
    CCommTestDlg dialog(doc, lastRanges);
    // No parent: exec() makes it application modal, which keeps every other window from
    // taking input while a run pumps events.
    dialog.exec();
}

void CCommTestDlg::OnStartStop()
{
    if (m_running)
        Stop();
    else if (!m_session) // not while a stopped run is still ending its last exchange
        Start();
}

bool CCommTestDlg::RangesAcceptable() const
{
    for (const QLineEdit* edit :
         {m_extensionFrom, m_extensionTo, m_tagFrom, m_tagTo, m_valueFrom, m_valueTo}) {
        if (!edit->hasAcceptableInput())
            return false;
    }
    return true;
}

void CCommTestDlg::UpdateStart()
{
    // Stop stays available while a run lasts, whatever the edits hold.
    if (m_startStop)
        m_startStop->setEnabled(m_running || RangesAcceptable());
}

void CCommTestDlg::Start()
{
    if (!RangesAcceptable())
        return;
    m_quit->setEnabled(false);
    m_running = true;
    m_startStop->setText(QStringLiteral("Stop"));

    // Kept by the owner: the next dialog of the session offers these.
    m_lastRanges = SCommTestRanges::FromEntries(
        EntryValue(m_extensionFrom), EntryValue(m_extensionTo), EntryValue(m_tagFrom),
        EntryValue(m_tagTo), EntryValue(m_valueFrom), EntryValue(m_valueTo));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_badList->clear();

    CCommTest::SResult result;
    {
        // Restore: the poll runs afterwards only if it ran before; the test changes nothing
        // in the controller.
        CTransferSession session(m_doc, CTransferSession::ECancel::Allowed,
                                 CTransferSession::EPollAfter::Restore);
        const QScopedValueRollback<CTransferSession*> current(m_session, &session);
        result = m_test.Run(m_lastRanges, *this);
    }
    if (result.completed) {
        m_doc.Prompt().Message(CCommTest::TimingText(result.MsPerPacket()),
                               IUserPrompt::EIcon::None);
    }

    m_running = false;
    ShowLabels();
    m_startStop->setText(QStringLiteral("&Start"));
    m_quit->setEnabled(true);
    UpdateStart();
    if (m_closeAfterRun) {
        const int closeResult = *m_closeAfterRun;
        m_closeAfterRun.reset();
        QDialog::done(closeResult);
    }
}

void CCommTestDlg::Stop()
{
    // The run ends after its current exchange, at the next pump; the counters and the list
    // stay as they are.
    m_running = false;
    ShowLabels();
    m_startStop->setText(QStringLiteral("&Start"));
    m_quit->setEnabled(true);
}

void CCommTestDlg::OnClearList()
{
    m_badList->clear();
}

void CCommTestDlg::done(int result)
{
    if (m_session) {
        // Escape or the close button during a run: stop, and close once the loop has ended.
        m_closeAfterRun = result;
        Stop();
        return;
    }
    QDialog::done(result);
}

void CCommTestDlg::ShowLabels()
{
    m_extension->setText(Number(m_test.Extension()));
    m_tag->setText(Number(m_test.Tag()));
    m_value->setText(Number(m_test.Value()));
    m_good->setText(Number(m_test.GoodPackets()));
    m_bad->setText(Number(m_test.BadPackets()));
    m_request->setText(m_test.RequestLine());
    m_timeLeft->setText(m_test.TimeLeftLine());
}

void CCommTestDlg::ShowState(const CCommTest& test)
{
    m_progress->setValue(test.ProgressPercent());
    ShowLabels();
}

void CCommTestDlg::AddBadPacket(const QString& txLine, const QString& rxLine)
{
    m_badList->addItem(txLine);
    m_badList->addItem(rxLine);
    m_badList->scrollToBottom();
}

bool CCommTestDlg::Pump()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return m_running && !(m_session && m_session->CancelRequested());
}
