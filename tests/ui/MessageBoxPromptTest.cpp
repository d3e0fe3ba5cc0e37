// The message-box prompt: the right box, and the button pressed comes back as the answer.
#include "ui/CMessageBoxPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
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

TEST(MessageBoxPrompt, AQuestionWithNoAsDefaultAnswersNoToReturnAndCancelToEscape)
{
    CMessageBoxPrompt prompt;
    QMessageBox::StandardButtons buttons;
    const auto pressWhenShown = [&buttons](Qt::Key key) {
        QTimer::singleShot(0, [key, &buttons] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            buttons = box->standardButtons();
            QTest::keyClick(box, key);
        });
    };
    const QString text = QStringLiteral("Reset everything?");
    pressWhenShown(Qt::Key_Return);
    EXPECT_EQ(prompt.QuestionDefaultNo(text, IUserPrompt::EIcon::Exclamation,
                                       IUserPrompt::EButtons::YesNoCancel),
              IUserPrompt::EAnswer::No);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    pressWhenShown(Qt::Key_Escape);
    EXPECT_EQ(prompt.QuestionDefaultNo(text, IUserPrompt::EIcon::Exclamation,
                                       IUserPrompt::EButtons::YesNoCancel),
              IUserPrompt::EAnswer::Cancel);

    // Without Cancel, Escape answers No.
    pressWhenShown(Qt::Key_Escape);
    EXPECT_EQ(prompt.QuestionDefaultNo(text, IUserPrompt::EIcon::Exclamation),
              IUserPrompt::EAnswer::No);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
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

TEST(MessageBoxPrompt, AFileChoiceReturnsThePathAndTheSelectedFilter)
{
    QTemporaryDir dir;
    const QString json = QStringLiteral("JSON files (*.json)");
    CMessageBoxPrompt prompt;
    IUserPrompt::SFileChoice choice;
    choice.mode = IUserPrompt::SFileChoice::EMode::Save;
    choice.caption = QStringLiteral("Export");
    choice.filter = QStringLiteral("CSV files (*.csv);;") + json;
    choice.suggestedPath = dir.filePath(QStringLiteral("Parameters.csv"));
    QString title;
    QStringList filters;
    QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        accept = dialog->acceptMode();
        dialog->selectNameFilter(json);
        dialog->selectFile(dir.filePath(QStringLiteral("set")));
        // Through QDialog: QFileDialog keeps its override protected.
        static_cast<QDialog*>(dialog)->accept();
    });
    const IUserPrompt::SFileChosen saved = prompt.ChooseFile(choice);
    EXPECT_EQ(title, QStringLiteral("Export"));
    EXPECT_EQ(filters, (QStringList{QStringLiteral("CSV files (*.csv)"), json}));
    EXPECT_EQ(accept, QFileDialog::AcceptSave);
    EXPECT_EQ(saved.path, dir.filePath(QStringLiteral("set")));
    EXPECT_EQ(saved.filter, json);

    // An open asks for an existing file; closing the dialog chooses nothing.
    choice.mode = IUserPrompt::SFileChoice::EMode::Open;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        accept = dialog->acceptMode();
        mode = dialog->fileMode();
        dialog->reject();
    });
    const IUserPrompt::SFileChosen opened = prompt.ChooseFile(choice);
    EXPECT_EQ(accept, QFileDialog::AcceptOpen);
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_TRUE(opened.path.isEmpty());
}
