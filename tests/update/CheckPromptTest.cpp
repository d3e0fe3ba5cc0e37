// The progress window of the update check started from the modal Options dialog.
#include "common/CScriptedPrompt.h"
#include "ops/tools/widgets/COptionsCheckPrompt.h"
#include "ui/CCancelProgressDlg.h"
#include "ui/ControlId.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Records which widgets the application told that a modal window blocks them.
class CBlockedSpy : public QObject
{
public:
    CBlockedSpy() { qApp->installEventFilter(this); }
    ~CBlockedSpy() override { qApp->removeEventFilter(this); }
    bool IsBlocked(QObject* widget) const { return m_blocked.contains(widget); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowBlocked)
            m_blocked.insert(watched);
        else if (event->type() == QEvent::WindowUnblocked)
            m_blocked.remove(watched);
        return false;
    }

private:
    QSet<QObject*> m_blocked;
};

} // namespace

// A window of its own would be blocked by the modal dialog, and its Cancel could not be
// pressed: the check's window belongs to the dialog, and its Cancel reaches the transfer.
TEST(OptionsCheckPrompt, ProgressWindowTakesInputWhileTheDialogIsModal)
{
    QDialog options;
    options.setWindowModality(Qt::ApplicationModal);
    options.show();
    CScriptedPrompt inner;
    COptionsCheckPrompt prompt(inner, &options);

    const CBlockedSpy spy;
    std::unique_ptr<IProgress> progress = prompt.BeginProgress(
        QStringLiteral("Downloading"), IUserPrompt::EProgressKind::Cancellable);
    ASSERT_TRUE(progress);
    CCancelProgressDlg* window = nullptr;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (auto* found = qobject_cast<CCancelProgressDlg*>(widget))
            window = found;
    }
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_FALSE(spy.IsBlocked(window));
    EXPECT_FALSE(progress->Pump());
    auto* cancel = ControlId::Find<QPushButton>(window, 1065);
    ASSERT_TRUE(cancel);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_TRUE(progress->Pump());

    // Everything else is the application's prompt.
    inner.ExpectMessage(QStringLiteral("Unable to download file"), IUserPrompt::EIcon::Exclamation);
    prompt.Message(QStringLiteral("Unable to download file"), IUserPrompt::EIcon::Exclamation);
    EXPECT_TRUE(inner.AllShown());
}
