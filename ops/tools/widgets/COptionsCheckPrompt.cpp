#include "ops/tools/widgets/COptionsCheckPrompt.h"

#include "ui/CCancelProgressDlg.h"

#include <QCoreApplication>

namespace {

class CDialogProgress : public IProgress
{
public:
    CDialogProgress(const QString& title, QWidget* dialog) : m_window(dialog)
    {
        m_window.setWindowTitle(title);
        m_window.Create();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    void SetRange(int low, int high) override { m_window.SetRange(low, high); }
    void SetPosition(int position) override { m_window.SetPosition(position); }
    bool Pump() override { return m_window.PumpMessages(); }

private:
    CCancelProgressDlg m_window;
};

} // namespace

COptionsCheckPrompt::COptionsCheckPrompt(IUserPrompt& prompt, QWidget* dialog)
    : m_prompt(prompt), m_dialog(dialog)
{
}

void COptionsCheckPrompt::Message(const QString& text, EIcon icon, const QString& caption)
{
    m_prompt.Message(text, icon, caption);
}

void COptionsCheckPrompt::MessageWithDetails(const QString& text, const QString& details,
                                             EIcon icon)
{
    m_prompt.MessageWithDetails(text, details, icon);
}

IUserPrompt::EAnswer COptionsCheckPrompt::Question(const QString& text, EButtons buttons,
                                                   EIcon icon)
{
    return m_prompt.Question(text, buttons, icon);
}

IUserPrompt::EAnswer COptionsCheckPrompt::QuestionDefaultNo(const QString& text, EIcon icon,
                                                            EButtons buttons)
{
    return m_prompt.QuestionDefaultNo(text, icon, buttons);
}

bool COptionsCheckPrompt::ConfirmOverwrite()
{
    return m_prompt.ConfirmOverwrite();
}

std::unique_ptr<IProgress> COptionsCheckPrompt::BeginProgress(const QString& title, EProgressKind)
{
    return std::make_unique<CDialogProgress>(title, m_dialog);
}

QString COptionsCheckPrompt::ChooseOpenFile(const QString& caption, const QString& filter)
{
    return m_prompt.ChooseOpenFile(caption, filter);
}

QString COptionsCheckPrompt::ChooseSaveFile(const QString& caption, const QString& filter,
                                            const QString& defaultSuffix,
                                            const QString& suggestedName)
{
    return m_prompt.ChooseSaveFile(caption, filter, defaultSuffix, suggestedName);
}

IUserPrompt::SFileChosen COptionsCheckPrompt::ChooseFile(const SFileChoice& choice)
{
    return m_prompt.ChooseFile(choice);
}
