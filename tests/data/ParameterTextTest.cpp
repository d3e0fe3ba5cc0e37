#include "data/COptionTextTable.h"
#include "data/CParameter.h"
#include "data/CParameterText.h"
#include "data/CTagInfo.h"
#include "data/CUnitsTable.h"
#include "res/StringTable.h"

#include <gtest/gtest.h>

namespace {

// Units codes used below.
enum : quint16
{
    kDecimal = 0,
    kHex = 1,
    kVolts = 2,
    kCelsius = 6,
    kPercent = 7,
    kSeconds = 9,
    kAsciiChar = 13,
    kDegrees = 14,
    kYesNo = 16,
    kOnOff = 18,
    kMillivolts = 24,
};

const QString kDegree = QString(QChar(0x00B0));

CParameter Plain()
{
    CParameter p;
    p.scale = 1;
    p.div = 1;
    p.maximum = 1;
    return p;
}

QString Format(qint64 n, quint16 units, int presentation = 0)
{
    return FormatValue(n, units, presentation, Plain(), false);
}

// Properties of every entry rather than the entries again: two-state units hold their two
// texts and a maximum of 1, every other unit a value format and a usable default maximum.
TEST(UnitsTable, EveryEntryFitsItsKind)
{
    for (int code = 0; code < CUnitsTable::kCount; ++code) {
        const CUnitsTable::Entry* entry = CUnitsTable::Find(code);
        ASSERT_NE(entry, nullptr) << code;
        EXPECT_EQ(CUnitsTable::IsTwoState(code), entry->twoState) << code;
        if (entry->twoState) {
            EXPECT_EQ(CUnitsTable::DefaultMaximum(code), 1) << code;
            EXPECT_FALSE(entry->text2.contains('%')) << code;
        } else {
            EXPECT_GT(CUnitsTable::DefaultMaximum(code), 1) << code;
            EXPECT_TRUE(entry->text2.contains('%')) << code;
        }
    }
    EXPECT_EQ(CUnitsTable::Find(CUnitsTable::kCount), nullptr);
    EXPECT_EQ(CUnitsTable::Find(-1), nullptr);
    EXPECT_EQ(CUnitsTable::DefaultMaximum(25), 32767);
    EXPECT_FALSE(CUnitsTable::IsTwoState(99));

    // 8-bit texts: the degree sign is the single byte 0xB0 (octal 260).
    EXPECT_EQ(CUnitsTable::Find(kCelsius)->text1, QByteArray("\260C"));
    EXPECT_EQ(CUnitsTable::Find(kCelsius)->text2, QByteArray("%d \260C"));
    EXPECT_EQ(CUnitsTable::Find(kDegrees)->text2, QByteArray("%d \260"));
}

// Every unit with a text of its own writes the number, a blank and that text.
TEST(FormatValue, UnitsFormatsGiveTheNumberAndTheUnit)
{
    for (int code = 0; code < CUnitsTable::kCount; ++code) {
        const CUnitsTable::Entry* entry = CUnitsTable::Find(code);
        if (entry->twoState || code == kHex || code == kAsciiChar)
            continue;
        QString unit = QString::fromLatin1(entry->text1).replace("%%", "%");
        EXPECT_EQ(Format(25, quint16(code)), unit.isEmpty() ? "25" : "25 " + unit) << code;
    }
    EXPECT_EQ(Format(25, kCelsius), "25 " + kDegree + "C");
    EXPECT_EQ(Format(-7, kVolts), "-7 V");
    EXPECT_EQ(Format(5000000000LL, kDecimal), "5000000000");
}

TEST(FormatValue, HexAndCharacterFormats)
{
    EXPECT_EQ(Format(5, kHex), "0x05");
    EXPECT_EQ(Format(0x1234, kHex), "0x1234");
    EXPECT_EQ(Format(0xABCDE, kHex), "0xABCDE");
    EXPECT_EQ(Format(-1, kHex), "0xFFFFFFFF"); // printf's view of a negative int

    EXPECT_EQ(Format('A', kAsciiChar), "A");
    EXPECT_EQ(Format(0x141, kAsciiChar), "A"); // the low byte
    EXPECT_EQ(Format(0xB0, kAsciiChar), kDegree);
    EXPECT_EQ(Format(0x80, kAsciiChar), QString(QChar(0x20AC))); // Windows-1252 euro sign
    EXPECT_EQ(Format(0, kAsciiChar), "");
}

TEST(FormatValue, EveryPresentationCode)
{
    EXPECT_EQ(Format(25, kDecimal, 1), "2.5 secs");
    EXPECT_EQ(Format(-5, kDecimal, 1), "-0.5 secs");
    EXPECT_EQ(Format(5, kDecimal, 2), "0.05 secs");
    EXPECT_EQ(Format(1234, kDecimal, 2), "12.34 secs");
    EXPECT_EQ(Format(40, kDecimal, 3), "40 %");
    EXPECT_EQ(Format(40, kPercent, 3), "40 % %"); // the units format, then " %"
    EXPECT_EQ(Format(0, kDecimal, 4), "0 sec");
    EXPECT_EQ(Format(1, kDecimal, 4), "1 sec");
    EXPECT_EQ(Format(2, kDecimal, 4), "2 secs");
    EXPECT_EQ(Format(-3, kDecimal, 4), "-3 sec");
    EXPECT_EQ(Format(5, kSeconds, 4), "5 secs secs");
    EXPECT_EQ(Format(123, kDecimal, 5), "12.3 Amps");
    EXPECT_EQ(Format(245, kVolts, 6), "24.5 Volts"); // the units play no part
    EXPECT_EQ(Format(-7, kDecimal, 7), "-0.7");
    EXPECT_EQ(Format(10, kDecimal, 7), "1.0");
    for (int p : {0, 8, 64, 127})
        EXPECT_EQ(Format(25, kCelsius, p), "25 " + kDegree + "C") << p;
}

TEST(FormatValue, UnitsCodeOutsideTheTableIsAPlainNumber)
{
    EXPECT_EQ(Format(25, 25), "25");
    EXPECT_EQ(Format(25, 0xFFFF, 3), "25 %");
    EXPECT_EQ(Format(2, 99, 4), "2 secs");
}

TEST(FormatValue, TwoStateValuesAndLimits)
{
    CParameter p = Plain();
    EXPECT_EQ(FormatValue(1, kYesNo, 0, p, false), "Yes");
    EXPECT_EQ(FormatValue(0, kYesNo, 0, p, false), "No");
    p.invert = true;
    EXPECT_EQ(FormatValue(1, kYesNo, 0, p, false), "No");
    EXPECT_EQ(FormatValue(0, kYesNo, 0, p, false), "Yes");
    // A limit compares with the raw maximum and ignores Invert.
    EXPECT_EQ(FormatValue(1, kYesNo, 0, p, true), "Yes");
    EXPECT_EQ(FormatValue(0, kYesNo, 0, p, true), "No");
    // The presentation code does not apply to two-state units.
    EXPECT_EQ(FormatValue(1, kOnOff, 1, Plain(), false), "On");
    EXPECT_EQ(FormatValue(0, 15, 0, Plain(), false), "0");
    EXPECT_EQ(FormatValue(1, 15, 0, Plain(), false), "1");

    // A signed limit of -1 matches a raw maximum of 0xFFFF.
    CParameter s = Plain();
    s.isSigned = true;
    s.maximum = 0xFFFF;
    EXPECT_EQ(FormatValue(-1, kYesNo, 0, s, true), "Yes");
    EXPECT_EQ(FormatValue(65535, kYesNo, 0, s, true), "No");
}

TEST(OptionTextTable, ListsAreCompleteInTheStringTable)
{
    ASSERT_EQ(COptionTextTable::Rows().size(), size_t(COptionTextTable::kRowCount));
    for (const auto& row : COptionTextTable::Rows()) {
        EXPECT_GE(row.list, 1);
        EXPECT_LE(row.list, COptionTextTable::kListCount);
    }
    for (int list = 1; list <= COptionTextTable::kListCount; ++list) {
        const int length = COptionTextTable::ListLength(list);
        ASSERT_GE(length, 2) << list;
        ASSERT_LE(length, 16) << list; // ids of one list must not reach the next
        for (int i = 0; i < length; ++i) {
            EXPECT_TRUE(HasString(COptionTextTable::TextId(list, i))) << list << "/" << i;
            EXPECT_FALSE(LoadString(COptionTextTable::TextId(list, i)).isEmpty());
        }
        EXPECT_FALSE(HasString(COptionTextTable::TextId(list, length))) << list;
    }
    EXPECT_EQ(COptionTextTable::ListLength(0), 0);
    EXPECT_EQ(COptionTextTable::ListLength(COptionTextTable::kListCount + 1), 0);
}

TEST(OptionText, WhichTagsHaveOptionTexts)
{
    for (quint16 type : {0, 9, 12, 31, 0xFFFF}) {
        EXPECT_TRUE(HasOptionText(7201, type));
        EXPECT_TRUE(HasOptionText(20788, type));
        EXPECT_FALSE(HasOptionText(1, type));
    }
    for (quint16 tag : {337, 7264, 13316, 13323}) {
        EXPECT_TRUE(HasOptionText(tag, 14));
        EXPECT_TRUE(HasOptionText(tag, 30));
        EXPECT_TRUE(HasOptionText(tag, 31));
        EXPECT_FALSE(HasOptionText(tag, 12));
        EXPECT_FALSE(HasOptionText(tag, 14 + 32));
        EXPECT_FALSE(HasOptionText(tag, 0xFFFF));
    }
    EXPECT_TRUE(HasOptionText(7232, 30));
    EXPECT_TRUE(HasOptionText(7235, 30));
    EXPECT_FALSE(HasOptionText(7232, 31));
    EXPECT_FALSE(HasOptionText(7233, 30));
}

TEST(OptionText, IndexModePicksTheValuesText)
{
    EXPECT_EQ(OptionText(0, 16480, 0), "Off");
    EXPECT_EQ(OptionText(0, 16480, 4), "Reverse only");
    EXPECT_EQ(OptionText(0, 16480, 5), "5");
    EXPECT_EQ(OptionText(0, 16480, -1), "-1");
    EXPECT_EQ(OptionText(9, 7936, 11), "Traction, Non-Latching, No HPD");

    // One tag, three rows: the controller type picks the list.
    EXPECT_EQ(OptionText(9, 16912, 6), "Water Pump / Valve");
    EXPECT_EQ(OptionText(30, 16912, 1), "Solenoid brake");
    EXPECT_EQ(OptionText(14, 16912, 4), "Standby/Drive/Trip");
    // The type is taken modulo 32 (41 is 9 again).
    EXPECT_EQ(OptionText(41, 7936, 1), "Vac, Non-latching");
}

TEST(OptionText, TypeOutsideTheRowsSetShowsTheNumber)
{
    EXPECT_EQ(OptionText(12, 7936, 1), "1");
    EXPECT_EQ(OptionText(5, 16912, 3), "3");
    EXPECT_EQ(OptionText(12, 8002, -7), "-7");
}

TEST(OptionText, BatteryVoltsOnType30)
{
    EXPECT_EQ(OptionText(30, 7232, 100), "24.0 V");
    EXPECT_EQ(OptionText(30, 7235, 105), "24.5 V");
    EXPECT_EQ(OptionText(30, 7235, -141), "-0.1 V");
    EXPECT_EQ(OptionText(31, 7232, 100), "100");
}

TEST(OptionText, BitsModeNamesEachSetBit)
{
    // Tag 7952, list 17.
    EXPECT_EQ(OptionText(0, 7952, 0), "Auto reverse");
    EXPECT_EQ(OptionText(0, 7952, 1), "Emergency Stop (Normally Open)");
    EXPECT_EQ(OptionText(0, 7952, 3),
              "Emergency Stop (Normally Open), Emergency Stop (Normally Closed)");
    EXPECT_EQ(OptionText(0, 7952, 5), "Emergency Stop (Normally Open), 3");
    EXPECT_EQ(OptionText(0, 7952, qint16(0x8000)), "16");
    EXPECT_EQ(OptionText(0, 7952, -1),
              "Emergency Stop (Normally Open), Emergency Stop (Normally Closed), 3, 4, 5, 6, 7, "
              "8, 9, 10, 11, 12, 13, 14, 15, 16");

    // Tags 8002 and 8018 name bits 2 and 3 the other way round.
    EXPECT_EQ(OptionText(30, 8002, 4), "Auxiliary 1");
    EXPECT_EQ(OptionText(30, 8018, 4), "Auxiliary 2");
    EXPECT_EQ(OptionText(31, 8018, 0x21), "Forward drive, Belly Button");
}

TEST(OptionText, Tag20512IsActiveLow)
{
    EXPECT_EQ(OptionText(0, 20512, 0x000F), "None");
    EXPECT_EQ(OptionText(0, 20512, 0x000A), "Aux. 1, Aux. 3");
    EXPECT_EQ(OptionText(0, 20512, 0), "Aux. 1, Aux. 2, Aux. 3, Aux. 4");
    EXPECT_EQ(OptionText(0, 20512, qint16(0xFFF7)), "Aux. 4"); // bits above 3 ignored
}

TEST(ParameterText, ValueAndLimitTextsChooseOptionTextsOrUnits)
{
    CParameter temp = Plain();
    temp.tagNumber = 100;
    temp.minimum = quint16(-40);
    temp.maximum = 120;
    temp.value = 25;
    temp.isSigned = true;
    EXPECT_EQ(temp.ValueText(kCelsius, 0, 9), "25 " + kDegree + "C");
    EXPECT_EQ(temp.MinimumText(kCelsius, 0, 9), "-40 " + kDegree + "C");
    EXPECT_EQ(temp.MaximumText(kCelsius, 6, 9), "12.0 Volts");

    CParameter mode = Plain();
    mode.tagNumber = 16480;
    mode.scale = 2; // the displayed number picks the text, not the raw word
    mode.value = 2;
    mode.maximum = 2;
    EXPECT_EQ(mode.ValueText(kDecimal, 0, 9), "Reverse only"); // display 4
    EXPECT_EQ(mode.MinimumText(kDecimal, 0, 9), "Off");
    EXPECT_EQ(mode.MaximumText(kDecimal, 0, 9), "Reverse only");

    // 337 has option texts on type 14 only; on type 9 the units format shows.
    CParameter pot = Plain();
    pot.tagNumber = 337;
    pot.value = 1;
    pot.maximum = 2;
    EXPECT_EQ(pot.ValueText(kDecimal, 0, 14), "Wig Wag");
    EXPECT_EQ(pot.ValueText(kDecimal, 0, 9), "1");

    CParameter flag = Plain();
    flag.value = 1;
    flag.invert = true;
    EXPECT_EQ(flag.ValueText(kYesNo, 0, 9), "No");
    EXPECT_EQ(flag.MaximumText(kYesNo, 0, 9), "Yes");
}

TEST(ParameterText, TagSuppliesUnitsAndPresentation)
{
    // The tag's codes count, not the copies in the record (the engineering dialog changes
    // the tag's presentation code).
    CTagInfo tag;
    tag.tag = 200;
    tag.unitsCode = kMillivolts;
    tag.displayWord = 0xFF01 | (3 << 1);
    CParameter p = Plain();
    p.tagNumber = 200;
    p.unitsCode = kCelsius;
    p.displayWord = 0;
    p.value = 40;
    p.maximum = 100;
    EXPECT_EQ(p.ValueText(tag, 9), "40 mV %");
    EXPECT_EQ(FormatValue(7, tag, p, false), "7 mV %");
    tag.SetPresentationCode(0);
    EXPECT_EQ(p.MaximumText(tag, 9), "100 mV");
    EXPECT_EQ(p.MinimumText(tag, 9), "0 mV");
}

} // namespace
