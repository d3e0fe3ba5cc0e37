#include "ops/tools/widgets/CServiceTimersDlg.h"

#include "res/StringTable.h"
#include "ui/ControlId.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace {

template <class T> T* Named(T* widget, int id)
{
    widget->setObjectName(ControlId::Name(id));
    return widget;
}

} // namespace

CServiceTimersDlg::CServiceTimersDlg(CTavrinDoc& doc, QWidget* parent)
    : QDialog(parent), m_timers(doc)
{
    setObjectName(ControlId::Name(kDialogId));
    setWindowTitle(QStringLiteral("Service Timers"));

    auto* layout = new QVBoxLayout(this);
    // The window follows its contents as lines and the programmable times come and go.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (int i = 0; i < CServiceTimers::kLineCount; ++i) {
        m_groups[i] = Named(new QGroupBox(this), kGroupIds[i]);
        m_values[i] = Named(new QLabel(m_groups[i]), kValueIds[i]);
        m_values[i]->setMinimumWidth(120);
        m_clears[i] = Named(new QPushButton(LoadString(EString::Clear), m_groups[i]), kClearIds[i]);
        m_clears[i]->setAutoDefault(false);
        auto* row = new QHBoxLayout(m_groups[i]);
        row->addWidget(m_values[i], 1);
        row->addWidget(m_clears[i]);
        layout->addWidget(m_groups[i]);
        connect(m_clears[i], &QPushButton::clicked, this, [this, i] { OnClear(i + 1); });
    }
    m_message = Named(new QLabel(this), kMessageId);
    layout->addWidget(m_message);

    m_programmable =
        Named(new QGroupBox(LoadString(EString::ProgrammableTimes), this), kProgrammableGroupId);
    auto* grid = new QGridLayout(m_programmable);
    auto addEntry = [this, grid](int row, const QString& label, int labelId, int editId) {
        auto* edit = Named(new QLineEdit(QStringLiteral("0"), m_programmable), editId);
        grid->addWidget(Named(new QLabel(label, m_programmable), labelId), row, 0);
        grid->addWidget(edit, row, 1);
        connect(edit, &QLineEdit::textChanged, this, &CServiceTimersDlg::UpdateHint);
        return edit;
    };
    m_service = addEntry(0, QStringLiteral("Service"), kServiceLabelId, kServiceId);
    m_totalOn = addEntry(1, QStringLiteral("Total On"), kTotalOnLabelId, kTotalOnId);
    m_brush = addEntry(2, QStringLiteral("Brush"), kBrushLabelId, kBrushId);
    m_program = Named(new QPushButton(LoadString(EString::Program), m_programmable), kProgramId);
    m_program->setAutoDefault(false);
    grid->addWidget(m_program, 3, 1);
    m_hint = Named(new QLabel(m_programmable), kHintId);
    // Room for the longer hint, so the window keeps its width while the user types.
    m_hint->setText(CServiceTimers::HintText(false));
    m_hint->setMinimumWidth(m_hint->sizeHint().width());
    grid->addWidget(m_hint, 4, 0, 1, 2);
    layout->addWidget(m_programmable);
    connect(m_program, &QPushButton::clicked, this, &CServiceTimersDlg::OnProgram);

    auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), kOkId);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The section appears when the first probe finds it.
    m_programmable->setVisible(false);
    UpdateHint();
    Show(m_timers.Open());
    connect(&m_timer, &QTimer::timeout, this, &CServiceTimersDlg::OnTimer);
    m_timer.start(CServiceTimers::kRefreshIntervalMs);
}

CServiceTimersDlg::~CServiceTimersDlg()
{
    m_timer.stop();
}

void CServiceTimersDlg::OnTimer()
{
    if (m_busy)
        return;
    const QScopedValueRollback<bool> guard(m_busy, true);
    Show(m_timers.Refresh());
}

void CServiceTimersDlg::OnClear(int line)
{
    if (m_busy)
        return;
    const QScopedValueRollback<bool> guard(m_busy, true);
    // The hours are gone for good once cleared: nothing is sent without a Yes.
    if (!m_timers.ConfirmClear(line))
        return;
    m_timers.Clear(line);
    m_clears[static_cast<std::size_t>(line - 1)]->setText(m_timers.ClearCaption(line));
}

void CServiceTimersDlg::OnProgram()
{
    if (m_busy)
        return;
    const QScopedValueRollback<bool> guard(m_busy, true);
    CServiceTimers::SEntries entries = Entries();
    m_timers.Program(entries);
    // Entries beyond the limits come back replaced.
    m_service->setText(entries.service);
    m_totalOn->setText(entries.totalOn);
    m_brush->setText(entries.brush);
}

void CServiceTimersDlg::done(int result)
{
    m_timer.stop();
    QDialog::done(result);
}

CServiceTimers::SEntries CServiceTimersDlg::Entries() const
{
    CServiceTimers::SEntries entries;
    entries.service = m_service->text();
    entries.totalOn = m_totalOn->text();
    entries.brush = m_brush->text();
    return entries;
}

void CServiceTimersDlg::Show(const CServiceTimers::SChanges& changes)
{
    for (int i = 0; i < CServiceTimers::kLineCount; ++i) {
        const int line = i + 1;
        m_values[i]->setText(m_timers.LineText(line));
        if (!changes.captions)
            continue;
        const bool shown = m_timers.LineShown(line);
        m_groups[i]->setTitle(m_timers.LineCaption(line));
        m_clears[i]->setText(m_timers.ClearCaption(line));
        m_groups[i]->setVisible(shown);
        m_values[i]->setVisible(shown);
        m_clears[i]->setVisible(shown);
    }
    if (changes.captions) {
        m_message->setText(m_timers.MessageText());
        m_message->setVisible(!m_timers.MessageText().isEmpty());
    }
    if (changes.programmable)
        ShowProgrammable(m_timers.ProgrammableAvailable());
}

void CServiceTimersDlg::ShowProgrammable(bool shown)
{
    m_programmable->setVisible(shown);
    UpdateHint();
}

void CServiceTimersDlg::UpdateHint()
{
    const bool valid = CServiceTimers::EntriesValid(Entries());
    m_hint->setText(CServiceTimers::HintText(valid));
    m_program->setEnabled(valid && m_timers.ProgrammableAvailable());
}
