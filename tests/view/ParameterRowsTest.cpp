// The rows and groups of the parameter list, worked out without widgets.
#include "ViewTestDoc.h"

#include "edit/CParameterRows.h"
#include "ui/CTavrinViewModel.h"

#include <QColor>
#include <QItemSelectionModel>

#include <algorithm>

namespace {

class ParameterRowsTest : public ViewTestDoc
{
protected:
    SParameterRows Build(quint16 filterGroup = 0)
    {
        return CParameterRows::Build(doc.Parameters(), doc.Tags(), filterGroup);
    }
    static std::vector<quint16> Tags(const SParameterRows& built)
    {
        std::vector<quint16> tags;
        for (const SParameterRow& row : built.rows)
            tags.push_back(row.tag);
        return tags;
    }
    // The tags of the rows a search finds, ascending.
    std::vector<quint16> Found(const char* text, quint16 filterGroup = 0)
    {
        SRowFilter filter;
        filter.search = QString::fromLatin1(text);
        std::vector<quint16> tags =
            Tags(CParameterRows::Build(doc.Parameters(), doc.Tags(), filterGroup, filter));
        std::sort(tags.begin(), tags.end());
        return tags;
    }
    // The tag file record at the row's file position.
    const CTagInfo* AtFilePosition(const SParameterRow& row) const
    {
        return doc.Tags().Tags().at(std::size_t(row.filePosition)).get();
    }
};

} // namespace

TEST_F(ParameterRowsTest, EmptySetHasNoRowsAndOnlyAll)
{
    // Records left behind do not count while the empty flag is set.
    SetParameters({0x0100, 0x0129});
    doc.Parameters().SetEmpty(true);
    const SParameterRows built = Build(12);
    EXPECT_TRUE(built.rows.empty());
    EXPECT_EQ(built.groups, std::vector<quint16>{0});
    EXPECT_EQ(built.filterGroup, 0);
    EXPECT_EQ(built.filterIndex, 0);
}

TEST_F(ParameterRowsTest, RowsRunBackwardsWithNamesValueTextsAndGroups)
{
    SetParameters({0x0116, 0x0105, 16480}, 2);
    const SParameterRows built = Build();
    ASSERT_EQ(built.rows.size(), 3u);
    EXPECT_EQ(Tags(built), (std::vector<quint16>{16480, 0x0105, 0x0116}));

    EXPECT_EQ(built.rows[0].name, QStringLiteral("Brush Motor Mode"));
    EXPECT_EQ(built.rows[0].value, QStringLiteral("Forward + Reverse")) << "option text 2";
    EXPECT_EQ(built.rows[0].group, 18);
    EXPECT_EQ(built.rows[1].name, QStringLiteral("Drive Current Limit"));
    EXPECT_EQ(built.rows[1].value, QStringLiteral("2 Amps"));
    EXPECT_EQ(built.rows[1].group, 3);
    EXPECT_EQ(built.rows[2].name, QStringLiteral("Seat Switch Delay"));
    EXPECT_EQ(built.rows[2].value, QStringLiteral("2 secs"));
    EXPECT_EQ(built.rows[2].group, 4);
}

