// The progress windows and the overwrite confirmation, driven the way flows and users drive
// them: through CMessageBoxPrompt, button clicks, keys and the message pump.
#include "ui/CAnimationControl.h"
#include "ui/CCancelProgressDlg.h"
#include "ui/CMessageBoxPrompt.h"
#include "ui/CProgressDlg.h"
#include "ui/CTimeLeft.h"
#include "ui/CUploadWarningDlg.h"
#include "ui/ControlId.h"

#include "app/CAppSettings.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {

const QString kShareDir = QStringLiteral(TAVRIN_SHARE_DIR);

using ControlId::Find;

QWidget* VisibleWindow(int id)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == ControlId::Name(id))
            return window;
    }
    return nullptr;
}

void SendKey(QWidget* target, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// Runs the event loop until `done` holds or `limitMs` passes; returns `done`.
bool WaitUntil(const std::function<bool()>& done, int limitMs = 10000)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

// Runs `dialog` modally while `act` plays the user once the loop is running.
int ExecAnd(QDialog& dialog, const std::function<void()>& act)
{
    QTimer::singleShot(0, &dialog, act);
    return dialog.exec();
}

// QSettings pointed at a fresh folder, with "TagFileDir" set.
class CTagFileDirSetting
{
public:
    explicit CTagFileDirSetting(const QString& tagFileDir)
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
        CAppSettings::Write(QString::fromLatin1(CAppSettings::kSettings),
                            QStringLiteral("TagFileDir"), tagFileDir);
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST(CancelProgressDlg, CancelSticksAndTheWindowStaysOpen)
{
    CCancelProgressDlg dialog;
    EXPECT_FALSE(dialog.Cancelled());
    dialog.Create();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_TRUE(dialog.windowTitle().isEmpty());
    ASSERT_NE(Find<QProgressBar>(&dialog, 1083), nullptr);
    auto* cancel = Find<QPushButton>(&dialog, 1065);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(cancel->isDefault());
    EXPECT_FALSE(dialog.PumpMessages());

    // A click that arrives while the flow is busy waits in the queue until the pump.
    QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
    EXPECT_FALSE(dialog.Cancelled());
    EXPECT_TRUE(dialog.PumpMessages());

    cancel->click();
    EXPECT_TRUE(dialog.PumpMessages());
    EXPECT_TRUE(dialog.PumpMessages());
    EXPECT_TRUE(dialog.isVisible());
}

TEST(CancelProgressDlg, EscapeAndTheCloseBoxCancelWithoutClosing)
{
    CCancelProgressDlg escaped;
    escaped.Create();
    SendKey(&escaped, Qt::Key_Escape);
    EXPECT_TRUE(escaped.PumpMessages());
    EXPECT_TRUE(escaped.isVisible());

    CCancelProgressDlg closed;
    closed.Create();
    EXPECT_FALSE(closed.close());
    EXPECT_TRUE(closed.PumpMessages());
    EXPECT_TRUE(closed.isVisible());
}

TEST(CancelProgressDlg, RangeIsUnsignedSixteenBitAndPositionStaysInside)
{
    CCancelProgressDlg dialog;
    QProgressBar* bar = Find<QProgressBar>(&dialog, 1083);
    ASSERT_NE(bar, nullptr);
    dialog.SetRange(0, 40000); // a tag count above 32767 stays positive
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 40000);
    dialog.SetPosition(39999);
    EXPECT_EQ(bar->value(), 39999);
    dialog.SetRange(-5, 70000);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 0xFFFF);
    dialog.SetPosition(99999);
    EXPECT_EQ(bar->value(), 0xFFFF);
    dialog.SetPosition(-1);
    EXPECT_EQ(bar->value(), 0);
}

TEST(MessageBoxPromptProgress, CancellableWindowOverTheMainWindow)
{
    QWidget mainWindow;
    mainWindow.setGeometry(150, 120, 700, 500);
    mainWindow.show();
    CMessageBoxPrompt prompt(&mainWindow);
    std::unique_ptr<IProgress> progress = prompt.BeginProgress(
        QStringLiteral("Reading data from controller"), IUserPrompt::EProgressKind::Cancellable);
    ASSERT_NE(progress, nullptr);

    QWidget* window = VisibleWindow(157);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Reading data from controller"));
    EXPECT_EQ(window->parentWidget(), nullptr); // a window of its own
    const QPoint offset = window->frameGeometry().center() - mainWindow.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);

    progress->SetRange(0, 120);
    progress->SetPosition(30);
    QProgressBar* bar = Find<QProgressBar>(window, 1083);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->maximum(), 120);
    EXPECT_EQ(bar->value(), 30);
    auto* count = window->findChild<QLabel*>(QStringLiteral("progressCount"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), QStringLiteral("30 of 120")) << "no pace known after one move";
    EXPECT_GT(count->geometry().top(), bar->geometry().bottom()) << "under the bar";

    EXPECT_FALSE(progress->Pump());
    QMetaObject::invokeMethod(Find<QPushButton>(window, 1065), &QPushButton::click,
                              Qt::QueuedConnection);
    EXPECT_TRUE(progress->Pump());
    EXPECT_TRUE(progress->Pump());
    EXPECT_NE(VisibleWindow(157), nullptr);

    progress.reset();
    EXPECT_EQ(VisibleWindow(157), nullptr);
}

