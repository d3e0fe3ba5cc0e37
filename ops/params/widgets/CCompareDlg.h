#pragma once

#include "ops/params/CCompareFlow.h"

#include <QDialog>

#include <cstdint>
#include <vector>

class CTavrinDoc;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

// The comparison window: one row per parameter with its name, the value here (the
// document), the value there (the controller or the profile) and a mark saying how they
// differ. Only the rows that differ show until "Show all" is ticked. Against a controller
// every row with a value here has a check box, and "Write selected" writes the ticked rows
// (CCompareFlow::DocWriteSelected), compares again and shows the new result. After every
// fill the columns fit their content and the window is as wide as they need, within the
// screen. All exchanges and texts of the outcome come from CCompareFlow; this class only
// shows them.
class CCompareDlg : public QDialog
{
    Q_OBJECT

public:
    enum class EMode
    {
        Controller,
        Profile,
    };

    enum EColumn
    {
        ColumnName,
        ColumnHere,
        ColumnThere,
        ColumnMark,
        ColumnCount,
    };

    CCompareDlg(CTavrinDoc& doc, EMode mode, const QString& thereName,
                std::vector<CCompareFlow::SRow> rows, QWidget* parent = nullptr);

    // Controller, "Compare with Controller": compares, then shows the window modally.
    static void RunController(CTavrinDoc& doc, QWidget* parent = nullptr);
    // File, "Compare with a Profile…": asks for a profile, compares, shows the window.
    static void RunProfile(CTavrinDoc& doc, QWidget* parent = nullptr);

    // What the mark column says for a row.
    static QString MarkText(CCompareFlow::EDiff diff, EMode mode);

    QTableWidget* Table() const { return m_table; }
    QCheckBox* ShowAll() const { return m_showAll; }
    QPushButton* WriteButton() const { return m_write; }
    // The tags whose rows are ticked, top to bottom.
    std::vector<std::uint16_t> TickedTags() const;

public slots:
    void OnWriteSelected();

private:
    void SetRows(std::vector<CCompareFlow::SRow> rows);
    void ApplyFilter();
    // Fits the name and value columns to the rows shown and widens the window to show them.
    void FitToContent();
    void UpdateWriteButton();

    CTavrinDoc& m_doc;
    EMode m_mode;
    std::vector<CCompareFlow::SRow> m_rows;
    QLabel* m_summary = nullptr;
    QTableWidget* m_table = nullptr;
    QCheckBox* m_showAll = nullptr;
    QPushButton* m_write = nullptr;
};
