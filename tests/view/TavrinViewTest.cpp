// The parameter list view offscreen: rows, filter box, product picture, entry points,
// the after-edit refresh and the stored column width.
#include "ViewTestDoc.h"

#include "ui/CProductBitmap.h"
#include "ui/CTavrinView.h"
#include "ui/CTavrinViewModel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

class TavrinViewTest : public ViewTestDoc
{
protected:
    static QStringList Entries(const QComboBox& box)
    {
        QStringList entries;
        for (int i = 0; i < box.count(); ++i)
            entries.append(box.itemText(i));
        return entries;
    }
    static std::vector<quint16> Tags(const CTavrinView& view)
    {
        std::vector<quint16> tags;
        for (int row = 0; row < view.RowCount(); ++row)
            tags.push_back(view.RowTag(row));
        return tags;
    }
    static QString Text(const CTavrinView& view, int row, int column)
    {
        return view.model()->index(row, column).data().toString();
    }
    // Picks a filter box entry the way the user does: the keyboard on the closed box, which
    // emits activated.
    static void Choose(QComboBox& box, const QString& entry)
    {
        const int target = box.findText(entry);
        ASSERT_GE(target, 0) << entry.toStdString();
        QTest::keyClick(&box, Qt::Key_Home);
        for (int i = 0; i < target; ++i)
            QTest::keyClick(&box, Qt::Key_Down);
        ASSERT_EQ(box.currentIndex(), target);
    }
    static QImage Shown(CTavrinView& view, const QRect& where)
    {
        return view.viewport()->grab(where).toImage().convertToFormat(
            QImage::Format_ARGB32_Premultiplied);
    }
    // The events of a real double-click: the press selects the row, the double-click follows.
    static void DoubleClick(QWidget* area, Qt::MouseButton button, Qt::KeyboardModifiers keys,
                            QPoint at)
    {
        QTest::mousePress(area, button, keys, at);
        QTest::mouseRelease(area, button, keys, at);
        QTest::mouseDClick(area, button, keys, at);
        QTest::mouseRelease(area, button, keys, at);
    }
    static QPoint RowCentre(const CTavrinView& view, int row)
    {
        return view.visualRect(view.model()->index(row, 0)).center();
    }

    QComboBox box;
};

} // namespace

