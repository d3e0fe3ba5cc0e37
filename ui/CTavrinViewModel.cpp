#include "ui/CTavrinViewModel.h"

CTavrinViewModel::CTavrinViewModel(QObject* parent) : QAbstractTableModel(parent) {}

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
