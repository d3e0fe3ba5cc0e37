#include "ui/CTavrinView.h"

#include "app/CAppSettings.h"
#include "doc/CTavrinDoc.h"
#include "edit/CParameterRows.h"
#include "link/CControllerLink.h"
#include "ops/adc/widgets/CAdcChartWnd.h"
#include "ops/adc/widgets/CSelectAdcDlg.h"
#include "ui/CProductBitmap.h"
#include "ui/CTavrinViewModel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

// The width "Values" starts with while "Group" is shown after it.
constexpr int kValueWidth = 180;

} // namespace

CTavrinView::CTavrinView(CTavrinDoc& doc, QComboBox* filterBox, QWidget* parent)
    : QTreeView(parent), m_doc(doc), m_filterBox(filterBox), m_model(new CTavrinViewModel(this)),
      m_bitmap(QPixmap::fromImage(CProductBitmap::Draw()))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // lets the view lay out thousands of rows without measuring
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    // The selection stays visible when the focus goes to the tool bar or a dialog.
    QPalette colours = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    // "Parameter" keeps the stored width; the last column shown ("Group" under "All",
    // "Values" otherwise) takes the rest of the header.
    QHeaderView* head = header();
    head->setSectionsMovable(false);
    head->setStretchLastSection(true);
    head->setSectionResizeMode(QHeaderView::Interactive);
    head->resizeSection(CTavrinViewModel::kNameColumn, m_doc.Settings().ColumnWidth());
    head->resizeSection(CTavrinViewModel::kValueColumn, kValueWidth);

    // A header click sorts by its column, ascending, then descending; a third click goes
    // back to the tag file's order. No indicator at first: the rows start in that order.
    head->setSortIndicator(-1, Qt::AscendingOrder);
    head->setSortIndicatorClearable(true);
    setSortingEnabled(true);

    connect(&m_doc, &CTavrinDoc::ViewsUpdateRequested, this, &CTavrinView::OnUpdate);
    // Each status-poll tick refreshes the open ADC windows before the poll's own exchanges;
    // with the port closed (the device gone) they show "Comms lost" without an exchange.
    connect(&m_doc, &CTavrinDoc::PollTicked, this, [this] {
        if (!m_doc.TransferActive())
            m_adc.RefreshWindows(m_doc.Link());
    });
    if (m_filterBox)
        connect(m_filterBox, &QComboBox::activated, this, &CTavrinView::OnFilterSelected);
    Refill();
}

CTavrinView::~CTavrinView()
{
    m_doc.Settings().SetColumnWidth(header()->sectionSize(0));
}

void CTavrinView::OnUpdate(int hint)
{
    const EControllerType connected = m_doc.ConnectedType();
    if (hint == kHintControllerChanged && connected != EControllerType::None &&
        connected != m_adc.WindowSetType()) {
        m_adc.RebuildWindowSet(connected);
        return;
    }
    Refill();
}

void CTavrinView::LoadAdcChannels()
{
    m_adc.Load(m_doc.Settings().AdcFilePath(), m_doc.Prompt());
}

void CTavrinView::ShowAdcSelect()
{
    CSelectAdcDlg dialog(m_adc, this, window());
    dialog.SetChartHandler([this] { ShowAdcChart(); });
    dialog.exec();
}

void CTavrinView::ShowAdcChart()
{
    if (!m_adcChart)
        m_adcChart = new CAdcChartWnd(m_adc, m_doc.Prompt(), this);
    m_adcChart->show();
    m_adcChart->raise();
    m_adcChart->activateWindow();
}

void CTavrinView::Refill()
{
    SetRows(m_filterGroup, true);
    viewport()->update();
}

void CTavrinView::OnFilterSelected(int index)
{
    if (m_doc.Parameters().IsEmpty())
        return;
    if (index < 0 || index >= int(m_groups.size()))
        return;
    SetRows(m_groups[std::size_t(index)], false);
}

