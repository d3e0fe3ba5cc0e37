#pragma once

#include "ops/IUserPrompt.h"

class QWidget;

// IUserPrompt for the application: modal message boxes over a parent window, with the
// application's name as the caption.
class CMessageBoxPrompt : public IUserPrompt
{
public:
    explicit CMessageBoxPrompt(QWidget* parent = nullptr) : m_parent(parent) {}

    void Message(const QString& text, EIcon icon) override;
    EAnswer Question(const QString& text, EButtons buttons, EIcon icon) override;

private:
    QWidget* m_parent;
};
