// The "Edit Parameter" dialog, offscreen, with its controls found by resource number.
#include "app/CAppSettings.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "common/ControlLookup.h"
#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "link/LinkTestSupport.h"
#include "res/StringTable.h"
#include "ui/CEditParameterDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using EIcon = IUserPrompt::EIcon;

bool IsChecked(const QWidget& dlg, int id)
{
    return Control<QAbstractButton>(dlg, id)->isChecked();
}

// Records and tags are built by hand: every case names exactly what it depends on.
class EditDlgTest : public ::testing::Test
{
protected:
    static constexpr quint16 kType = 9;

    void SetUp() override { doc.Parameters().SetDataControllerType(kType); }

    CParameter& Record(quint16 tag, quint16 value, quint16 maximum = 100, quint16 minimum = 0,
                       quint16 step = 1)
    {
        record.tagNumber = tag;
        record.value = value;
        record.maximum = maximum;
        record.minimum = minimum;
        record.step = step;
        record.scale = 1;
        record.div = 1;
        info.tag = tag;
        info.name = "Test parameter";
        info.information = "What it does.";
        info.help = "How to set it.";
        return record;
    }

    CTempSettings temp;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};
    CParameter record;
    CTagInfo info;
};

} // namespace

TEST_F(EditDlgTest, SliderTicksSnapsAndTurnsTheValueRed)
{
    Record(4000, 30, 100, 0, 1);
    {
        CEditParameterDlg dlg(doc, record, info);
        EXPECT_EQ(dlg.TemplateId(), 139);
        EXPECT_EQ(dlg.windowTitle(), "Edit Parameter");
        auto* slider = Control<QSlider>(dlg, 1029);
        EXPECT_EQ(slider->tickInterval(), 2);
        EXPECT_EQ(slider->minimum(), 0);
        EXPECT_EQ(slider->maximum(), 100);
        EXPECT_EQ(slider->value(), 30);
        EXPECT_EQ(Control<QLabel>(dlg, 1002)->text(), "Test parameter");
        EXPECT_EQ(Control<QLabel>(dlg, 1021)->text(), "100");
        EXPECT_EQ(Control<QLabel>(dlg, 1022)->text(), "0");
        EXPECT_EQ(Control<QLabel>(dlg, 1016)->font().pointSize(), 16);
        EXPECT_TRUE(Control<QLabel>(dlg, 1016)->font().bold());
    }

    Record(4000, 25, 100, 5, 10);
    CEditParameterDlg dlg(doc, record, info);
    auto* slider = Control<QSlider>(dlg, 1029);
    auto* value = Control<QLabel>(dlg, 1016);
    EXPECT_EQ(slider->singleStep(), 10);
    EXPECT_EQ(slider->tickInterval(), 10);
    EXPECT_NE(value->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    slider->setValue(27);
    EXPECT_EQ(slider->value(), 20);
    EXPECT_EQ(record.value, 20) << "the record follows the slider at once";
    EXPECT_EQ(value->text(), "20");
    EXPECT_EQ(value->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(Control<QLabel>(dlg, 1015)->text(), "25") << "the existing value stays";

    Control<QPushButton>(dlg, 1085)->click();
    EXPECT_EQ(dlg.result(), CEditParameterDlg::kResultEditor);
    EXPECT_EQ(record.value, 20);
}

TEST_F(EditDlgTest, CancelAndEscapeRestoreTheOpeningValue)
{
    Record(4000, 40);
    CEditParameterDlg dlg(doc, record, info);
    dlg.show();
    Control<QSlider>(dlg, 1029)->setValue(70);
    ASSERT_EQ(record.value, 70);
    Control<QPushButton>(dlg, 2)->click();
    EXPECT_EQ(dlg.result(), CEditParameterDlg::kResultCancelled);
    EXPECT_EQ(record.value, 40);

    CEditParameterDlg again(doc, record, info);
    again.show();
    Control<QSlider>(again, 1029)->setValue(90);
    QTest::keyClick(&again, Qt::Key_Escape);
    EXPECT_EQ(again.result(), CEditParameterDlg::kResultCancelled);
    EXPECT_EQ(record.value, 40);
}

TEST_F(EditDlgTest, SliderWithoutAStepCannotChangeTheValue)
{
    Record(4000, 40, 100, 0, 0);
    CEditParameterDlg dlg(doc, record, info);
    EXPECT_FALSE(Control<QSlider>(dlg, 1029)->isEnabled());
    Control<QPushButton>(dlg, 1085)->click();
    EXPECT_EQ(dlg.result(), CEditParameterDlg::kResultEditor);
    EXPECT_EQ(record.value, 40);
}

TEST_F(EditDlgTest, AStepFinerThanADisplayUnitIsSetThroughTheNumberBox)
{
    // Raw 0..255 shown as 0..100 %: one raw step is 0.39 %, so the slider cannot be set up,
    // but a typed percentage finds the nearest raw value on the controller's step.
    Record(4000, 237, 255, 0, 2);
    record.scale = 100;
    record.div = 255;
    CEditParameterDlg dlg(doc, record, info);
    auto* entry = dlg.findChild<QLineEdit*>(CEditParameterDlg::kEntryName);
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(Control<QSlider>(dlg, 1029)->isEnabled());
    ASSERT_TRUE(entry->isEnabled());
    EXPECT_EQ(entry->text(), "93");

    entry->clear();
    QTest::keyClicks(entry, QStringLiteral("50"));
    // 50 % is raw 127.5, rounded to 128, which the step of 2 keeps.
    EXPECT_EQ(record.value, 128);
    entry->clear();
    QTest::keyClicks(entry, QStringLiteral("51"));
    EXPECT_EQ(record.value, 130) << "raw 130.05 rounds to 130, on the step";
    entry->clear();
    QTest::keyClicks(entry, QStringLiteral("20"));
    EXPECT_EQ(record.value, 50) << "raw 51 snaps down to 50";
    emit entry->editingFinished();
    EXPECT_EQ(entry->text(), "20") << "the box shows what will be applied";
    Control<QPushButton>(dlg, 1085)->click();
    EXPECT_EQ(dlg.result(), CEditParameterDlg::kResultEditor);
    EXPECT_EQ(record.value, 50);
}

TEST_F(EditDlgTest, TwoStateButtonsCarryTheLimitTexts)
{
    Record(4000, 0, 1, 0);
    record.unitsCode = info.unitsCode = 18; // On / Off
    CEditParameterDlg dlg(doc, record, info);
    EXPECT_EQ(dlg.TemplateId(), 140);
    EXPECT_EQ(Control<QAbstractButton>(dlg, 1031)->text(), "On");
    EXPECT_EQ(Control<QAbstractButton>(dlg, 1032)->text(), "Off");
    EXPECT_TRUE(IsChecked(dlg, 1032));
    Control<QAbstractButton>(dlg, 1031)->click();
    EXPECT_FALSE(IsChecked(dlg, 1032));
    Control<QPushButton>(dlg, 1085)->click();
    EXPECT_EQ(record.value, 1);
}

// The choice controls show the value map's state, clicks go through it and Update stores
// what it applies; the latching box is the dialog's own control beside them.
TEST_F(EditDlgTest, ChoicesAndLatchBoxFollowTheValueMap)
{
    Record(7936, 6, 11);
    {
        CEditParameterDlg dlg(doc, record, info);
        EXPECT_EQ(dlg.TemplateId(), 159);
        EXPECT_TRUE(IsChecked(dlg, 1178));
        EXPECT_TRUE(IsChecked(dlg, 1108));
        Control<QAbstractButton>(dlg, 1109)->click();
        EXPECT_FALSE(IsChecked(dlg, 1178));
        EXPECT_FALSE(Control(dlg, 1108)->isEnabled());
        Control<QPushButton>(dlg, 1085)->click();
        EXPECT_EQ(record.value, 0);
    }
    CEditParameterDlg dlg(doc, record, info);
    EXPECT_TRUE(IsChecked(dlg, 1109));
    EXPECT_FALSE(Control(dlg, 1108)->isEnabled());
    Control<QAbstractButton>(dlg, 1112)->click();
    ASSERT_TRUE(Control(dlg, 1108)->isEnabled());
    Control<QAbstractButton>(dlg, 1108)->click();
    Control<QPushButton>(dlg, 1085)->click();
    EXPECT_EQ(record.value, 8);
}

TEST_F(EditDlgTest, MomentaryRowsRelabelOnEveryClick)
{
    Record(13361, 0x01, 255);
    CEditParameterDlg dlg(doc, record, info);
    dlg.show();
    EXPECT_EQ(dlg.TemplateId(), 181);
    EXPECT_EQ(Control<QAbstractButton>(dlg, 1199)->text(), "Auxiliary 1");
    EXPECT_EQ(Control<QLabel>(dlg, 1208)->text(), "Momentary");
    EXPECT_EQ(Control<QLabel>(dlg, 1209)->text(), "Permanent");
    EXPECT_FALSE(Control(dlg, 1205)->isVisible());
    EXPECT_FALSE(Control(dlg, 1214)->isVisible());
    EXPECT_TRUE(Control(dlg, 1204)->isVisible());

    Control<QAbstractButton>(dlg, 1200)->click();
    EXPECT_EQ(Control<QLabel>(dlg, 1209)->text(), "Momentary");
    Control<QAbstractButton>(dlg, 1199)->click();
    EXPECT_EQ(Control<QLabel>(dlg, 1208)->text(), "Permanent");
    Control<QPushButton>(dlg, 1085)->click();
    EXPECT_EQ(record.value, 0x02);

    Record(13360, 0, 255);
    CEditParameterDlg first(doc, record, info);
    EXPECT_EQ(Control<QAbstractButton>(first, 1206)->text(), "Vacuum mode");
}

TEST_F(EditDlgTest, ReadOnlySaysSoAndLeavesOnlyCancelAndHelp)
{
    auto note = [](const QWidget& dlg) {
        return dlg.findChild<QLabel*>(QString::fromLatin1(CEditParameterDlg::kReadOnlyName));
    };
    Record(4000, 40);
    {
        CEditParameterDlg writable(doc, record, info);
        writable.show();
        ASSERT_NE(note(writable), nullptr);
        EXPECT_FALSE(note(writable)->isVisible());
    }
    record.readOnly = true;
    CEditParameterDlg dlg(doc, record, info);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Edit Parameter (Read only)");
    EXPECT_TRUE(note(dlg)->isVisible());
    EXPECT_EQ(note(dlg)->text(), "Read only");
    auto* slider = Control<QSlider>(dlg, 1029);
    auto* entry = dlg.findChild<QLineEdit*>(QString::fromLatin1(CEditParameterDlg::kEntryName));
    EXPECT_EQ(slider->value(), 40) << "the position still shows the value";
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_FALSE(entry->isEnabled());
    EXPECT_FALSE(Control(dlg, 1085)->isEnabled());
    EXPECT_FALSE(Control(dlg, 1084)->isEnabled());
    EXPECT_TRUE(Control(dlg, 2)->isEnabled());
    EXPECT_TRUE(Control(dlg, 1062)->isVisible());
    // Neither the keyboard nor the default button gets a value through.
    QTest::keyClick(slider, Qt::Key_End);
    QTest::keyClicks(entry, "90");
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(record.value, 40);
    Control<QPushButton>(dlg, 2)->click();
    EXPECT_EQ(record.value, 40);

    // The choice templates: every choice and the latching box are shown but cannot be used.
    Record(7936, 6, 11);
    CEditParameterDlg choices(doc, record, info);
    choices.show();
    EXPECT_TRUE(note(choices)->isVisible());
    EXPECT_TRUE(IsChecked(choices, 1178));
    for (int id : {1178, 1109, 1112, 1108})
        EXPECT_FALSE(Control(choices, id)->isEnabled()) << id;
    QTest::mouseClick(Control<QAbstractButton>(choices, 1109), Qt::LeftButton);
    EXPECT_TRUE(IsChecked(choices, 1178));
    QTest::keyClick(&choices, Qt::Key_Return);
    EXPECT_EQ(record.value, 6);
}

TEST_F(EditDlgTest, HelpShownOnlyWithARealHelpText)
{
    Record(4000, 40);
    for (const char* help : {"No Help Available ", ""}) {
        info.help = help;
        CEditParameterDlg dlg(doc, record, info);
        dlg.show();
        EXPECT_FALSE(Control(dlg, 1062)->isVisible()) << help;
    }
    info.help = "No Help Available"; // without the trailing blank it is a text like any other
    CEditParameterDlg dlg(doc, record, info);
    dlg.show();
    ASSERT_TRUE(Control(dlg, 1062)->isVisible());
    prompt.ExpectMessage("No Help Available", EIcon::Information);
    Control<QPushButton>(dlg, 1062)->click();
    EXPECT_TRUE(dlg.isVisible());
}

// "Program &Controller" beside the simulated Tarn: the dialog only hands the value back.
class EditDlgSimTest : public SimLinkTest
{
protected:
    static constexpr EControllerType kType = EControllerType::Tarn;
    static constexpr quint16 kTag = 16480; // a radio template: 0..4

    void SetUp() override
    {
        SimLinkTest::SetUp();
        sim.WithModel([](CSimModel& m) {
            m.SetTag(kTag, {.value = 1, .maximum = 4, .minimum = 0});
            m.ResetChecksum();
        });
        ASSERT_EQ(link.ReadParameter(kTag, 0, record), EReadResult::Read);
        doc.Parameters().SetDataControllerType(ControllerTypeNumber(kType));
        doc.SetConnectedType(kType);
        doc.SetLinkReady(true);
        info.tag = kTag;
        info.name = "Brush Motor Mode";
    }

    // Opens the dialog, chooses "&Reverse only" (4) and programs the controller.
    int ProgramReverseOnly()
    {
        CEditParameterDlg dlg(doc, record, info);
        dlg.show();
        Control<QAbstractButton>(dlg, 1117)->click();
        Control<QPushButton>(dlg, 1084)->click();
        EXPECT_FALSE(dlg.isVisible());
        return dlg.result();
    }

    quint16 SimValue()
    {
        quint16 value = 0;
        sim.WithModel([&](CSimModel& m) { value = m.Tag(kTag)->value; });
        return value;
    }

    CTempSettings temp;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CTavrinDoc doc{link, settings, prompt};
    CParameter record;
    CTagInfo info;
};

TEST_F(EditDlgSimTest, ProgramControllerHandsBackTheAppliedValueAndSendsNothing)
{
    sim.ClearRequests();
    EXPECT_EQ(ProgramReverseOnly(), CEditParameterDlg::kResultProgram);
    EXPECT_EQ(record.value, 4);
    EXPECT_EQ(sim.RequestCount(), 0u) << "the caller writes it";
    EXPECT_EQ(SimValue(), 1);
}

TEST_F(EditDlgSimTest, AnotherControllerTypeKeepsTheDialogOpen)
{
    doc.SetConnectedType(EControllerType::TarnPlus);
    CEditParameterDlg dlg(doc, record, info);
    dlg.show();
    Control<QAbstractButton>(dlg, 1117)->click();
    sim.ClearRequests();
    prompt.ExpectMessage(LoadString(EString::DataFromOtherType), EIcon::Exclamation);
    Control<QPushButton>(dlg, 1084)->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_EQ(record.value, 1) << "nothing applied";

    doc.SetLinkReady(false);
    prompt.ExpectMessage(LoadString(EString::CommunicationError), EIcon::Exclamation);
    Control<QPushButton>(dlg, 1084)->click();
    EXPECT_TRUE(dlg.isVisible());

    Control<QPushButton>(dlg, 2)->click();
    EXPECT_EQ(dlg.result(), CEditParameterDlg::kResultCancelled);
    EXPECT_EQ(SimValue(), 1);
}

TEST_F(EditDlgTest, NumberBoxTakesTenthsRefusesOutOfRangeAndSnapsLikeTheSlider)
{
    // Tenths of an amp (presentation 5): raw 125 is "12.5", the step 0.5, the top 30.0.
    Record(4000, 125, 300, 0, 5);
    info.unitsCode = 4;
    info.SetPresentationCode(5);
    CEditParameterDlg dlg(doc, record, info);
    auto* entry = dlg.findChild<QLineEdit*>(CEditParameterDlg::kEntryName);
    auto* message = dlg.findChild<QLabel*>(CEditParameterDlg::kEntryMessageName);
    auto* slider = Control<QSlider>(dlg, 1029);
    auto* update = Control<QPushButton>(dlg, 1085);
    auto* program = Control<QPushButton>(dlg, 1084);
    ASSERT_TRUE(entry && message && slider && update && program);
    EXPECT_EQ(entry->text(), "12.5");
    auto type = [&](const char* text) {
        entry->clear();
        QTest::keyClicks(entry, QString::fromLatin1(text));
    };

    // Out of range: refused where it is seen, nothing stored, no way to apply it.
    type("31");
    EXPECT_FALSE(message->isHidden());
    EXPECT_EQ(message->text(), "Out of range. Enter a value from 0.0 to 30.0.");
    EXPECT_FALSE(entry->styleSheet().isEmpty()) << "the box is framed in red";
    EXPECT_FALSE(update->isEnabled());
    EXPECT_FALSE(program->isEnabled());
    EXPECT_NE(record.value, 300) << "never clamped to the maximum";
    EXPECT_EQ(entry->text(), "31") << "the typed text stays for correcting";

    type("12.34");
    EXPECT_EQ(message->text(), "Enter at most 1 decimal. Enter a value from 0.0 to 30.0.");
    EXPECT_FALSE(update->isEnabled());

    // Between two steps: the value snaps down as a dragged slider does.
    type("17.3");
    EXPECT_TRUE(message->isHidden());
    EXPECT_TRUE(entry->styleSheet().isEmpty());
    EXPECT_TRUE(update->isEnabled());
    EXPECT_EQ(slider->value(), 170);
    EXPECT_EQ(record.value, 170);
    EXPECT_EQ(Control<QLabel>(dlg, 1016)->text(), "17.0 Amps");
    emit entry->editingFinished();
    EXPECT_EQ(entry->text(), "17.0");

    // And back: the slider moves the number.
    slider->setValue(200);
    EXPECT_EQ(entry->text(), "20.0");
    update->click();
    EXPECT_EQ(dlg.result(), CEditParameterDlg::kResultEditor);
    EXPECT_EQ(record.value, 200);
}