void CTavrinView::SetRows(quint16 filterGroup, bool refillBox)
{
    SRowFilter filter;
    filter.search = m_search;
    filter.changedOnly = m_changedOnly;
    filter.baseline = &m_doc.Baseline();
    SParameterRows built =
        CParameterRows::Build(m_doc.Parameters(), m_doc.Tags(), filterGroup, filter);
    m_filterGroup = built.filterGroup;
    m_groupRowCount = built.groupRowCount;
    m_groups = std::move(built.groups);
    m_model->SetRows(std::move(built.rows));
    setColumnHidden(CTavrinViewModel::kGroupColumn, m_filterGroup != 0);

    if (refillBox && m_filterBox) {
        m_filterBox->clear();
        m_filterBox->addItems(CParameterRows::GroupNames(m_groups));
        m_filterBox->setCurrentIndex(built.filterIndex);
    }
    emit RowsRebuilt();
}

void CTavrinView::SetSearchText(const QString& text)
{
    const QString search = text.trimmed();
    if (search == m_search)
        return;
    m_search = search;
    SetRows(m_filterGroup, false);
}

void CTavrinView::SetChangedOnly(bool only)
{
    if (only == m_changedOnly)
        return;
    m_changedOnly = only;
    SetRows(m_filterGroup, false);
}

QString CTavrinView::MatchText() const
{
    if (m_search.isEmpty() && !m_changedOnly)
        return {};
    return tr("%1 of %2 parameters match").arg(RowCount()).arg(m_groupRowCount);
}

int CTavrinView::RowCount() const
{
    return m_model->rowCount();
}

quint16 CTavrinView::RowTag(int row) const
{
    if (row < 0 || row >= m_model->rowCount())
        return 0;
    return m_model->Rows()[std::size_t(row)].tag;
}

int CTavrinView::SelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CTavrinView::SelectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                                  QItemSelectionModel::Rows);
}

void CTavrinView::AfterEditRefresh(int editedRow, bool equal)
{
    if (!equal)
        m_doc.SetEqualityPane(false);
    const int scroll = verticalScrollBar()->value();
    // Sorted by value, the edited row may move: it is found again by its tag.
    const quint16 tag = RowTag(editedRow);
    m_doc.UpdateAllViews();
    // The reset leaves the scroll range to a later layout; lay out now so the old position
    // is still in range when it is put back.
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(scroll);
    int row = editedRow;
    if (RowTag(row) != tag) {
        const std::vector<SParameterRow>& rows = m_model->Rows();
        const auto at = std::find_if(rows.begin(), rows.end(),
                                     [tag](const SParameterRow& r) { return r.tag == tag; });
        if (at != rows.end())
            row = int(at - rows.begin());
    }
    SelectRow(row);
    m_doc.SetModified(true);
}

QRect CTavrinView::ProductBitmapRect() const
{
    if (!m_doc.Parameters().IsEmpty())
        return {};
    const QSize area = viewport()->size();
    return QRect(
        QPoint((area.width() - m_bitmap.width()) / 2, (area.height() - m_bitmap.height()) / 2),
        m_bitmap.size());
}

void CTavrinView::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    const QRect where = ProductBitmapRect();
    if (where.isNull())
        return;
    QPainter painter(viewport());
    painter.drawPixmap(where.topLeft(), m_bitmap);
}

void CTavrinView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const int row = SelectedRow();
        if (row >= 0)
            emit EditRequested(RowTag(row), row);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CTavrinView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Only a double-click on a row counts; the press before it has selected that row.
    const bool onRow = indexAt(event->position().toPoint()).isValid();
    const int row = SelectedRow();
    if (onRow && row >= 0) {
        const quint16 tag = RowTag(row);
        if (event->button() == Qt::LeftButton)
            emit EditRequested(tag, row);
        else if (event->button() == Qt::RightButton) {
            if (event->modifiers() & Qt::ControlModifier)
                emit RawEditRequested(tag);
            else
                emit TagInformationRequested(tag);
        }
    }
    QTreeView::mouseDoubleClickEvent(event);
}

QItemSelectionModel::SelectionFlags CTavrinView::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const
{
    // Ctrl with a click would toggle the selected row off, and Ctrl with a right double-click
    // would then find no row: a click on a row always selects it.
    if (event && event->type() == QEvent::MouseButtonPress && index.isValid())
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return QTreeView::selectionCommand(index, event);
}
