#include "ui/CMessageBoxPrompt.h"

#include <QApplication>
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
    case IUserPrompt::EButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

void CMessageBoxPrompt::Message(const QString& text, EIcon icon)
{
    QMessageBox box(ToQtIcon(icon), QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    m_parent);
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
