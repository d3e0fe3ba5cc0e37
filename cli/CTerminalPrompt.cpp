#include "cli/CTerminalPrompt.h"

#include "res/StringTable.h"

#include <QTextStream>

#include <unistd.h>

namespace {

// Progress on a terminal: the title once, then a line each time another tenth of the range
// is reached, so that logs of long reads stay short.
class CTerminalProgress : public IProgress
{
public:
    CTerminalProgress(FILE* out, const QString& title) : m_out(out), m_title(title) {}
    ~CTerminalProgress() override
    {
        if (m_lastTenth >= 0 && m_lastTenth < 10)
            Print(100);
    }
    void SetRange(int low, int high) override
    {
        m_low = low;
        m_high = high;
    }
    void SetPosition(int position) override
    {
        const int span = m_high - m_low;
        const int percent = span > 0 ? (position - m_low) * 100 / span : 0;
        const int tenth = percent / 10;
        if (tenth != m_lastTenth) {
            m_lastTenth = tenth;
            Print(tenth * 10);
        }
    }
    bool Pump() override { return false; }

private:
    void Print(int percent)
    {
        std::fprintf(m_out, "%s: %d%%\n", qPrintable(m_title), percent);
        std::fflush(m_out);
        if (percent == 100)
            m_lastTenth = 10;
    }

    FILE* m_out;
    QString m_title;
    int m_low = 0;
    int m_high = 0;
    int m_lastTenth = -1;
};

const char* IconWord(IUserPrompt::EIcon icon)
{
    switch (icon) {
    case IUserPrompt::EIcon::Stop:
        return "error: ";
    case IUserPrompt::EIcon::Exclamation:
        return "warning: ";
    default:
        return "";
    }
}

} // namespace

void CTerminalPrompt::Message(const QString& text, EIcon icon, const QString&)
{
    std::fprintf(m_out, "tavrin-cli: %s%s\n", IconWord(icon), qPrintable(text));
    std::fflush(m_out);
}

IUserPrompt::EAnswer CTerminalPrompt::Question(const QString& text, EButtons buttons, EIcon)
{
    // A script decides retries up front: an unattended line must not wait for an answer.
    if (buttons == EButtons::RetryCancel) {
        const bool retry = m_retries > 0;
        if (retry)
            --m_retries;
        std::fprintf(m_out, "tavrin-cli: warning: %s %s\n", qPrintable(text),
                     retry ? "Retrying." : "Giving up.");
        std::fflush(m_out);
        return retry ? EAnswer::Retry : EAnswer::Cancel;
    }
    const bool yesNo = buttons == EButtons::YesNo || buttons == EButtons::YesNoCancel;
    const bool cancel = buttons == EButtons::OkCancel || buttons == EButtons::YesNoCancel;
    const char* choices = buttons == EButtons::YesNoCancel ? "[y/n/c]"
                          : buttons == EButtons::YesNo     ? "[y/n]"
                          : buttons == EButtons::OkCancel  ? "[o/c]"
                                                           : "[o]";
    const EAnswer closed = cancel ? EAnswer::Cancel : yesNo ? EAnswer::No : EAnswer::Ok;
    if (yesNo && m_assumeYes) {
        std::fprintf(m_out, "%s %s y\n", qPrintable(text), choices);
        std::fflush(m_out);
        return EAnswer::Yes;
    }
    // Without a terminal nobody is there to answer: a pipe or a file holds a script's data,
    // not a reply, so it is never read and the question is declined at once.
    if (!isatty(fileno(m_in))) {
        std::fprintf(m_out, "%s %s %s (no terminal)\n", qPrintable(text), choices,
                     closed == EAnswer::Cancel ? "c"
                     : closed == EAnswer::No   ? "n"
                                               : "o");
        std::fflush(m_out);
        return closed;
    }
    for (;;) {
        std::fprintf(m_out, "%s %s ", qPrintable(text), choices);
        std::fflush(m_out);
        char line[64] = {};
        if (!std::fgets(line, sizeof line, m_in)) {
            std::fputc('\n', m_out);
            return closed;
        }
        const QString answer = QString::fromLocal8Bit(line).trimmed().toLower();
        if (yesNo && (answer == QLatin1String("y") || answer == QLatin1String("yes")))
            return EAnswer::Yes;
        if (yesNo && (answer == QLatin1String("n") || answer == QLatin1String("no")))
            return EAnswer::No;
        if (!yesNo && (answer == QLatin1String("o") || answer == QLatin1String("ok")))
            return EAnswer::Ok;
        if (cancel && (answer == QLatin1String("c") || answer == QLatin1String("cancel")))
            return EAnswer::Cancel;
    }
}

bool CTerminalPrompt::ConfirmOverwrite()
{
    if (m_assumeYes)
        return true;
    return Question(LoadString(EString::OverwriteQuestion), EButtons::YesNo, EIcon::Question) ==
           EAnswer::Yes;
}

std::unique_ptr<IProgress> CTerminalPrompt::BeginProgress(const QString& title, EProgressKind)
{
    return std::make_unique<CTerminalProgress>(m_out, title);
}

QString CTerminalPrompt::ChooseOpenFile(const QString&, const QString&)
{
    return {};
}

QString CTerminalPrompt::ChooseSaveFile(const QString&, const QString&, const QString&,
                                        const QString&)
{
    return {};
}

IUserPrompt::SFileChosen CTerminalPrompt::ChooseFile(const SFileChoice&)
{
    return {};
}
