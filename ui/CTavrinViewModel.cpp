#include "ui/CTavrinViewModel.h"

#include "res/StringTable.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QStringList>

#include <algorithm>
#include <numeric>

namespace {

// A filled dot, or nothing of the same size so that every name starts at the same place.
QIcon MakeMark(bool dot)
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    if (dot) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xD0, 0x60, 0x00));
        painter.drawEllipse(QRectF(2, 2, 8, 8));
    }
    return QIcon(pixmap);
}

// Compares texts as a reader does: runs of digits by their number ("2 secs" before
// "10 secs"), everything else one character at a time, any case. Negative: a first.
int CompareText(const QString& a, const QString& b)
{
    const auto digit = [](QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; };
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            // Skip leading zeros, then the longer run is the greater number; of two runs of
            // one length the first differing digit decides.
            while (i < a.size() && a[i] == u'0')
                ++i;
            while (j < b.size() && b[j] == u'0')
                ++j;
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && digit(a[endA]))
                ++endA;
            while (endB < b.size() && digit(b[endB]))
                ++endB;
            if (endA - i != endB - j)
                return endA - i < endB - j ? -1 : 1;
            for (; i < endA; ++i, ++j) {
                if (a[i] != b[j])
                    return a[i] < b[j] ? -1 : 1;
            }
            continue;
        }
        const QChar x = a[i].toCaseFolded();
        const QChar y = b[j].toCaseFolded();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

QString ColumnText(const SParameterRow& row, int column)
{
    switch (column) {
    case CTavrinViewModel::kNameColumn:
        return row.name;
    case CTavrinViewModel::kValueColumn:
        return row.value;
    case CTavrinViewModel::kGroupColumn:
        return CParameterRows::GroupName(row.group);
    default:
        return {};
    }
}

} // namespace

CTavrinViewModel::CTavrinViewModel(QObject* parent)
    : QAbstractTableModel(parent), m_changedMark(MakeMark(true)), m_noMark(MakeMark(false))
{
}

void CTavrinViewModel::SetRows(std::vector<SParameterRow> rows)
{
    const std::vector<int> order = Order(rows);
    std::vector<SParameterRow> sorted;
    sorted.reserve(rows.size());
    for (int from : order)
        sorted.push_back(std::move(rows[std::size_t(from)]));
    beginResetModel();
    m_rows = std::move(sorted);
    endResetModel();
}

std::vector<int> CTavrinViewModel::Order(const std::vector<SParameterRow>& rows) const
{
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    const auto byFile = [&rows](int a, int b) {
        return rows[std::size_t(a)].filePosition < rows[std::size_t(b)].filePosition;
    };
    if (m_sortColumn < 0) {
        std::stable_sort(order.begin(), order.end(), byFile);
        return order;
    }
    // Group names are made once per group rather than once per comparison.
    QHash<quint16, QString> groupNames;
    if (m_sortColumn == kGroupColumn) {
        for (const SParameterRow& row : rows) {
            if (!groupNames.contains(row.group))
                groupNames.insert(row.group, CParameterRows::GroupName(row.group));
        }
    }
    const auto text = [this, &rows, &groupNames](int at) -> const QString& {
        const SParameterRow& row = rows[std::size_t(at)];
        if (m_sortColumn == kNameColumn)
            return row.name;
        if (m_sortColumn == kValueColumn)
            return row.value;
        return *groupNames.constFind(row.group);
    };
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int compared = CompareText(text(a), text(b));
        if (compared != 0)
            return descending ? compared > 0 : compared < 0;
        return byFile(a, b);
    });
    return order;
}

void CTavrinViewModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column >= 0 && column < kColumnCount ? column : -1;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> sorted = Order(m_rows);
    std::vector<SParameterRow> rows;
    rows.reserve(m_rows.size());
    std::vector<int> movedTo(m_rows.size());
    for (std::size_t to = 0; to < sorted.size(); ++to) {
        rows.push_back(std::move(m_rows[std::size_t(sorted[to])]));
        movedTo[std::size_t(sorted[to])] = int(to);
    }
    m_rows = std::move(rows);
    // The selection and the current row follow their rows.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(movedTo[std::size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CTavrinViewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CTavrinViewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CTavrinViewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const SParameterRow& row = m_rows[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return ColumnText(row, index.column());
    case kTagRole:
        return row.tag;
    case kGroupRole:
        return row.group;
    case kChangedRole:
        return row.changed;
    case kReadOnlyRole:
        return row.readOnly;
    case Qt::ForegroundRole:
        if (row.readOnly)
            return QColor(Qt::gray);
        return {};
    case Qt::DecorationRole:
        if (index.column() == 0)
            return row.changed ? m_changedMark : m_noMark;
        return {};
    case Qt::FontRole:
        if (row.changed) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole: {
        QStringList tips;
        if (row.readOnly)
            tips.append(LoadString(EString::ReadOnly));
        if (row.changed)
            tips.append(tr("Changed since the set was last read, opened or written"));
        return tips.isEmpty() ? QVariant() : QVariant(tips.join(QLatin1Char('\n')));
    }
    default:
        return {};
    }
}

QVariant CTavrinViewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        if (section == 0)
            return QStringLiteral("Parameter");
        if (section == 1)
            return QStringLiteral("Values");
        if (section == kGroupColumn)
            return QStringLiteral("Group");
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags CTavrinViewModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
