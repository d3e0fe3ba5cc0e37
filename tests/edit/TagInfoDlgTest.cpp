// The tag information window: exact texts for signed and unsigned records, and the reply
// flags shown in normal text or greyed.
#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "ui/CTagInfoDlg.h"
#include "ui/ControlId.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// The same words read both ways: 0xFFFF, 0x8000, 0x7FFF, 0xFFF6 differ between signed and
// unsigned; scale 1 and div 10 would change the value if any scaling crept in.
CParameter Record(quint8 flags)
{
    CParameter record;
    record.tagNumber = 0x0151;
    record.value = 0xFFFF;
    record.minimum = 0x8000;
    record.maximum = 0x7FFF;
    record.scale = 1;
    record.div = 10;
    record.shift = 0xFFF6;
    record.step = 5;
    record.unitsCode = 6;
    record.SetFlagsByte(flags);
    return record;
}

CTagInfo Tag(quint16 number)
{
    CTagInfo tag;
    tag.tag = number;
    tag.privilege = 3;
    tag.unitsCode = 2; // the window names the record's units, not the tag's
    tag.name = QByteArray("Motor temp \xB0"
                          "C");
    return tag;
}

QString LabelText(QWidget& dialog, int id)
{
    auto* label = ControlId::Find<QLabel>(&dialog, id);
    EXPECT_NE(label, nullptr) << "no static id" << id;
    return label ? label->text() : QString();
}

// Ids of the flag lines enabled, in the window's order.
std::vector<int> EnabledFlags(QWidget& dialog)
{
    std::vector<int> enabled;
    for (int id = 1113; id <= 1120; ++id) {
        auto* label = ControlId::Find<QLabel>(&dialog, id);
        EXPECT_NE(label, nullptr) << "no flag line id" << id;
        if (label && label->isEnabled())
            enabled.push_back(id);
    }
    return enabled;
}

} // namespace

TEST(TagInfoDlgTest, SignedRecordShowsSignedRawWords)
{
    const CParameter record =
        Record(LinkProtocol::kStatusSigned | LinkProtocol::kStatusSupported); // 0x48
    const CTagInfo tag = Tag(0x0151);
    CTagInfoDlg dialog(record, tag);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Tag Information"));
    auto* group = ControlId::Find<QGroupBox>(&dialog, 1112);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("Motor temp \u00B0C"));
    EXPECT_EQ(LabelText(dialog, 1102), QStringLiteral("Tag number: 0x0151"));
    EXPECT_EQ(LabelText(dialog, 1103), QStringLiteral("Value: -1"));
    EXPECT_EQ(LabelText(dialog, 1105), QStringLiteral("Minimum: -32768"));
    EXPECT_EQ(LabelText(dialog, 1104), QStringLiteral("Maximum: 32767"));
    EXPECT_EQ(LabelText(dialog, 1106), QStringLiteral("Scale: 1"));
    EXPECT_EQ(LabelText(dialog, 1107), QStringLiteral("Div: 10"));
    EXPECT_EQ(LabelText(dialog, 1108), QStringLiteral("Shift: -10"));
    EXPECT_EQ(LabelText(dialog, 1109), QStringLiteral("Step: 5"));
    EXPECT_EQ(LabelText(dialog, 1227), QStringLiteral("Priviledge Level: 3"));
    EXPECT_EQ(LabelText(dialog, 1228), QStringLiteral("Celsius"));
    // Supported (1113) and Signed (1117) only.
    EXPECT_EQ(EnabledFlags(dialog), (std::vector<int>{1113, 1117}));
    auto* ok = ControlId::Find<QPushButton>(&dialog, 1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
}

TEST(TagInfoDlgTest, UnsignedRecordShowsUnsignedRawWords)
{
    const CParameter record = Record(0);
    const CTagInfo tag = Tag(0x1F4A);
    CTagInfoDlg dialog(record, tag);
    EXPECT_EQ(LabelText(dialog, 1102), QStringLiteral("Tag number: 0x1F4A"));
    EXPECT_EQ(LabelText(dialog, 1103), QStringLiteral("Value: 65535"));
    EXPECT_EQ(LabelText(dialog, 1105), QStringLiteral("Minimum: 32768"));
    EXPECT_EQ(LabelText(dialog, 1104), QStringLiteral("Maximum: 32767"));
    EXPECT_EQ(LabelText(dialog, 1108), QStringLiteral("Shift: 65526"));
    EXPECT_TRUE(EnabledFlags(dialog).empty());
}

TEST(TagInfoDlgTest, EachFlagLightsItsOwnLine)
{
    const std::pair<quint8, int> flags[] = {
        {LinkProtocol::kStatusSupported, 1113}, {LinkProtocol::kStatusForeground, 1114},
        {LinkProtocol::kStatusInvert, 1115},    {LinkProtocol::kStatusWrap, 1116},
        {LinkProtocol::kStatusSigned, 1117},    {LinkProtocol::kStatusVolatile, 1118},
        {LinkProtocol::kStatusReadOnly, 1119},  {LinkProtocol::kStatusTempUnavailable, 1120},
    };
    for (const auto& [mask, id] : flags) {
        CTagInfoDlg dialog(Record(mask), Tag(1));
        EXPECT_EQ(EnabledFlags(dialog), std::vector<int>{id}) << "mask " << int(mask);
    }
    CTagInfoDlg all(Record(0xFF), Tag(1));
    EXPECT_EQ(EnabledFlags(all).size(), 8u);
}

TEST(TagInfoDlgTest, UnitsCodeOutsideTheTableShowsNoName)
{
    CParameter record = Record(0);
    record.unitsCode = 25;
    CTagInfoDlg dialog(record, Tag(1));
    EXPECT_EQ(LabelText(dialog, 1228), QString());
}
