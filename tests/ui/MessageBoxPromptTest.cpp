// The message-box prompt: the right box, and the button pressed comes back as the answer.
#include "ui/CMessageBoxPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct SSeen
{
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Presses `button` on the next message box that opens and records what it showed.
void PressWhenShown(QMessageBox::StandardButton button, SSeen& seen)
{
    QTimer::singleShot(0, [button, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {box->text(), box->icon(), box->standardButtons()};
        box->button(button)->click();
    });
}

} // namespace

TEST(MessageBoxPrompt, QuestionsReturnThePressedButton)
{
    CMessageBoxPrompt prompt;
    SSeen seen;
    PressWhenShown(QMessageBox::No, seen);
    EXPECT_EQ(prompt.Question(QStringLiteral("Save changes?"), IUserPrompt::EButtons::YesNoCancel,
                              IUserPrompt::EIcon::Exclamation),
              IUserPrompt::EAnswer::No);
    EXPECT_EQ(seen.text, QStringLiteral("Save changes?"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    PressWhenShown(QMessageBox::Cancel, seen);
    EXPECT_EQ(prompt.Question(QStringLiteral("Go on?"), IUserPrompt::EButtons::OkCancel,
                              IUserPrompt::EIcon::Question),
              IUserPrompt::EAnswer::Cancel);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
}

TEST(MessageBoxPrompt, MessagesShowTheirIcon)
{
    CMessageBoxPrompt prompt;
    SSeen seen;
    PressWhenShown(QMessageBox::Ok, seen);
    prompt.Message(QStringLiteral("Upload cancelled"), IUserPrompt::EIcon::Stop);
    EXPECT_EQ(seen.text, QStringLiteral("Upload cancelled"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}
