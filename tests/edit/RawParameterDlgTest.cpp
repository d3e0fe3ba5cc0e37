// The raw parameter window: what it shows, what OK stores, what it refuses, and Cancel.
#include "common/CScriptedPrompt.h"
#include "common/ControlLookup.h"
#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "edit/CRawParameterFields.h"
#include "ui/CEditParameterSpot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

CParameter SampleRecord()
{
    CParameter record;
    record.tagNumber = 0x1000;
    record.value = 0xFFFF;
    record.minimum = 0xFF9C; // -100: the value -1 lies within the limits
    record.maximum = 500;
    record.step = 5;
    record.scale = 1;
    record.div = 10;
    record.shift = 0;
    record.unitsCode = 6;
    record.displayWord = 0x1234;
    record.checksumWord = 0xBEEF;
    record.SetFlagsByte(LinkProtocol::kStatusSigned | LinkProtocol::kStatusSupported);
    return record;
}

CTagInfo SampleTag()
{
    CTagInfo tag;
    tag.tag = 0x1000;
    tag.unitsCode = 6;        // "Celsius"
    tag.displayWord = 0xA5C3; // bit 0 set, presentation code 0x61 = 97, high byte 0xA5
    return tag;
}

void SetText(QWidget& dialog, int id, const QString& text)
{
    if (QLineEdit* edit = Control<QLineEdit>(dialog, id))
        edit->setText(text);
}

QString Text(QWidget& dialog, int id)
{
    QLineEdit* edit = Control<QLineEdit>(dialog, id);
    return edit ? edit->text() : QString();
}

} // namespace

TEST(RawParameterDlgTest, ShowsTheRecordAndTheTagAsDecimalNumbers)
{
    CParameter record = SampleRecord();
    CTagInfo tag = SampleTag();
    CEditParameterSpot dialog(record, tag);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("bool"));
    // Words are shown as the unsigned decimal number of the word, whatever Signed says.
    EXPECT_EQ(Text(dialog, 1069), QStringLiteral("65535"));
    EXPECT_EQ(Text(dialog, 1063), QStringLiteral("65436"));
    EXPECT_EQ(Text(dialog, 1064), QStringLiteral("500"));
    EXPECT_EQ(Text(dialog, 1065), QStringLiteral("5"));
    EXPECT_EQ(Text(dialog, 1228), QStringLiteral("1"));
    EXPECT_EQ(Text(dialog, 1229), QStringLiteral("10"));
    EXPECT_EQ(Text(dialog, 1230), QStringLiteral("0"));
    EXPECT_EQ(Text(dialog, 1242), QStringLiteral("97"));

    const std::pair<int, bool> flags[] = {{1233, true},  {1232, false}, {1234, false},
                                          {1235, false}, {1236, false}, {1237, true},
                                          {1238, false}, {1239, false}};
    for (const auto& [id, checked] : flags) {
        QCheckBox* box = Control<QCheckBox>(dialog, id);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->isChecked(), checked) << "flag box id" << id;
    }

    QComboBox* presentation = Control<QComboBox>(dialog, 1240);
    ASSERT_NE(presentation, nullptr);
    ASSERT_EQ(presentation->count(), 25);
    EXPECT_EQ(presentation->itemText(0), QStringLiteral("Decimal Integer"));
    EXPECT_EQ(presentation->itemText(24), QStringLiteral("Millivolts"));
    EXPECT_EQ(presentation->itemData(13).toInt(), 13);
    EXPECT_EQ(presentation->currentText(), QStringLiteral("Celsius"));
}

