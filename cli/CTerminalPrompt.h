#pragma once

#include "doc/IUserPrompt.h"

#include <cstdio>

// IUserPrompt for tavrin-cli: messages and progress go to standard error, questions are
// asked there and answered by a line on standard input (y, n or c) when it is a terminal.
// When it is not (a pipe, a file, /dev/null), or at the end of input, the answer is Cancel
// where it is offered, otherwise No, at once and without reading a byte: a script's data is
// never taken for an answer, and an idle pipe never hangs the run.
// File choices are not offered on a terminal: commands take file names as arguments, so
// the choosers answer "cancelled".
class CTerminalPrompt : public IUserPrompt
{
public:
    explicit CTerminalPrompt(FILE* in = stdin, FILE* out = stderr) : m_in(in), m_out(out) {}

    // With this set the overwrite question and every Yes/No question are answered Yes
    // without asking (--yes).
    void SetAssumeYes(bool yes) { m_assumeYes = yes; }
    // Retry/Cancel questions are never asked: the first `retries` are answered Retry, the
    // rest Cancel (--retry N; 0 by default).
    void SetRetries(int retries) { m_retries = retries; }

    void Message(const QString& text, EIcon icon, const QString& caption = {}) override;
    EAnswer Question(const QString& text, EButtons buttons, EIcon icon) override;
    bool ConfirmOverwrite() override;
    std::unique_ptr<IProgress> BeginProgress(const QString& title, EProgressKind kind) override;
    QString ChooseOpenFile(const QString& caption, const QString& filter) override;
    QString ChooseSaveFile(const QString& caption, const QString& filter,
                           const QString& defaultSuffix, const QString& suggestedName) override;
    // No file dialogs on a terminal: nothing is chosen.
    SFileChosen ChooseFile(const SFileChoice& choice) override;

private:
    FILE* m_in;
    FILE* m_out;
    bool m_assumeYes = false;
    int m_retries = 0;
};