TEST_F(TavrinViewTest, EmptyDocumentShowsOnlyAllAndThePicture)
{
    box.addItems({"All", "stale"});
    CTavrinView view(doc, &box);
    view.resize(700, 460);
    view.show();
    EXPECT_EQ(view.RowCount(), 0);
    EXPECT_EQ(Entries(box), QStringList{"All"});
    EXPECT_EQ(box.currentIndex(), 0);

    const QPixmap& picture = view.ProductBitmap();
    ASSERT_EQ(picture.size(), QSize(CProductBitmap::kWidth, CProductBitmap::kHeight));
    const QSize area = view.viewport()->size();
    const QRect where = view.ProductBitmapRect();
    EXPECT_EQ(where.topLeft(), QPoint((area.width() - 473) / 2, (area.height() - 228) / 2));

    // The screen there shows the picture over the list's background, pixel for pixel.
    QImage expected(picture.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(view.viewport()->palette().color(QPalette::Base));
    {
        QPainter painter(&expected);
        painter.drawPixmap(0, 0, picture);
    }
    EXPECT_EQ(Shown(view, where), expected);

    // With a parameter set the picture goes away.
    SetParameters({0x0100});
    doc.UpdateAllViews();
    EXPECT_TRUE(view.ProductBitmapRect().isNull());
    EXPECT_NE(Shown(view, where), expected);
}

TEST_F(TavrinViewTest, RowsFollowTheTagFileWithTagsValueTextsAndGroups)
{
    settings.SetColumnWidth(240);
    SetParameters({0x0116, 0x0105, 0x7777, 16480}, 2);
    CTavrinView view(doc, &box);
    view.resize(700, 460);
    view.show();

    EXPECT_EQ(view.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Parameter"));
    EXPECT_EQ(view.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Values"));
    EXPECT_EQ(view.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Group"));
    EXPECT_EQ(view.header()->sectionSize(0), 240);

    // The tag file lists these tags in ascending order; the set has them otherwise.
    ASSERT_EQ(view.RowCount(), 3) << "0x7777 has no tag";
    EXPECT_EQ(Tags(view), (std::vector<quint16>{0x0105, 0x0116, 16480}));
    EXPECT_EQ(view.model()->index(2, 0).data(CTavrinViewModel::kTagRole).toUInt(), 16480u);
    EXPECT_EQ(Text(view, 2, 0), QStringLiteral("Brush Motor Mode"));
    EXPECT_EQ(Text(view, 2, 1), QStringLiteral("Forward + Reverse"));
    EXPECT_EQ(Text(view, 2, 2), QStringLiteral("Brush Motor"));
    EXPECT_EQ(Text(view, 1, 0), QStringLiteral("Seat Switch Delay"));
    EXPECT_EQ(Text(view, 1, 1), QStringLiteral("2 secs"));
    EXPECT_EQ(Text(view, 1, 2), QStringLiteral("Input"));
    EXPECT_EQ(Entries(box), (QStringList{"All", "Drive Motor", "Input", "Brush Motor"}));

    // Every hint refills, the controller-changed hint included.
    SetParameters({0x0100});
    doc.UpdateAllViews(CTavrinView::kHintControllerChanged);
    EXPECT_EQ(Tags(view), std::vector<quint16>{0x0100});
    EXPECT_EQ(Entries(box), (QStringList{"All", "Speed"}));
}

TEST_F(TavrinViewTest, FilterBoxRestrictsRowsToTheChosenGroupAndOnlyAllShowsTheGroups)
{
    SetParameters({0x0129, 0x0100, 0x012A, 0x0102});
    CTavrinView view(doc, &box);
    view.resize(700, 460);
    view.show();
    const QHeaderView* head = view.header();
    EXPECT_EQ(Entries(box), (QStringList{"All", "Profile 1", "Speed"}));
    EXPECT_FALSE(view.isColumnHidden(2));
    EXPECT_EQ(head->sectionSize(0) + head->sectionSize(1) + head->sectionSize(2), head->width())
        << "Group fills the rest";

    Choose(box, QStringLiteral("Speed"));
    EXPECT_EQ(view.FilterGroup(), 12);
    EXPECT_EQ(Tags(view), (std::vector<quint16>{0x0100, 0x0102}));
    EXPECT_EQ(Entries(box), (QStringList{"All", "Profile 1", "Speed"})) << "box left alone";
    EXPECT_TRUE(view.isColumnHidden(2));
    EXPECT_EQ(head->sectionSize(0) + head->sectionSize(1), head->width())
        << "Values fills the rest";

    Choose(box, QStringLiteral("All"));
    EXPECT_EQ(view.FilterGroup(), 0);
    EXPECT_EQ(view.RowCount(), 4);
    EXPECT_FALSE(view.isColumnHidden(2));
}

TEST_F(TavrinViewTest, RefillKeepsTheFilterGroupSelectedOrFallsBackToAll)
{
    SetParameters({0x0129, 0x0100});
    CTavrinView view(doc, &box);
    Choose(box, QStringLiteral("Speed"));

    // Group 3 arrives ahead of 12: the box follows the group, not the old position.
    SetParameters({0x0105, 0x0129, 0x0100, 0x0102});
    doc.UpdateAllViews();
    EXPECT_EQ(Entries(box), (QStringList{"All", "Drive Motor", "Profile 1", "Speed"}));
    EXPECT_EQ(box.currentText(), QStringLiteral("Speed"));
    EXPECT_EQ(view.FilterGroup(), 12);
    EXPECT_EQ(Tags(view), (std::vector<quint16>{0x0100, 0x0102}));

    // Group 12 gone: "All", and every row.
    SetParameters({0x0105, 0x0129});
    doc.UpdateAllViews();
    EXPECT_EQ(box.currentText(), QStringLiteral("All"));
    EXPECT_EQ(view.FilterGroup(), 0);
    EXPECT_EQ(Tags(view), (std::vector<quint16>{0x0105, 0x0129}));

    // A later set with group 12 again stays unrestricted.
    SetParameters({0x0100, 0x0129});
    doc.UpdateAllViews();
    EXPECT_EQ(box.currentText(), QStringLiteral("All"));
    EXPECT_EQ(view.RowCount(), 2);
}

TEST_F(TavrinViewTest, FilterChoiceOnAnEmptyDocumentDoesNothing)
{
    CTavrinView view(doc, &box);
    // A stale entry as if the box still showed an earlier set's groups.
    box.addItem(QStringLiteral("Speed"));
    Choose(box, QStringLiteral("Speed"));
    EXPECT_EQ(view.FilterGroup(), 0);
    EXPECT_EQ(view.RowCount(), 0);
}

TEST_F(TavrinViewTest, EnterEditsTheSelectedRowOnly)
{
    SetParameters({0x0129, 0x0100, 0x0102});
    CTavrinView view(doc, &box);
    QSignalSpy edits(&view, &CTavrinView::EditRequested);

    ASSERT_EQ(view.SelectedRow(), -1);
    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClick(&view, Qt::Key_Enter);
    EXPECT_EQ(edits.count(), 0) << "no row selected";

    view.SelectRow(1);
    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits[0][0].value<quint16>(), 0x0102);
    EXPECT_EQ(edits[0][1].toInt(), 1);
}

TEST_F(TavrinViewTest, DoubleClicksReportTheSelectedRowsTag)
{
    SetParameters({0x0129, 0x0100, 0x0102});
    CTavrinView view(doc, &box);
    view.resize(600, 400);
    view.show();
    QSignalSpy edits(&view, &CTavrinView::EditRequested);
    QSignalSpy information(&view, &CTavrinView::TagInformationRequested);
    QSignalSpy raw(&view, &CTavrinView::RawEditRequested);
    QWidget* area = view.viewport();

    // Below the last row: nothing, whatever was selected before.
    view.SelectRow(0);
    DoubleClick(area, Qt::LeftButton, {}, QPoint(50, area->height() - 5));
    DoubleClick(area, Qt::RightButton, {}, QPoint(50, area->height() - 5));
    EXPECT_EQ(edits.count() + information.count() + raw.count(), 0);

    DoubleClick(area, Qt::LeftButton, {}, RowCentre(view, 2));
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits[0][0].value<quint16>(), 0x0129);
    EXPECT_EQ(edits[0][1].toInt(), 2);

    DoubleClick(area, Qt::RightButton, {}, RowCentre(view, 1));
    ASSERT_EQ(information.count(), 1);
    EXPECT_EQ(information[0][0].value<quint16>(), 0x0102);

    // Ctrl on the row already selected keeps it selected.
    DoubleClick(area, Qt::RightButton, Qt::ControlModifier, RowCentre(view, 1));
    ASSERT_EQ(raw.count(), 1);
    EXPECT_EQ(raw[0][0].value<quint16>(), 0x0102);
    EXPECT_EQ(information.count(), 1);
    EXPECT_EQ(edits.count(), 1);
}

TEST_F(TavrinViewTest, AfterEditRefreshKeepsScrollSelectsAndMarksModified)
{
    std::initializer_list<quint16> many = {
        0x0100, 0x0101, 0x0102, 0x0103, 0x0104, 0x0105, 0x0106, 0x0107, 0x0108, 0x0109,
        0x010A, 0x010B, 0x010C, 0x010D, 0x010E, 0x010F, 0x0110, 0x0111, 0x0112, 0x0113,
        0x0114, 0x0115, 0x0116, 0x0118, 0x0119, 0x011A, 0x011B, 0x011C, 0x011D, 0x011E};
    SetParameters(many);
    CTavrinView view(doc, &box);
    view.resize(400, 150);
    view.show();
    QScrollBar* bar = view.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 5) << "needs more rows than fit";
    bar->setValue(5);
    doc.SetEqualityPane(true);
    ASSERT_FALSE(doc.IsModified());

    // The edit changed the value of the parameter shown in row 7 (0x0107, in the tag file's
    // order).
    const int row = 7;
    ASSERT_EQ(view.RowTag(row), 0x0107);
    doc.Parameters().FindParameter(0x0107)->value = 42;
    view.AfterEditRefresh(row, true);
    EXPECT_EQ(Text(view, row, 1), QStringLiteral("42 Amps")) << "refilled";
    EXPECT_EQ(bar->value(), 5);
    EXPECT_EQ(view.SelectedRow(), row);
    EXPECT_EQ(view.currentIndex().row(), row);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.EqualityPane()) << "written to the controller: pane untouched";

    view.AfterEditRefresh(row, false);
    EXPECT_FALSE(doc.EqualityPane());
    EXPECT_EQ(bar->value(), 5);
}

