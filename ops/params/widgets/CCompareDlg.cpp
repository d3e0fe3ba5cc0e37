#include "ops/params/widgets/CCompareDlg.h"

#include "doc/CTavrinDoc.h"
#include "doc/IUserPrompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using EDiff = CCompareFlow::EDiff;

CCompareDlg::CCompareDlg(CTavrinDoc& doc, EMode mode, const QString& thereName,
                         std::vector<CCompareFlow::SRow> rows, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_mode(mode)
{
    setWindowTitle(mode == EMode::Controller ? QStringLiteral("Compare with Controller")
                                             : QStringLiteral("Compare with %1").arg(thereName));

    m_summary = new QLabel(this);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("Parameter"), QStringLiteral("Here"),
         mode == EMode::Controller ? QStringLiteral("Controller") : thereName, QString()});
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // The columns are fitted to their content after each fill (FitToContent); the user may
    // resize them, and the mark column takes what is left.
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionResizeMode(ColumnMark, QHeaderView::Stretch);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->setWordWrap(false);
    m_table->setMinimumSize(720, 360);

    m_showAll = new QCheckBox(QStringLiteral("Show &all"), this);
    connect(m_showAll, &QCheckBox::toggled, this, [this] {
        ApplyFilter();
        FitToContent();
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (mode == EMode::Controller) {
        m_write =
            buttons->addButton(QStringLiteral("&Write selected"), QDialogButtonBox::ActionRole);
        m_write->setAutoDefault(false);
        connect(m_write, &QPushButton::clicked, this, &CCompareDlg::OnWriteSelected);
        connect(m_table, &QTableWidget::itemChanged, this, [this] { UpdateWriteButton(); });
    }

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_showAll);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table);
    layout->addLayout(bottom);

    SetRows(std::move(rows));
}

QString CCompareDlg::MarkText(EDiff diff, EMode mode)
{
    switch (diff) {
    case EDiff::Same:
        return QString();
    case EDiff::Differ:
        return QStringLiteral("differs");
    case EDiff::OnlyA:
        return mode == EMode::Controller ? QStringLiteral("not in controller")
                                         : QStringLiteral("here only");
    case EDiff::OnlyB:
        return QStringLiteral("there only");
    case EDiff::NoReply:
        return QStringLiteral("no reply");
    }
    return QString();
}

void CCompareDlg::SetRows(std::vector<CCompareFlow::SRow> rows)
{
    m_rows = std::move(rows);
    const QSignalBlocker block(m_table);
    m_table->setRowCount(int(m_rows.size()));
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const CCompareFlow::SRow& row = m_rows[std::size_t(r)];
        auto* name = new QTableWidgetItem(row.name);
        name->setData(Qt::UserRole, row.tag);
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        // Only a value held here can be written.
        if (m_mode == EMode::Controller && row.valueA) {
            name->setFlags(name->flags() | Qt::ItemIsUserCheckable);
            name->setCheckState(Qt::Unchecked);
        }
        m_table->setItem(r, ColumnName, name);
        m_table->setItem(r, ColumnHere, new QTableWidgetItem(row.textA));
        m_table->setItem(r, ColumnThere, new QTableWidgetItem(row.textB));
        auto* mark = new QTableWidgetItem(MarkText(row.diff, m_mode));
        if (row.diff != EDiff::Same)
            mark->setForeground(QColor(0xB0, 0x20, 0x20));
        m_table->setItem(r, ColumnMark, mark);
    }

    const auto differing = std::count_if(m_rows.begin(), m_rows.end(),
                                         [](const auto& row) { return row.diff != EDiff::Same; });
    m_summary->setText(
        differing == 0
            ? QStringLiteral("All %1 parameters are the same.").arg(m_rows.size())
            : QStringLiteral("%1 of %2 parameters differ.").arg(differing).arg(m_rows.size()));
    ApplyFilter();
    FitToContent();
    UpdateWriteButton();
}

