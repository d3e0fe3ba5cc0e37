// The write confirmation window with real widgets: what it lists, its buttons and keys.
#include "ui/CAnimationControl.h"
#include "ui/CMessageBoxPrompt.h"
#include "ui/CWriteConfirmDlg.h"
#include "ui/ControlId.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <functional>

namespace {

using SWritePreview = IUserPrompt::SWritePreview;
using EHeld = SWritePreview::EHeld;

int ExecAnd(QDialog& dialog, const std::function<void()>& act)
{
    QTimer::singleShot(0, &dialog, act);
    return dialog.exec();
}

void SendKey(QWidget* target, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

SWritePreview Changes(int count)
{
    SWritePreview preview;
    for (int i = 0; i < count; ++i) {
        preview.changes.push_back({QStringLiteral("Parameter %1").arg(i),
                                   QStringLiteral("%1 V").arg(i), QStringLiteral("%1 V").arg(i + 1),
                                   EHeld::Value});
    }
    return preview;
}

} // namespace

TEST(WriteConfirmDlg, CancelAnswersEnterEscapeAndTheCloseBoxAndEachButtonItsOwn)
{
    // A full list, one value refused and one unknown: "write changed only" is off.
    SWritePreview preview = Changes(SWritePreview::kListLimit);
    preview.changes[3] = {QStringLiteral("Gone"), QString(), QStringLiteral("4 V"), EHeld::Refused};
    preview.changes[4] = {QStringLiteral("Silent"), QString(), QStringLiteral("5 V"),
                          EHeld::NoReply};
    preview.unknown = 1;
    preview.more = 7;
    CWriteConfirmDlg dialog(QStringLiteral(TAVRIN_SHARE_DIR), preview);

    const QTreeWidget* list = dialog.List();
    ASSERT_EQ(list->topLevelItemCount(), 21);
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("0 V → 1 V"));
    EXPECT_EQ(list->topLevelItem(3)->text(1), QStringLiteral("refused → 4 V"));
    EXPECT_EQ(list->topLevelItem(4)->text(1), QStringLiteral("no reply → 5 V"));
    EXPECT_EQ(list->topLevelItem(20)->text(0), QStringLiteral("… and 7 more"));
    EXPECT_EQ(dialog.Animation()->FrameCount(), 24) << "the overwrite question's animation";
    EXPECT_FALSE(dialog.ChangedOnlyButton()->isEnabled());
    EXPECT_TRUE(dialog.Reason()->isVisibleTo(&dialog));
    EXPECT_TRUE(dialog.CancelButton()->isDefault());

    EXPECT_EQ(ExecAnd(dialog, [&] { SendKey(&dialog, Qt::Key_Return); }),
              CWriteConfirmDlg::kCancel);
    // On a screen too small for every row the list scrolls, and the window fits.
    EXPECT_EQ(list->height(), 21 * list->sizeHintForRow(0) + 2 * list->frameWidth() +
                                  list->header()->sizeHint().height())
        << "every row and the header in view on this screen";
    dialog.FitToHeight(400);
    EXPECT_LE(dialog.sizeHint().height(), 400);
    EXPECT_LT(list->height(), 21 * list->sizeHintForRow(0));
    EXPECT_EQ(ExecAnd(dialog, [&] { SendKey(&dialog, Qt::Key_Escape); }),
              CWriteConfirmDlg::kCancel);
    EXPECT_EQ(ExecAnd(dialog, [&] { dialog.close(); }), CWriteConfirmDlg::kCancel);
    EXPECT_EQ(ExecAnd(dialog, [&] { dialog.AllButton()->click(); }), CWriteConfirmDlg::kAll);

    // Nothing differs: the list says so; only "write all" and "Cancel" are on.
    CWriteConfirmDlg same(QStringLiteral(TAVRIN_SHARE_DIR), SWritePreview());
    ASSERT_EQ(same.List()->topLevelItemCount(), 1);
    EXPECT_EQ(same.List()->topLevelItem(0)->text(0),
              QStringLiteral("The controller already holds every value shown."));
    EXPECT_FALSE(same.ChangedOnlyButton()->isEnabled());
    EXPECT_TRUE(same.AllButton()->isEnabled());

    // Every value known, through the application's prompt: "write changed only" is on, no
    // line says otherwise, and the prompt hands the choice back.
    CMessageBoxPrompt prompt;
    QTimer::singleShot(0, [] {
        auto* shown = qobject_cast<CWriteConfirmDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        EXPECT_FALSE(shown->Reason()->isVisibleTo(shown));
        shown->ChangedOnlyButton()->click();
    });
    EXPECT_EQ(prompt.ConfirmWrite(Changes(1)), IUserPrompt::EWriteChoice::ChangedOnly);
}
