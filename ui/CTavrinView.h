#pragma once

#include "ops/adc/CAdcChannels.h"

#include <QPixmap>
#include <QPointer>
#include <QTreeView>
#include <QtGlobal>

#include <vector>

class CAdcChartWnd;
class CTavrinDoc;
class CTavrinViewModel;
class QComboBox;

// The document's parameter list: a report-style list with the columns "Parameter" (the tag's
// name), "Values" (the value text) and, while the filter box is on "All", "Group" (the
// group's name); one row per parameter whose tag is known, in the tag file's order until a
// column header is clicked (see CTavrinViewModel::sort). Each row carries its tag number
// (CTavrinViewModel::kTagRole).
//
// The view fills the tool bar's filter box with the display groups present and restricts the
// rows to the group the user picks there. While the document holds no parameter set, the
// product picture is drawn centred on the background.
//
// It follows the document by itself (CTavrinDoc::ViewsUpdateRequested). The dialogs behind
// the mouse and key entry points belong to their callers: the view only reports the tag
// through its signals, and only when a row is selected.
class CTavrinView : public QTreeView
{
    Q_OBJECT

public:
    // Update hint: the connected controller type changed.
    static constexpr int kHintControllerChanged = 101;

    // `doc` must outlive the view. `filterBox` (the tool bar's drop-down, not owned; may be
    // null) is cleared and refilled by the view, and its activation picks the filter group.
    // The "Parameter" column takes its width from the "ColumnWidth" setting; the view fills
    // itself from the document at once.
    CTavrinView(CTavrinDoc& doc, QComboBox* filterBox, QWidget* parent = nullptr);
    // Stores the width of the "Parameter" column in "ColumnWidth".
    ~CTavrinView() override;

    // Rebuilds the rows and refills the filter box from the document. The box then shows the
    // group the rows are restricted to; when that group is no longer present, "All" is
    // selected and the rows are unrestricted.
    void Refill();

    // The search: only rows whose name or value text holds `text` (any case), or whose tag
    // number it is (CParameterRows::CSearch), are shown, within the group.
    void SetSearchText(const QString& text);
    const QString& SearchText() const { return m_search; }
    // Only the rows whose value differs from the document's baseline (marked bold with a dot
    // whatever this says).
    void SetChangedOnly(bool only);
    bool ChangedOnly() const { return m_changedOnly; }
    // Rows of the chosen group before the search and changed-only narrow them.
    int GroupRowCount() const { return m_groupRowCount; }
    // The rows shown and how many the group holds, while a search or changed-only is on;
    // empty otherwise. E.g. "12 of 97 parameters match".
    QString MatchText() const;

    // The display group the rows are restricted to (0: none) and the filter box's groups.
    quint16 FilterGroup() const { return m_filterGroup; }
    const std::vector<quint16>& GroupList() const { return m_groups; }

    int RowCount() const;
    // The tag number of a row; 0 when there is no such row.
    quint16 RowTag(int row) const;
    // The selected row, or -1.
    int SelectedRow() const;
    // Selects a row and makes it current (out of range: clears the selection).
    void SelectRow(int row);

    // After an edit dialog closed with a change: `equal` false when the display no longer
    // matches the controller (the equality pane becomes "Program Not Equal."), true when the
    // value went to the controller (the pane is left as it is). Refreshes every view of the
    // document keeping this view's scroll position, selects the row of the parameter that
    // was in `editedRow` (it may have moved, sorted by value) and marks the document modified.
    void AfterEditRefresh(int editedRow, bool equal);

    // The picture drawn while the document is empty: 473 by 228 pixels.
    const QPixmap& ProductBitmap() const { return m_bitmap; }
    // Where the picture goes in the viewport (centred); null while the document has a set.
    QRect ProductBitmapRect() const;

    // The ADC channels and their windows, which the view hosts. Loads the channel file
    // ("ADCFileDirectory" + "ADCChannel.dat"), reporting a missing or damaged file through
    // the document's prompt; called once, when the view has been created.
    void LoadAdcChannels();
    CAdcChannels& AdcChannels() { return m_adc; }
    // The "Select ADC " dialog (modal) and the "ADC Chart" window (one, raised when open).
    void ShowAdcSelect();
    void ShowAdcChart();

public slots:
    // The document's view update: 101 (the connected controller changed) rebuilds the ADC
    // window set when the new type is known and not the set's type; otherwise, and for
    // every other hint, the list is refilled.
    void OnUpdate(int hint);
    // The filter box's entry at `index` was chosen: restricts the rows to its group.
    void OnFilterSelected(int index);

signals:
    // The rows were rebuilt; MatchText() tells what to show about them.
    void RowsRebuilt();
    // Left double-click or Enter on the selected row: edit the parameter of `tag`.
    // `row` is the row to hand back to AfterEditRefresh.
    void EditRequested(quint16 tag, int row);
    // Right double-click: show the tag information of `tag`.
    void TagInformationRequested(quint16 tag);
    // Ctrl with a right double-click: open the raw parameter dialog of `tag`.
    void RawEditRequested(quint16 tag);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    void SetRows(quint16 filterGroup, bool refillBox);

    CTavrinDoc& m_doc;
    QPointer<QComboBox> m_filterBox;
    CTavrinViewModel* m_model;
    QPixmap m_bitmap;
    quint16 m_filterGroup = 0;
    QString m_search;
    bool m_changedOnly = false;
    int m_groupRowCount = 0;
    std::vector<quint16> m_groups{0};
    CAdcChannels m_adc;
    QPointer<CAdcChartWnd> m_adcChart;
};
