#pragma once

#include "doc/IUserPrompt.h"

class QWidget;

// The prompt of the update check that the Options dialog's "C&heck" starts: messages,
// questions and file choices go to the application's prompt, but the progress window
// (with Cancel) is a child of the dialog. The dialog is modal and blocks input to every
// window that is not its own, so a progress window of its own is the only one whose Cancel
// can be pressed while the check runs. Both `prompt` and `dialog` must outlive the object.
class COptionsCheckPrompt : public IUserPrompt
{
public:
    COptionsCheckPrompt(IUserPrompt& prompt, QWidget* dialog);

    void Message(const QString& text, EIcon icon, const QString& caption = {}) override;
    void MessageWithDetails(const QString& text, const QString& details, EIcon icon) override;
    EAnswer Question(const QString& text, EButtons buttons, EIcon icon) override;
    EAnswer QuestionDefaultNo(const QString& text, EIcon icon,
                              EButtons buttons = EButtons::YesNo) override;
    bool ConfirmOverwrite() override;
    // A cancellable window owned by the dialog, whatever `kind` says.
    std::unique_ptr<IProgress> BeginProgress(const QString& title, EProgressKind kind) override;
    QString ChooseOpenFile(const QString& caption, const QString& filter) override;
    QString ChooseSaveFile(const QString& caption, const QString& filter,
                           const QString& defaultSuffix, const QString& suggestedName) override;
    SFileChosen ChooseFile(const SFileChoice& choice) override;

private:
    IUserPrompt& m_prompt;
    QWidget* m_dialog;
};
