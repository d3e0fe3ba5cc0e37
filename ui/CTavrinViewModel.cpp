#include "ui/CTavrinViewModel.h"

#include "res/StringTable.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QStringList>

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

} // namespace

CTavrinViewModel::CTavrinViewModel(QObject* parent)
    : QAbstractTableModel(parent), m_changedMark(MakeMark(true)), m_noMark(MakeMark(false))
{
}

void CTavrinViewModel::SetRows(std::vector<SParameterRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
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
        return index.column() == 0 ? row.name : row.value;
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
