// The service timers window, offscreen, against the simulated controller: the controls a
// controller type hides, the Program button following the entries, and the timer stopped
// on closing.
#include "common/ControlLookup.h"
#include "ops/OpsSimTest.h"
#include "ops/tools/widgets/CServiceTimersDlg.h"
#include "ui/ControlId.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using Dlg = CServiceTimersDlg;

using ServiceTimersDlgTest = OpsSimTest;

} // namespace

TEST_F(ServiceTimersDlgTest, AStoatHidesLinesTwoAndThreeAndTheProgrammableTimes)
{
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(EControllerType::Stoat);
        m.Timers().SetHours(LinkProtocol::kTagServiceTimer1Stoat, 3);
    });
    Dlg dialog(doc);
    EXPECT_EQ(dialog.objectName(), ControlId::Name(144));
    auto* group = Control<QGroupBox>(dialog, Dlg::kGroupIds[0]);
    ASSERT_TRUE(group);
    EXPECT_FALSE(group->isHidden());
    EXPECT_EQ(group->title(), QStringLiteral("Total on time"));
    EXPECT_EQ(Control<QLabel>(dialog, Dlg::kValueIds[0])->text(), QStringLiteral("3 Hours"));
    EXPECT_EQ(Control<QPushButton>(dialog, Dlg::kClearIds[0])->text(), QStringLiteral("Clear"));
    for (int i = 1; i < 3; ++i) {
        EXPECT_TRUE(Control<QGroupBox>(dialog, Dlg::kGroupIds[i])->isHidden()) << i;
        EXPECT_TRUE(Control<QLabel>(dialog, Dlg::kValueIds[i])->isHidden()) << i;
        EXPECT_TRUE(Control<QPushButton>(dialog, Dlg::kClearIds[i])->isHidden()) << i;
    }
    EXPECT_TRUE(Control<QGroupBox>(dialog, Dlg::kProgrammableGroupId)->isHidden());
    EXPECT_TRUE(Control<QLabel>(dialog, Dlg::kMessageId)->isHidden());
    EXPECT_TRUE(dialog.TimerActive());
    dialog.reject();
    EXPECT_FALSE(dialog.TimerActive());
}

TEST_F(ServiceTimersDlgTest, ProgramIsEnabledOnlyWhileTotalOnCoversBrushAndService)
{
    Dlg dialog(doc); // the simulator starts as a Tarn: programmable times offered
    auto* section = Control<QGroupBox>(dialog, Dlg::kProgrammableGroupId);
    auto* program = Control<QPushButton>(dialog, Dlg::kProgramId);
    auto* hint = Control<QLabel>(dialog, Dlg::kHintId);
    auto* totalOn = Control<QLineEdit>(dialog, Dlg::kTotalOnId);
    auto* brush = Control<QLineEdit>(dialog, Dlg::kBrushId);
    ASSERT_TRUE(section && program && hint && totalOn && brush);
    EXPECT_FALSE(section->isHidden());
    EXPECT_EQ(section->title(), QStringLiteral("Programmable Times"));
    EXPECT_EQ(program->text(), QStringLiteral("Program"));
    EXPECT_EQ(totalOn->text(), QStringLiteral("0"));
    EXPECT_TRUE(program->isEnabled());

    brush->setText(QStringLiteral("9"));
    EXPECT_FALSE(program->isEnabled());
    EXPECT_EQ(hint->text(), QStringLiteral("On time must be greater than Brush and Service time"));
    totalOn->setText(QStringLiteral("9"));
    EXPECT_TRUE(program->isEnabled());
    EXPECT_EQ(hint->text(), QStringLiteral("Press Program to update controller timers"));
}

TEST_F(ServiceTimersDlgTest, ClearAsksFirstAndSendsNothingOnNo)
{
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(EControllerType::Stoat);
        m.Timers().SetHours(LinkProtocol::kTagServiceTimer1Stoat, 3);
    });
    Dlg dialog(doc);
    auto* clear = Control<QPushButton>(dialog, Dlg::kClearIds[0]);
    const QString question = dialog.Timers().ClearQuestion(1);
    EXPECT_TRUE(question.contains(QStringLiteral("Total on time"))) << qPrintable(question);

    sim.ClearRequests();
    prompt.ExpectQuestion(question, IUserPrompt::EAnswer::No);
    clear->click();
    EXPECT_TRUE(prompt.AllShown());
    EXPECT_TRUE(WireFor(LinkProtocol::kTagServiceTimer1Stoat).empty()) << "nothing sent on No";
    EXPECT_EQ(clear->text(), QStringLiteral("Clear"));

    prompt.ExpectQuestion(question, IUserPrompt::EAnswer::Yes);
    clear->click();
    ASSERT_EQ(WireFor(LinkProtocol::kTagServiceTimer1Stoat).size(), 1u);
    EXPECT_EQ(clear->text(), QStringLiteral("Cleared"));
    dialog.reject();
}
