#pragma once

#include "doc/IUserPrompt.h"

class QWidget;

// IUserPrompt for the application: modal message boxes, file dialogs and progress windows
// over a parent window, with the application's name as the default caption.
class CMessageBoxPrompt : public IUserPrompt
{
public:
    explicit CMessageBoxPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    // The window the prompts are modal to.
    void SetParent(QWidget* parent) { m_parent = parent; }

    void Message(const QString& text, EIcon icon, const QString& caption = {}) override;
    // The details go into the box's expandable "Show Details..." part.
    void MessageWithDetails(const QString& text, const QString& details, EIcon icon) override;
    EAnswer Question(const QString& text, EButtons buttons, EIcon icon) override;
    EAnswer QuestionDefaultNo(const QString& text, EIcon icon,
                              EButtons buttons = EButtons::YesNo) override;
    bool ConfirmOverwrite() override;
    // The write confirmation window (CWriteConfirmDlg).
    EWriteChoice ConfirmWrite(const SWritePreview& preview) override;
    std::unique_ptr<IProgress> BeginProgress(const QString& title, EProgressKind kind) override;
    QString ChooseOpenFile(const QString& caption, const QString& filter) override;
    QString ChooseSaveFile(const QString& caption, const QString& filter,
                           const QString& defaultSuffix, const QString& suggestedName) override;
    // A QFileDialog modal to the parent.
    SFileChosen ChooseFile(const SFileChoice& choice) override;

private:
    QWidget* m_parent;
};