TEST(RawParameterDlgTest, OkStoresEveryFieldAndTheModifierInBitsOneToSeven)
{
    CParameter record = SampleRecord();
    CTagInfo tag = SampleTag();
    CEditParameterSpot dialog(record, tag);
    dialog.show();
    SetText(dialog, 1069, QStringLiteral("-2"));
    SetText(dialog, 1063, QStringLiteral("-32768"));
    SetText(dialog, 1064, QStringLiteral("65535"));
    SetText(dialog, 1065, QStringLiteral(" 3 "));
    SetText(dialog, 1228, QStringLiteral("7"));
    SetText(dialog, 1229, QStringLiteral("100"));
    SetText(dialog, 1230, QStringLiteral("32768"));
    SetText(dialog, 1242, QStringLiteral("127"));
    Control<QCheckBox>(dialog, 1233)->setChecked(false); // Signed off
    Control<QCheckBox>(dialog, 1232)->setChecked(true);  // Invert
    Control<QCheckBox>(dialog, 1235)->setChecked(true);  // Temp. unavailable
    Control<QCheckBox>(dialog, 1239)->setChecked(true);  // Wrap
    Control<QComboBox>(dialog, 1240)->setCurrentIndex(24);
    Control<QPushButton>(dialog, 1)->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(record.value, 0xFFFE);
    EXPECT_EQ(record.minimum, 0x8000);
    EXPECT_EQ(record.maximum, 65535);
    EXPECT_EQ(record.step, 3);
    EXPECT_EQ(record.scale, 7);
    EXPECT_EQ(record.div, 100);
    EXPECT_EQ(record.shift, 32768);
    EXPECT_EQ(record.FlagsByte(), LinkProtocol::kStatusInvert |
                                      LinkProtocol::kStatusTempUnavailable |
                                      LinkProtocol::kStatusWrap | LinkProtocol::kStatusSupported);
    // Bit 0 and the high byte of the display word survive; 127 fills bits 1..7.
    EXPECT_EQ(tag.displayWord, 0xA5FF);
    EXPECT_EQ(tag.PresentationCode(), 127);
    EXPECT_EQ(tag.unitsCode, 24);
    // Only the tag takes the units and the modifier; the rest of the record is left alone.
    EXPECT_EQ(record.unitsCode, 6);
    EXPECT_EQ(record.displayWord, 0x1234);
    EXPECT_EQ(record.checksumWord, 0xBEEF);
    EXPECT_EQ(record.tagNumber, 0x1000);
}

