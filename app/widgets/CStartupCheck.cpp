#include "app/widgets/CStartupCheck.h"

#include "app/widgets/CMainFrame.h"
#include "app/widgets/CTavrinApp.h"
#include "doc/CTavrinDoc.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <QtAlgorithms>

#include <cstdio>

namespace {

// Waiting longer than this for the first paint means the window never came up.
constexpr int kShowLimitMs = 20000;

// One tab-separated record on standard output; tabs and line breaks inside the text are
// written as \t and \n.
void Record(const char* kind, QString text = QString())
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    std::printf("%s\t%s\n", kind, text.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

CStartupCheck::CStartupCheck()
{
    qApp->installEventFilter(this);
}

bool CStartupCheck::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            // A notice has its OK button alone; a question offers more than one answer.
            const bool choice = qPopulationCount(uint(box->standardButtons().toInt())) > 1;
            m_messageShown = m_messageShown || !choice;
            Record(choice ? "question" : "message", box->text());
            QMetaObject::invokeMethod(box, &QDialog::reject, Qt::QueuedConnection);
        } else if (auto* dialog = qobject_cast<QDialog*>(watched)) {
            Record("dialog", dialog->windowTitle());
            QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        }
    } else if (event->type() == QEvent::Paint && watched == m_mainWindow && !m_painted) {
        m_painted = true;
        Record("shown");
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

int CStartupCheck::Run(CTavrinApp& app)
{
    m_mainWindow = &app.Frame();
    if (app.Frame().isVisible()) {
        QTimer::singleShot(kShowLimitMs, qApp, &QCoreApplication::quit);
        QApplication::exec();
    }
    const QString tagFile = app.Document().Tags().Path();
    Record("tagfile", tagFile);
    return m_painted && !m_messageShown && !tagFile.isEmpty() ? 0 : 1;
}