TEST(MessageBoxPromptProgress, PlainWindowHasOnlyItsBar)
{
    CMessageBoxPrompt prompt;
    std::unique_ptr<IProgress> progress = prompt.BeginProgress(
        QStringLiteral("Writing data to controller"), IUserPrompt::EProgressKind::Plain);
    ASSERT_NE(progress, nullptr);
    QWidget* window = VisibleWindow(155);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Writing data to controller"));
    EXPECT_TRUE(window->findChildren<QPushButton*>().isEmpty());
    QProgressBar* bar = Find<QProgressBar>(window, 1079);
    ASSERT_NE(bar, nullptr);

    progress->SetRange(0, 100);
    progress->SetPosition(50);
    EXPECT_EQ(bar->value(), 50);
    progress->SetPosition(101);
    EXPECT_EQ(bar->value(), 100);
    auto* count = window->findChild<QLabel*>(QStringLiteral("progressCount"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text(), QStringLiteral("100 of 100")) << "nothing left, no estimate";

    // No way to cancel, and neither Escape nor the close box hides it mid-write.
    SendKey(window, Qt::Key_Escape);
    EXPECT_FALSE(window->close());
    EXPECT_FALSE(progress->Pump());
    EXPECT_TRUE(window->isVisible());

    progress.reset();
    EXPECT_EQ(VisibleWindow(155), nullptr);
}

TEST(TimeLeft, EstimatesFromThePaceSinceTheFirstStep)
{
    qint64 now = 0;
    CTimeLeft timeLeft([&] { return now; });
    const auto at = [&](qint64 ms, int position) {
        now = ms;
        timeLeft.SetPosition(position);
        return timeLeft.Text();
    };
    timeLeft.SetRange(0, 0);
    EXPECT_EQ(at(0, 0), QString()) << "nothing to count";
    timeLeft.SetRange(0, 95);
    EXPECT_EQ(timeLeft.Text(), QStringLiteral("0 of 95")) << "nothing done yet";
    // The time before the first step (identification) does not count.
    EXPECT_EQ(at(9000, 1), QStringLiteral("1 of 95"));
    EXPECT_EQ(at(9400, 2), QStringLiteral("2 of 95")) << "one step in 0.4 s: too soon";
    // Two steps in 0.5 s: 92 left at 0.25 s each.
    EXPECT_EQ(at(9500, 3), QStringLiteral("3 of 95 \u00b7 about 23 s left"));
    EXPECT_EQ(at(9500 + 22 * 250, 25), QStringLiteral("25 of 95 \u00b7 about 18 s left"));
    EXPECT_EQ(at(40000, 95), QStringLiteral("95 of 95")) << "done: no estimate";
    EXPECT_EQ(timeLeft.RemainingMs(), -1);

    // One slow step is enough once a second has passed; over a minute, minutes and seconds.
    timeLeft.SetRange(0, 200);
    EXPECT_EQ(at(50000, 1), QStringLiteral("1 of 200"));
    EXPECT_EQ(at(51500, 2), QStringLiteral("2 of 200 \u00b7 about 4 min 57 s left"));
    // A step back (a new pass over the same range) measures the pace afresh.
    EXPECT_EQ(at(52000, 1), QStringLiteral("1 of 200"));
    EXPECT_EQ(at(52200, 3), QStringLiteral("3 of 200 \u00b7 about 20 s left"));
}

TEST(UploadWarningDlg, ContentsAndAnswers)
{
    QTemporaryDir empty;
    CUploadWarningDlg dialog(empty.path());
    EXPECT_EQ(dialog.objectName(), ControlId::Name(174));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("WARNING"));
    EXPECT_EQ(dialog.font().pointSize(), 10);
    auto* yes = Find<QPushButton>(&dialog, 1);
    auto* no = Find<QPushButton>(&dialog, 2);
    ASSERT_NE(yes, nullptr);
    ASSERT_NE(no, nullptr);
    EXPECT_EQ(yes->text(), QStringLiteral("Yes"));
    EXPECT_EQ(no->text(), QStringLiteral("No"));
    EXPECT_TRUE(no->isDefault());
    EXPECT_FALSE(yes->isDefault());
    ASSERT_NE(Find<CAnimationControl>(&dialog, 1129), nullptr);
    bool textShown = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("Do you wish to overwrite the settings already in "
                                            "the controller with the ones you are editing?")) {
            textShown = true;
            EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
        }
    }
    EXPECT_TRUE(textShown);

    EXPECT_EQ(ExecAnd(dialog, [&] { SendKey(&dialog, Qt::Key_Escape); }), CUploadWarningDlg::kNo);
    EXPECT_EQ(ExecAnd(dialog, [&] { yes->click(); }), CUploadWarningDlg::kYes);
    EXPECT_EQ(ExecAnd(dialog, [&] { SendKey(&dialog, Qt::Key_Return); }), CUploadWarningDlg::kNo);
    EXPECT_EQ(ExecAnd(dialog, [&] { no->click(); }), CUploadWarningDlg::kNo);
    EXPECT_EQ(ExecAnd(dialog, [&] { dialog.close(); }), CUploadWarningDlg::kNo);
}