TEST(RawParameterDlgTest, ModifierZeroClearsOnlyBitsOneToSeven)
{
    CParameter record = SampleRecord();
    CTagInfo tag = SampleTag();
    tag.displayWord = 0xFFFF;
    CEditParameterSpot dialog(record, tag);
    dialog.show();
    EXPECT_EQ(Text(dialog, 1242), QStringLiteral("127"));
    SetText(dialog, 1242, QStringLiteral("0"));
    Control<QPushButton>(dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(tag.displayWord, 0xFF01);
}

TEST(RawParameterDlgTest, UnitsCodeOutsideTheTableIsKeptWhenNothingIsChosen)
{
    CParameter record = SampleRecord();
    CTagInfo tag = SampleTag();
    tag.unitsCode = 30;
    CEditParameterSpot dialog(record, tag);
    dialog.show();
    EXPECT_EQ(Control<QComboBox>(dialog, 1240)->currentIndex(), -1);
    Control<QPushButton>(dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(tag.unitsCode, 30);
}

TEST(RawParameterDlgTest, ANumberThatDoesNotFitIsRefusedAndNothingIsStored)
{
    const QString word = QStringLiteral(
        "%1 must be a whole number from -32768 to 65535 (a 16-bit word; a negative number is "
        "stored as its two's complement).");
    const QString modifier = QStringLiteral("Modifier must be a whole number from 0 to 127.");
    struct SCase
    {
        int id;
        const char* text;
        QString message;
    };
    const SCase cases[] = {
        {1069, "65536", word.arg(QStringLiteral("Value"))},
        {1069, "-32769", word.arg(QStringLiteral("Value"))},
        {1063, "0x10", word.arg(QStringLiteral("Minimum"))},
        {1064, "", word.arg(QStringLiteral("Maximum"))},
        {1065, "1.5", word.arg(QStringLiteral("Step"))},
        {1228, "abc", word.arg(QStringLiteral("Scale"))},
        {1229, "70000", word.arg(QStringLiteral("Div"))},
        {1230, "1 0", word.arg(QStringLiteral("Shift"))},
        {1242, "128", modifier},
        {1242, "-1", modifier},
        {1242, "+", modifier},
        {1069, "501", QStringLiteral("Value must be a whole number from -100 to 500.")},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.id);
        SCOPED_TRACE(c.text);
        CParameter record = SampleRecord();
        CTagInfo tag = SampleTag();
        CScriptedPrompt prompt;
        prompt.ExpectMessage(c.message, IUserPrompt::EIcon::Exclamation);
        CEditParameterSpot dialog(record, tag, nullptr, &prompt);
        dialog.show();
        // A valid change elsewhere must not get through either.
        if (c.id != 1069)
            SetText(dialog, 1069, QStringLiteral("7"));
        SetText(dialog, 1242 == c.id ? 1229 : 1242, QStringLiteral("3"));
        Control<QCheckBox>(dialog, 1232)->setChecked(true);
        Control<QComboBox>(dialog, 1240)->setCurrentIndex(0);
        SetText(dialog, c.id, QString::fromLatin1(c.text));
        Control<QPushButton>(dialog, 1)->click();

        EXPECT_TRUE(prompt.AllShown());
        EXPECT_TRUE(dialog.isVisible()) << "the window stays open";
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(record == SampleRecord());
        EXPECT_EQ(tag.displayWord, SampleTag().displayWord);
        EXPECT_EQ(tag.unitsCode, SampleTag().unitsCode);
        // The refused field keeps its text, selected, for the user to correct.
        QLineEdit* edit = Control<QLineEdit>(dialog, c.id);
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(edit->selectedText(), edit->text());
    }
}

TEST(RawParameterDlgTest, CorrectingARefusedFieldThenOkStores)
{
    CParameter record = SampleRecord();
    CTagInfo tag = SampleTag();
    CScriptedPrompt prompt;
    prompt.ExpectMessageContaining(QStringLiteral("Div must be"));
    CEditParameterSpot dialog(record, tag, nullptr, &prompt);
    dialog.show();
    SetText(dialog, 1229, QStringLiteral("65536"));
    Control<QPushButton>(dialog, 1)->click();
    ASSERT_TRUE(dialog.isVisible());
    SetText(dialog, 1229, QStringLiteral("65535"));
    Control<QPushButton>(dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(record.div, 65535);
}

TEST(RawParameterDlgTest, CancelChangesNothing)
{
    CParameter record = SampleRecord();
    CTagInfo tag = SampleTag();
    CEditParameterSpot dialog(record, tag);
    dialog.show();
    SetText(dialog, 1069, QStringLiteral("1"));
    SetText(dialog, 1242, QStringLiteral("5"));
    Control<QCheckBox>(dialog, 1237)->setChecked(false);
    Control<QComboBox>(dialog, 1240)->setCurrentIndex(2);
    Control<QPushButton>(dialog, 2)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(record == SampleRecord());
    EXPECT_EQ(tag.displayWord, SampleTag().displayWord);
    EXPECT_EQ(tag.unitsCode, SampleTag().unitsCode);
}

TEST(RawParameterFieldsTest, ParsesOnlyDecimalNumbersThatFit)
{
    EXPECT_EQ(CRawParameterFields::ParseWord(QStringLiteral("0")), 0);
    EXPECT_EQ(CRawParameterFields::ParseWord(QStringLiteral("+65535")), 0xFFFF);
    EXPECT_EQ(CRawParameterFields::ParseWord(QStringLiteral("-1")), 0xFFFF);
    EXPECT_EQ(CRawParameterFields::ParseWord(QStringLiteral("-32768")), 0x8000);
    EXPECT_EQ(CRawParameterFields::ParseWord(QStringLiteral("99999999999999999999")), std::nullopt);
    EXPECT_EQ(CRawParameterFields::ParseWord(QStringLiteral("--1")), std::nullopt);
    EXPECT_EQ(CRawParameterFields::ParseModifier(QStringLiteral("0")), 0);
    EXPECT_EQ(CRawParameterFields::ParseModifier(QStringLiteral("127")), 127);
    EXPECT_EQ(CRawParameterFields::ParseModifier(QStringLiteral("1e2")), std::nullopt);
}

TEST(RawParameterFieldsTest, ValueMustLieWithinTheLimitsAsTheSignedFlagReadsThem)
{
    CRawParameterFields::SFields fields;
    fields.words[CRawParameterFields::Value] = 0xFFFF;
    fields.words[CRawParameterFields::Minimum] = 0xFFF6; // -10 signed, 65526 unsigned
    fields.words[CRawParameterFields::Maximum] = 10;
    fields.flags = LinkProtocol::kStatusSigned;
    EXPECT_TRUE(CRawParameterFields::ValueWithinLimits(fields));
    fields.words[CRawParameterFields::Value] = 11;
    EXPECT_FALSE(CRawParameterFields::ValueWithinLimits(fields));

    fields.flags = 0;
    fields.words[CRawParameterFields::Minimum] = 0;
    fields.words[CRawParameterFields::Value] = 0xFFFF;
    EXPECT_FALSE(CRawParameterFields::ValueWithinLimits(fields)) << "65535 unsigned";
    EXPECT_EQ(CRawParameterFields::LimitsRefusal(QStringLiteral("&Value"), fields),
              QStringLiteral("Value must be a whole number from 0 to 10."));
}