TEST_F(TavrinViewTest, ColumnWidthIsStoredWhenTheViewGoes)
{
    {
        CTavrinView view(doc, &box);
        EXPECT_EQ(view.header()->sectionSize(0), CAppSettings::kDefaultColumnWidth);
        view.header()->resizeSection(0, 180);
        EXPECT_EQ(CAppSettings::Read(QStringLiteral("Settings"), QStringLiteral("ColumnWidth"), -1)
                      .toInt(),
                  -1)
            << "written once, at the end";
    }
    EXPECT_EQ(settings.ColumnWidth(), 180);
    EXPECT_EQ(
        CAppSettings::Read(QStringLiteral("Settings"), QStringLiteral("ColumnWidth"), -1).toInt(),
        180);
    CAppSettings next;
    EXPECT_EQ(next.ColumnWidth(), 180);
}

TEST_F(TavrinViewTest, SearchNarrowsTheChosenGroupAndEditsTheFoundRow)
{
    // Rows: 0x0100 "Acceleration Delay" (12), 0x0102 "Max Forward Speed" (12),
    // 0x0129 "Profile 1 Max Speed" (7), 0x012A "Profile 1 Acceleration" (7).
    SetParameters({0x0129, 0x0100, 0x012A, 0x0102});
    CTavrinView view(doc, &box);
    EXPECT_EQ(view.MatchText(), QString()) << "no search, no count";

    view.SetSearchText(QStringLiteral("speed"));
    EXPECT_EQ(Tags(view), (std::vector<quint16>{0x0102, 0x0129}));
    EXPECT_EQ(view.MatchText(), QStringLiteral("2 of 4 parameters match"));

    // Both must hold: the group and the search.
    Choose(box, QStringLiteral("Speed"));
    view.SetSearchText(QStringLiteral("SPEED"));
    EXPECT_EQ(Tags(view), (std::vector<quint16>{0x0102}));
    EXPECT_EQ(view.MatchText(), QStringLiteral("1 of 2 parameters match"));
    view.SetSearchText(QStringLiteral("accel"));
    EXPECT_EQ(Tags(view), (std::vector<quint16>{0x0100}));

    // The entry points report the tag of the row found, not of the unfiltered row 0.
    QSignalSpy edits(&view, &CTavrinView::EditRequested);
    view.SelectRow(0);
    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits[0][0].value<quint16>(), 0x0100);

    view.SetSearchText(QString());
    EXPECT_EQ(Tags(view), (std::vector<quint16>{0x0100, 0x0102}));
    EXPECT_EQ(view.MatchText(), QString());
}

