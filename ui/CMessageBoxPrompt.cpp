#include "ui/CMessageBoxPrompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

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
    default:
        // Escape or the close box: Cancel where offered, otherwise No.
        return (buttons == EButtons::YesNo) ? EAnswer::No : EAnswer::Cancel;
    }
}

namespace {

// A modeless progress window; Pump processes waiting events so that Cancel is seen.
class CProgressWindow : public IProgress
{
public:
    CProgressWindow(const QString& title, bool cancellable, QWidget* parent)
        : m_dialog(QString(), cancellable ? QObject::tr("Cancel") : QString(), 0, 0, parent)
    {
        m_dialog.setWindowTitle(title);
        m_dialog.setWindowModality(Qt::NonModal);
        m_dialog.setMinimumDuration(0);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
        if (!cancellable)
            m_dialog.setCancelButton(nullptr);
        m_dialog.show();
        QCoreApplication::processEvents();
    }
    void SetRange(int low, int high) override { m_dialog.setRange(low, high); }
    void SetPosition(int position) override { m_dialog.setValue(position); }
    bool Pump() override
    {
        QCoreApplication::processEvents();
        return m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

bool CMessageBoxPrompt::ConfirmOverwrite()
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("WARNING"),
                    QStringLiteral("Do you wish to overwrite the settings already in the "
                                   "controller with the ones you are editing?"),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::unique_ptr<IProgress> CMessageBoxPrompt::BeginProgress(const QString& title,
                                                            EProgressKind kind)
{
    return std::make_unique<CProgressWindow>(title, kind == EProgressKind::Cancellable,
                                             m_parent);
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
