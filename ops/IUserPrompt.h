#pragma once

#include <QString>

// How flows talk to the user. Flows (read, write, logs, tools) never touch widgets; the
// application hands them a message-box implementation, tavrin-cli a terminal one, and tests
// a scripted one that fails on any prompt it did not expect.
class IUserPrompt
{
public:
    enum class EIcon { None, Information, Exclamation, Stop, Question };
    enum class EButtons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class EAnswer { Ok, Cancel, Yes, No };

    virtual ~IUserPrompt() = default;

    // A message the user acknowledges.
    virtual void Message(const QString& text, EIcon icon) = 0;
    // A question; the answer is one of the buttons offered (closing the box counts as
    // Cancel where offered, otherwise No).
    virtual EAnswer Question(const QString& text, EButtons buttons, EIcon icon) = 0;
};
