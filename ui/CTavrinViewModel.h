#pragma once

#include "edit/CParameterRows.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

// The rows of the parameter list as a table model: column 0 the tag's name ("Parameter"),
// column 1 the value text ("Values"), the tag number under kTagRole. The rows are replaced
// as a whole on every refill (one model reset), which keeps a refill of thousands of rows
// to a few milliseconds.
//
// A row whose value differs from the document's baseline is drawn bold with a dot before its
// name (a decoration, so the name itself stays as printed and exported). A read-only row is
// drawn in grey, and its tool tip says "Read only".
class CTavrinViewModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kTagRole = Qt::UserRole;
    static constexpr int kGroupRole = Qt::UserRole + 1;
    static constexpr int kChangedRole = Qt::UserRole + 2;
    static constexpr int kReadOnlyRole = Qt::UserRole + 3;
    static constexpr int kColumnCount = 2;

    explicit CTavrinViewModel(QObject* parent = nullptr);

    void SetRows(std::vector<SParameterRow> rows);
    const std::vector<SParameterRow>& Rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    std::vector<SParameterRow> m_rows;
    QIcon m_changedMark;
    QIcon m_noMark;
};
