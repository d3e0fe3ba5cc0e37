#include "ui/CMessageBoxPrompt.h"

#include "app/CAppSettings.h"
#include "ui/CCancelProgressDlg.h"
#include "ui/CProgressDlg.h"
#include "ui/CUploadWarningDlg.h"
#include "ui/CWriteConfirmDlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQtIcon(IUserPrompt::EIcon icon)
{
    switch (icon) {
    case IUserPrompt::EIcon::Information:
        return QMessageBox::Information;
    case IUserPrompt::EIcon::Exclamation:
        return QMessageBox::Warning;
    case IUserPrompt::EIcon::Stop:
        return QMessageBox::Critical;
    case IUserPrompt::EIcon::Question:
        return QMessageBox::Question;
    case IUserPrompt::EIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(IUserPrompt::EButtons buttons)
{
    switch (buttons) {
    case IUserPrompt::EButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case IUserPrompt::EButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case IUserPrompt::EButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case IUserPrompt::EButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case IUserPrompt::EButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

void CMessageBoxPrompt::Message(const QString& text, EIcon icon, const QString& caption)
{
    QMessageBox box(ToQtIcon(icon),
                    caption.isEmpty() ? QApplication::applicationDisplayName() : caption, text,
                    QMessageBox::Ok, m_parent);
    box.exec();
}

void CMessageBoxPrompt::MessageWithDetails(const QString& text, const QString& details, EIcon icon)
{
    QMessageBox box(ToQtIcon(icon), QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    m_parent);
    box.setDetailedText(details);
    box.exec();
}

IUserPrompt::EAnswer CMessageBoxPrompt::Question(const QString& text, EButtons buttons, EIcon icon)
{
    QMessageBox box(ToQtIcon(icon), QApplication::applicationDisplayName(), text,
                    ToQtButtons(buttons), m_parent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return EAnswer::Ok;
    case QMessageBox::Yes:
        return EAnswer::Yes;
    case QMessageBox::No:
        return EAnswer::No;
    case QMessageBox::Retry:
        return EAnswer::Retry;
    default:
        // Escape or the close box: Cancel where offered, otherwise No.
        return (buttons == EButtons::YesNo) ? EAnswer::No : EAnswer::Cancel;
    }
}

namespace {

// Places a progress window over the middle of `owner` (the main window), or leaves it
// centred on the screen when there is no visible owner. Screen coordinates throughout.
void CentreOver(QWidget& window, const QWidget* owner)
{
    if (!owner || !owner->isVisible())
        return;
    const QRect frame = owner->frameGeometry();
    const QSize size = window.frameGeometry().size();
    window.move(frame.x() + (frame.width() - size.width()) / 2,
                frame.y() + (frame.height() - size.height()) / 2);
}

// The read's progress window: Pump lets the Cancel button, keys and paints through.
class CCancelProgress : public IProgress
{
public:
    CCancelProgress(const QString& title, const QWidget* owner)
    {
        // Created without a parent: a window of its own beside the main window.
        m_dialog.setWindowTitle(title);
        m_dialog.Create();
        CentreOver(m_dialog, owner);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    void SetRange(int low, int high) override { m_dialog.SetRange(low, high); }
    void SetPosition(int position) override { m_dialog.SetPosition(position); }
    bool Pump() override { return m_dialog.PumpMessages(); }

private:
    CCancelProgressDlg m_dialog;
};

// The write's progress window. With no button there is no input worth handling, so Pump
// only lets it repaint; user input waits until the transfer ends. The wait cursor shows for
// as long as the window does.
class CPlainProgress : public IProgress
{
public:
    CPlainProgress(const QString& title, const QWidget* owner)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_dialog.setWindowTitle(title);
        m_dialog.Create();
        CentreOver(m_dialog, owner);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    void SetRange(int low, int high) override { m_dialog.SetRange(low, high); }
    void SetPosition(int position) override { m_dialog.SetPosition(position); }
    bool Pump() override
    {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return false;
    }
    ~CPlainProgress() override { QApplication::restoreOverrideCursor(); }
    CPlainProgress(const CPlainProgress&) = delete;
    CPlainProgress& operator=(const CPlainProgress&) = delete;

private:
    CProgressDlg m_dialog;
};

} // namespace

IUserPrompt::EAnswer CMessageBoxPrompt::QuestionDefaultNo(const QString& text, EIcon icon,
                                                          EButtons buttons)
{
    const bool cancel = buttons == EButtons::YesNoCancel;
    QMessageBox box(ToQtIcon(icon), QApplication::applicationDisplayName(), text,
                    ToQtButtons(cancel ? EButtons::YesNoCancel : EButtons::YesNo), m_parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(cancel ? QMessageBox::Cancel : QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return EAnswer::Yes;
    case QMessageBox::No:
        return EAnswer::No;
    default:
        return cancel ? EAnswer::Cancel : EAnswer::No;
    }
}

bool CMessageBoxPrompt::ConfirmOverwrite()
{
    CUploadWarningDlg dialog(CAppSettings().TagFileDir(), m_parent);
    return dialog.exec() == CUploadWarningDlg::kYes;
}

IUserPrompt::EWriteChoice CMessageBoxPrompt::ConfirmWrite(const SWritePreview& preview)
{
    CWriteConfirmDlg dialog(CAppSettings().TagFileDir(), preview, m_parent);
    return CWriteConfirmDlg::Choice(dialog.exec());
}

std::unique_ptr<IProgress> CMessageBoxPrompt::BeginProgress(const QString& title,
                                                            EProgressKind kind)
{
    if (kind == EProgressKind::Cancellable)
        return std::make_unique<CCancelProgress>(title, m_parent);
    return std::make_unique<CPlainProgress>(title, m_parent);
}

QString CMessageBoxPrompt::ChooseOpenFile(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, QString(), filter);
}

QString CMessageBoxPrompt::ChooseSaveFile(const QString& caption, const QString& filter,
                                          const QString& defaultSuffix,
                                          const QString& suggestedName)
{
    QFileDialog dialog(m_parent, caption, suggestedName, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

IUserPrompt::SFileChosen CMessageBoxPrompt::ChooseFile(const SFileChoice& choice)
{
    QFileDialog dialog(m_parent, choice.caption, choice.suggestedPath, choice.filter);
    if (choice.mode == SFileChoice::EMode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(), dialog.selectedNameFilter()};
}