void CCompareDlg::FitToContent()
{
    m_table->resizeColumnsToContents();
    // The rows shown and the header texts decide each column's width; the window grows to
    // show them all without scrolling sideways, as far as the screen allows, and never
    // shrinks under the user's hand.
    const QHeaderView* header = m_table->horizontalHeader();
    const QAbstractItemView* cells = m_table; // sizeHintForColumn is public there
    int columns = 0;
    for (int column = 0; column < ColumnCount; ++column)
        columns += std::max(cells->sizeHintForColumn(column), header->sectionSizeHint(column));
    const int table =
        columns + m_table->verticalScrollBar()->sizeHint().width() + 2 * m_table->frameWidth();
    const QMargins margins = layout()->contentsMargins();
    int wanted = table + margins.left() + margins.right();
    if (const QScreen* where = screen()) {
        const QRect area = where->availableGeometry();
        // The frame of the window is not part of its width.
        const int frame = frameGeometry().width() - width();
        wanted = std::min(wanted, area.width() - frame);
    }
    // Before the first show the window would take its size hint: start from that.
    const QSize now = testAttribute(Qt::WA_Resized) ? size() : sizeHint();
    resize(std::max(wanted, now.width()), now.height());
}

void CCompareDlg::ApplyFilter()
{
    const bool all = m_showAll->isChecked();
    for (int r = 0; r < int(m_rows.size()); ++r)
        m_table->setRowHidden(r, !all && m_rows[std::size_t(r)].diff == EDiff::Same);
}

std::vector<std::uint16_t> CCompareDlg::TickedTags() const
{
    std::vector<std::uint16_t> tags;
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const QTableWidgetItem* name = m_table->item(r, ColumnName);
        if (name && (name->flags() & Qt::ItemIsUserCheckable) && name->checkState() == Qt::Checked)
            tags.push_back(std::uint16_t(name->data(Qt::UserRole).toUInt()));
    }
    return tags;
}

void CCompareDlg::UpdateWriteButton()
{
    if (m_write)
        m_write->setEnabled(!TickedTags().empty());
}

void CCompareDlg::OnWriteSelected()
{
    const std::vector<std::uint16_t> tags = TickedTags();
    if (tags.empty())
        return;
    if (!CCompareFlow::CanCompareWithController(m_doc)) {
        m_doc.Prompt().Message(QStringLiteral("The controller is not ready: nothing was written."),
                               IUserPrompt::EIcon::Exclamation);
        return;
    }
    const CWriteFlow::SOutcome outcome = CCompareFlow::DocWriteSelected(m_doc, tags);
    if (outcome.status == CWriteFlow::EStatus::Declined ||
        outcome.status == CWriteFlow::EStatus::TypeMismatch)
        return;
    // What was written may not be what the controller now holds: look again.
    if (std::optional<CCompareFlow::SControllerRead> again =
            CCompareFlow::DocCompareWithController(m_doc)) {
        SetRows(std::move(again->rows));
    } else {
        m_summary->setText(QStringLiteral("The comparison after the write did not finish: the "
                                          "table shows the values from before it."));
    }
}

void CCompareDlg::RunController(CTavrinDoc& doc, QWidget* parent)
{
    std::optional<CCompareFlow::SControllerRead> outcome =
        CCompareFlow::DocCompareWithController(doc);
    if (!outcome)
        return;
    CCompareDlg dialog(doc, EMode::Controller, QString(), std::move(outcome->rows), parent);
    dialog.exec();
}

void CCompareDlg::RunProfile(CTavrinDoc& doc, QWidget* parent)
{
    std::optional<CCompareFlow::SProfileCompare> result = CCompareFlow::DocCompareWithProfile(doc);
    if (!result)
        return;
    CCompareDlg dialog(doc, EMode::Profile, QFileInfo(result->path).fileName(),
                       std::move(result->rows), parent);
    dialog.exec();
}