TEST_F(TavrinViewTest, HeaderClicksSortUpDownThenBackToTheTagFileAndEditsFollowTheirRow)
{
    // 0x0100 "Acceleration Delay" "0.02 secs", 0x0102 "Max Forward Speed" "2 %",
    // 0x0129 "Profile 1 Max Speed" "2 %", 0x012A "Profile 1 Acceleration" "0.02 secs".
    SetParameters({0x0129, 0x0100, 0x012A, 0x0102}, 2);
    doc.SetBaseline();
    CTavrinView view(doc, &box);
    view.resize(700, 460);
    view.show();
    QHeaderView* head = view.header();
    const auto click = [head](int section) {
        QTest::mouseClick(head->viewport(), Qt::LeftButton, {},
                          QPoint(head->sectionViewportPosition(section) + 10, head->height() / 2));
    };
    using List = std::vector<quint16>;
    EXPECT_EQ(head->sortIndicatorSection(), -1);
    EXPECT_EQ(Tags(view), (List{0x0100, 0x0102, 0x0129, 0x012A}));

    click(0);
    EXPECT_EQ(Tags(view), (List{0x0100, 0x0102, 0x012A, 0x0129}));
    EXPECT_EQ(head->sortIndicatorSection(), 0);
    EXPECT_EQ(head->sortIndicatorOrder(), Qt::AscendingOrder);
    click(0);
    EXPECT_EQ(Tags(view), (List{0x0129, 0x012A, 0x0102, 0x0100}));
    EXPECT_EQ(head->sortIndicatorOrder(), Qt::DescendingOrder);
    click(0);
    EXPECT_EQ(Tags(view), (List{0x0100, 0x0102, 0x0129, 0x012A}));
    EXPECT_EQ(head->sortIndicatorSection(), -1) << "indicator cleared";

    // By value; equal texts keep the tag file's order.
    click(1);
    ASSERT_EQ(Tags(view), (List{0x0100, 0x012A, 0x0102, 0x0129}));
    QSignalSpy edits(&view, &CTavrinView::EditRequested);
    view.SelectRow(1);
    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_EQ(edits.count(), 1);
    EXPECT_EQ(edits[0][0].value<quint16>(), 0x012A);

    // The new value sorts last: the refresh keeps the sort and selects the row where it went.
    doc.Parameters().FindParameter(0x012A)->value = 500;
    view.AfterEditRefresh(edits[0][1].toInt(), true);
    EXPECT_EQ(Tags(view), (List{0x0100, 0x0102, 0x0129, 0x012A}));
    EXPECT_EQ(Text(view, 3, 1), QStringLiteral("5.00 secs"));
    EXPECT_EQ(view.SelectedRow(), 3);
    EXPECT_EQ(head->sortIndicatorSection(), 1);

    view.SetChangedOnly(true);
    EXPECT_EQ(Tags(view), List{0x012A});
    view.SetChangedOnly(false);
    click(1);
    EXPECT_EQ(Tags(view), (List{0x012A, 0x0102, 0x0129, 0x0100})) << "descending, still by value";
}
