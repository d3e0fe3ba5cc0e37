// The comparison window offscreen: its columns fit what they show, within the screen.
#include "view/ViewTestDoc.h"

#include "ops/params/CCompareFlow.h"
#include "ops/params/widgets/CCompareDlg.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>

namespace {

class CompareDlgTest : public ViewTestDoc
{
};

} // namespace

TEST_F(CompareDlgTest, ColumnsFitTheirContentAndTheWindowShowsThemAll)
{
    // There: 0x0105 and 16480 with other values, and 0x0129; here: 0x0116, 0x0105, 16480.
    SetParameters({0x0105, 16480, 0x0129}, 1);
    CParameterSet there = std::move(doc.Parameters());
    SetParameters({0x0116, 0x0105, 16480}, 2);
    std::vector<CCompareFlow::SRow> rows =
        CCompareFlow::Compare(doc.Parameters(), there, doc.Tags());
    ASSERT_EQ(rows.size(), 4u);

    // A long profile name heads the third column, so the columns need more than the window's
    // least width.
    const QString profile =
        QStringLiteral("Fleet-north-depot-reach-truck-profile-2026-12-night-shift.prm");
    CCompareDlg dialog(doc, CCompareDlg::EMode::Profile, profile, std::move(rows));
    dialog.ShowAll()->setChecked(true);
    dialog.show();
    const QTableWidget* table = dialog.Table();
    const QAbstractItemView* cells = table; // sizeHintForColumn is public here
    const QHeaderView* header = table->horizontalHeader();
    int content = 0;
    for (int column = 0; column < CCompareDlg::ColumnCount; ++column) {
        const int wanted =
            std::max(cells->sizeHintForColumn(column), header->sectionSizeHint(column));
        EXPECT_GE(table->columnWidth(column), wanted) << column;
        content += wanted;
    }
    ASSERT_GT(content, table->minimumWidth()) << "the test needs columns wider than that";
    const QRect screen = dialog.screen()->availableGeometry();
    ASSERT_LT(content + 45, screen.width()) << "the test needs a screen wide enough";
    EXPECT_LE(dialog.frameGeometry().width(), screen.width());
    EXPECT_GE(table->viewport()->width(), content);
    EXPECT_EQ(table->horizontalScrollBar()->maximum(), 0) << "no column out of sight";
}
