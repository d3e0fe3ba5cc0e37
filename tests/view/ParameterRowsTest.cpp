// The rows and groups of the parameter list, worked out without widgets.
#include "ViewTestDoc.h"

#include "edit/CParameterRows.h"
#include "ui/CTavrinViewModel.h"

#include <QColor>

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
    SetParameters({0x0109, 0x0122, 0x7777}, 5, 9);
    SParameterRows built = Build();
    ASSERT_EQ(built.rows.size(), 2u);
    EXPECT_EQ(built.rows[0].name, QStringLiteral("Detergent Dose"));
    EXPECT_EQ(built.rows[1].name, QStringLiteral("Brake Release Voltage"));
    EXPECT_EQ(built.groups, (std::vector<quint16>{0, 2, 22}));

    SetParameters({0x0109, 0x0122, 0x7777}, 5, 10);
    built = Build();
    ASSERT_EQ(built.rows.size(), 1u);
    EXPECT_EQ(built.rows[0].name, QStringLiteral("Brake Hold Voltage"));
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