TEST(UploadWarningDlg, AnimationPathTakesEitherSeparator)
{
    EXPECT_EQ(CUploadWarningDlg::AnimationPath(QString()), QStringLiteral("/Upload.avi"));
    EXPECT_EQ(CUploadWarningDlg::AnimationPath(QStringLiteral("C:\\Tavrin")),
              QStringLiteral("C:/Tavrin/Upload.avi"));
    EXPECT_EQ(CUploadWarningDlg::AnimationPath(QStringLiteral("/opt/tavrin/tags")),
              QStringLiteral("/opt/tavrin/tags/Upload.avi"));
    EXPECT_EQ(CUploadWarningDlg::AnimationPath(QStringLiteral("D:\\kel/tags")),
              QStringLiteral("D:/kel/tags/Upload.avi"));
}

TEST(UploadWarningDlg, AnimationLoopsWhileTheWindowIsOpen)
{
    CUploadWarningDlg dialog(kShareDir);
    dialog.show();
    CAnimationControl* animation = Find<CAnimationControl>(&dialog, 1129);
    ASSERT_NE(animation, nullptr);
    ASSERT_EQ(animation->FrameCount(), 24);
    EXPECT_TRUE(animation->IsPlaying());
    EXPECT_EQ(animation->FrameIntervalMs(), 80);
    EXPECT_EQ(animation->CurrentFrame(), 0);
    const QImage first = animation->pixmap().toImage();
    ASSERT_EQ(first.size(), QSize(96, 48));
    EXPECT_EQ(first.pixelColor(20, 24), QColor(40, 90, 170)); // red and blue not swapped

    // The timer moves the picture on by itself.
    ASSERT_TRUE(WaitUntil([&] { return animation->CurrentFrame() >= 10; }));
    EXPECT_NE(animation->pixmap().toImage(), first);

    // After the last frame comes the first again.
    while (animation->CurrentFrame() != animation->FrameCount() - 1)
        animation->StepFrame();
    animation->StepFrame();
    EXPECT_EQ(animation->CurrentFrame(), 0);
    EXPECT_EQ(animation->pixmap().toImage(), first);

    dialog.done(CUploadWarningDlg::kNo);
    EXPECT_FALSE(animation->IsPlaying());
}

TEST(UploadWarningDlg, MissingOrBrokenFileLeavesTheAreaEmptyAndTheRestAlone)
{
    CUploadWarningDlg withFile(kShareDir);

    QTemporaryDir missing;
    QTemporaryDir broken;
    QFile source(kShareDir + QStringLiteral("/Upload.avi"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QFile cut(broken.filePath(QStringLiteral("Upload.avi")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(source.read(source.size() / 2));
    cut.close();

    for (const QString& dir : {missing.path(), broken.path()}) {
        CUploadWarningDlg dialog(dir);
        const CAnimationControl* animation = Find<CAnimationControl>(&dialog, 1129);
        ASSERT_NE(animation, nullptr);
        EXPECT_EQ(animation->FrameCount(), 0);
        EXPECT_FALSE(animation->IsPlaying());
        EXPECT_TRUE(animation->pixmap().isNull());
        EXPECT_EQ(dialog.sizeHint(), withFile.sizeHint());
        EXPECT_EQ(animation->size(), Find<CAnimationControl>(&withFile, 1129)->size());
    }
}

TEST(MessageBoxPromptOverwrite, UsesTheTagFileDirSettingAndTheAnswer)
{
    CTagFileDirSetting setting(kShareDir);
    CMessageBoxPrompt prompt;
    int framesSeen = -1;
    const auto answer = [&framesSeen](Qt::Key key) {
        QTimer::singleShot(0, [key, &framesSeen] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            ASSERT_EQ(dialog->objectName(), ControlId::Name(174));
            framesSeen = Find<CAnimationControl>(dialog, 1129)->FrameCount();
            if (key == Qt::Key_Y)
                Find<QPushButton>(dialog, 1)->click();
            else
                SendKey(dialog, key);
        });
    };
    answer(Qt::Key_Y);
    EXPECT_TRUE(prompt.ConfirmOverwrite());
    EXPECT_EQ(framesSeen, 24);
    answer(Qt::Key_Escape);
    EXPECT_FALSE(prompt.ConfirmOverwrite());
}