TEST_F(ParameterRowsTest, ReadOnlyRowsAreGreyWithATip)
{
    SetParameters({0x0116, 0x0105});
    doc.Parameters().Parameters()[1]->readOnly = true;
    CTavrinViewModel model;
    model.SetRows(Build().rows);
    ASSERT_EQ(model.rowCount(), 2);
    const QModelIndex readOnly = model.index(0, 0);
    const QModelIndex writable = model.index(1, 0);
    ASSERT_EQ(readOnly.data(CTavrinViewModel::kTagRole).toUInt(), 0x0105u);
    EXPECT_TRUE(readOnly.data(CTavrinViewModel::kReadOnlyRole).toBool());
    EXPECT_EQ(readOnly.data(Qt::ToolTipRole).toString(), QStringLiteral("Read only"));
    EXPECT_EQ(model.index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
    EXPECT_FALSE(writable.data(CTavrinViewModel::kReadOnlyRole).toBool());
    EXPECT_FALSE(writable.data(Qt::ToolTipRole).isValid());
    EXPECT_FALSE(writable.data(Qt::ForegroundRole).isValid());
}

TEST_F(ParameterRowsTest, TagsAreLookedUpForTheDataControllerType)
{
    // 0x0109 is "Brake Release Voltage" on type 9 and "Brake Hold Voltage" on type 10;
    // 0x0122 exists for type 9 only, and 0x7777 not at all.
    // Each row also knows where its record stands in the tag file.
    SetParameters({0x0109, 0x0122, 0x7777}, 5, 9);
    SParameterRows built = Build();
    ASSERT_EQ(built.rows.size(), 2u);
    EXPECT_EQ(built.rows[0].name, QStringLiteral("Detergent Dose"));
    EXPECT_EQ(built.rows[1].name, QStringLiteral("Brake Release Voltage"));
    EXPECT_EQ(built.groups, (std::vector<quint16>{0, 2, 22}));
    for (const SParameterRow& row : built.rows)
        EXPECT_EQ(AtFilePosition(row), doc.Tags().FindTag(row.tag, 9)) << row.tag;
    const int releasePosition = built.rows[1].filePosition;

    SetParameters({0x0109, 0x0122, 0x7777}, 5, 10);
    built = Build();
    ASSERT_EQ(built.rows.size(), 1u);
    EXPECT_EQ(built.rows[0].name, QStringLiteral("Brake Hold Voltage"));
    EXPECT_EQ(AtFilePosition(built.rows[0]), doc.Tags().FindTag(0x0109, 10));
    EXPECT_NE(built.rows[0].filePosition, releasePosition);
    EXPECT_EQ(built.groups, (std::vector<quint16>{0, 2})) << "a missing tag adds no group";
}

TEST_F(ParameterRowsTest, GroupListIsZeroThenPresentGroupsAscendingOnce)
{
    // Groups in set order: 12, 3, 12, 0, 24, 7.
    SetParameters({0x0100, 0x0105, 0x0102, 0x0145, 0x010F, 0x0129});
    const SParameterRows built = Build();
    EXPECT_EQ(built.rows.size(), 6u);
    EXPECT_EQ(built.groups, (std::vector<quint16>{0, 3, 7, 12, 24}));
    EXPECT_EQ(CParameterRows::GroupNames(built.groups),
              (QStringList{"All", "Drive Motor", "Profile 1", "Speed", "Engineering"}));
}

TEST_F(ParameterRowsTest, FilterRestrictsRowsToItsGroup)
{
    // Groups 7 and 12 only.
    SetParameters({0x0129, 0x0100, 0x012A, 0x0102});
    SParameterRows built = Build();
    EXPECT_EQ(CParameterRows::GroupNames(built.groups), (QStringList{"All", "Profile 1", "Speed"}));
    EXPECT_EQ(Tags(built), (std::vector<quint16>{0x0102, 0x012A, 0x0100, 0x0129}));

    built = Build(12);
    EXPECT_EQ(built.filterGroup, 12);
    EXPECT_EQ(built.filterIndex, 2);
    EXPECT_EQ(Tags(built), (std::vector<quint16>{0x0102, 0x0100}));

    built = Build(7);
    EXPECT_EQ(built.filterIndex, 1);
    EXPECT_EQ(Tags(built), (std::vector<quint16>{0x012A, 0x0129}));
}

TEST_F(ParameterRowsTest, FilterOnAGroupNoLongerPresentIsDropped)
{
    SetParameters({0x0129, 0x0105});
    const SParameterRows built = Build(12);
    EXPECT_EQ(built.filterGroup, 0);
    EXPECT_EQ(built.filterIndex, 0);
    EXPECT_EQ(Tags(built), (std::vector<quint16>{0x0105, 0x0129})) << "unrestricted";
}

TEST_F(ParameterRowsTest, GroupNames)
{
    EXPECT_EQ(CParameterRows::GroupName(0), QStringLiteral("All"));
    EXPECT_EQ(CParameterRows::GroupName(24), QStringLiteral("Engineering"));
    EXPECT_EQ(CParameterRows::GroupName(25), QStringLiteral("Group 25"));
    EXPECT_EQ(CParameterRows::GroupName(0xFFFF), QStringLiteral("Group 65535"));
}
TEST_F(ParameterRowsTest, SearchFindsTheNameTheValueTextOrTheTagNumber)
{
    // 0x0116 = 278 "Seat Switch Delay" "2 secs", 0x0105 "Drive Current Limit" "2 Amps",
    // 16480 = 0x4060 "Brush Motor Mode" "Forward + Reverse", 0x0129 = 297 "Profile 1 Max
    // Speed" "2 %", 0x012A = 298 "Profile 1 Acceleration" "0.02 secs".
    SetParameters({0x0116, 0x0105, 16480, 0x0129, 0x012A}, 2);
    using Tags = std::vector<quint16>;
    EXPECT_EQ(Found("switch"), Tags{0x0116}) << "the name";
    EXPECT_EQ(Found("AMPS"), Tags{0x0105}) << "the value text, any case";
    EXPECT_EQ(Found("secs"), (Tags{0x0116, 0x012A}));

    EXPECT_EQ(Found("0x0116"), Tags{0x0116}) << "hex";
    EXPECT_EQ(Found("0X116"), Tags{0x0116});
    EXPECT_EQ(Found("0116"), Tags{0x0116}) << "four hex digits without 0x";
    EXPECT_EQ(Found("012a"), Tags{0x012A});
    EXPECT_EQ(Found("4060"), Tags{16480});
    EXPECT_EQ(Found("278"), Tags{0x0116}) << "decimal";

    // A plain number still finds names and values holding it; "0x" only tag numbers.
    EXPECT_EQ(Found("1"), (Tags{0x0129, 0x012A}));
    EXPECT_EQ(Found("2"), (Tags{0x0105, 0x0116, 0x0129, 0x012A}));
    EXPECT_EQ(Found("0x1"), Tags{});
    EXPECT_EQ(Found("0x0117"), Tags{});

    // The group box narrows the search: 0x0116 is in group 4, not 7.
    EXPECT_EQ(Found("0116", 7), Tags{});
    EXPECT_EQ(Found("0116", 4), Tags{0x0116});
}

TEST(TavrinViewModelTest, SortsByAColumnsTextAndTheSelectionFollows)
{
    const auto row = [](const char* name, const char* value, quint16 tag, quint16 group,
                        int filePosition) {
        SParameterRow r;
        r.name = QString::fromLatin1(name);
        r.value = QString::fromLatin1(value);
        r.tag = tag;
        r.group = group;
        r.filePosition = filePosition;
        return r;
    };
    // Groups: 2 "Brake", 24 "Engineering", 12 "Speed", 3 "Drive Motor".
    const std::vector<SParameterRow> rows = {
        row("Speed 10", "10 km/h", 1, 2, 2), row("speed 9", "9 km/h", 2, 24, 0),
        row("Brake", "Enabled", 3, 12, 1), row("SPEED 9", "100 km/h", 4, 3, 3)};
    CTavrinViewModel model;
    model.SetRows(rows);
    const auto tags = [&model] {
        std::vector<quint16> shown;
        for (int r = 0; r < model.rowCount(); ++r)
            shown.push_back(quint16(model.index(r, 0).data(CTavrinViewModel::kTagRole).toUInt()));
        return shown;
    };
    using Tags = std::vector<quint16>;
    EXPECT_EQ(tags(), (Tags{2, 3, 1, 4})) << "the tag file's order";
    EXPECT_EQ(model.index(1, CTavrinViewModel::kGroupColumn).data().toString(),
              QStringLiteral("Speed"));

    QItemSelectionModel selection(&model);
    selection.setCurrentIndex(model.index(2, 0),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    // Numbers by value, letters in any case, equal texts in the tag file's order.
    model.sort(CTavrinViewModel::kNameColumn, Qt::AscendingOrder);
    EXPECT_EQ(tags(), (Tags{3, 2, 4, 1}));
    EXPECT_EQ(selection.currentIndex().row(), 3) << "the current row follows tag 1";
    EXPECT_TRUE(selection.isRowSelected(3));
    model.sort(CTavrinViewModel::kNameColumn, Qt::DescendingOrder);
    EXPECT_EQ(tags(), (Tags{1, 2, 4, 3}));
    EXPECT_EQ(selection.currentIndex().row(), 0);
    model.sort(CTavrinViewModel::kValueColumn, Qt::AscendingOrder);
    EXPECT_EQ(tags(), (Tags{2, 1, 4, 3}));
    model.sort(CTavrinViewModel::kGroupColumn, Qt::AscendingOrder);
    EXPECT_EQ(tags(), (Tags{1, 4, 2, 3}));

    // A refill keeps the order.
    model.SetRows(rows);
    EXPECT_EQ(tags(), (Tags{1, 4, 2, 3}));
}
