// The main window during a transfer, through the real event pump: commands fired while a
// read pumps its progress window change nothing, and a close asked for during a transfer
// waits for it (a read stops at its next tag, a write runs to its end), then ends the
// application's event loop. Outside a transfer the commands follow the document as it changes.
#include "AppTestSupport.h"

#include "app/CAppSettings.h"
#include "app/widgets/CMainFrame.h"
#include "app/widgets/CMenuTable.h"
#include "app/widgets/CTavrinApp.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "common/SimModelEdits.h"
#include "data/CParameter.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/params/CReadFlow.h"
#include "ops/params/CWriteFlow.h"
#include "res/StringTable.h"
#include "sim/CControllerSim.h"
#include "ui/CMessageBoxPrompt.h"
#include "ui/ControlId.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr EControllerType kType = EControllerType::TarnPlus;

// The application on a simulated type-10 controller, linked and with the bundled tag file.
class TransferWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tags.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
        sim = std::make_unique<CControllerSim>(ModelWithTagFile(tags, kType));
        ASSERT_TRUE(sim->Start());
        PointSettingsAt(sim->SlavePath());
        // A profile on the recent-file list, for a command to open in the middle of a read.
        const QString profile = temp.Path() + QStringLiteral("/other.prf");
        CParameterSet set;
        set.SetDataControllerType(ControllerTypeNumber(kType));
        auto record = std::make_unique<CParameter>();
        record->tagNumber = tags.Tags().front()->tag;
        set.Append(std::move(record));
        set.SetEmpty(false);
        ASSERT_TRUE(set.SaveFile(profile).Ok());
        ASSERT_TRUE(CAppSettings().SetRecentFiles({profile}));
        ASSERT_TRUE(app.InitInstance({}));
        app.Document().Poll();
        ASSERT_TRUE(app.Document().LinkReady());
    }

    int ApplyingTagCount() const
    {
        int count = 0;
        for (const auto& tag : tags.Tags())
            count += tag->AppliesToType(kType);
        return count;
    }

    // The status, controller id and equality panes of the status bar.
    QStringList Panes()
    {
        QStringList texts;
        for (int id : {59143, 59142})
            texts << ControlId::Find<QLabel>(&app.Frame(), id)->text();
        return texts << app.Frame().EqualityPaneText();
    }
    // Runs `flow` and returns the panes at each move of its progress window, with the position.
    std::vector<std::pair<int, QStringList>> PanesDuring(CScriptedPrompt& prompt,
                                                         const std::function<void()>& flow)
    {
        std::vector<std::pair<int, QStringList>> seen;
        prompt.OnProgressPosition([&](int position) { seen.emplace_back(position, Panes()); });
        flow();
        prompt.OnProgressPosition({});
        return seen;
    }
    // After a transfer: the controller's own state and the document's equality.
    static QStringList PanesAfter()
    {
        return {QStringLiteral("Ok"), CControllerLink::ControllerTypeName(kType),
                LoadString(EString::ProgramEqual)};
    }

    // Runs the application's event loop until the window's closing ends it (0), or gives up
    // after 20 s (1).
    static int RunEventLoop()
    {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
        guard.start(20000);
        return QApplication::exec();
    }

    CTempSettings temp;
    CTagFile tags;
    std::unique_ptr<CControllerSim> sim;
    CTavrinApp app;
};

QAction* FrameAction(CMainFrame& frame, int id)
{
    return ControlId::Find<QAction>(&frame, id);
}

} // namespace

TEST_F(TransferWindowTest, CommandsFiredDuringAReadChangeNothing)
{
    CMainFrame& frame = app.Frame();
    CTavrinDoc& doc = app.Document();
    int fired = 0;
    int modals = 0;
    // Any dialog the commands below opened would be a change: count it and get rid of it.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++modals;
            modal->close();
        }
    });
    closer.start(20);
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (!doc.TransferActive() || doc.Parameters().RecordCount() < 10 || fired > 0)
            return;
        ++fired;
        for (int id : {MenuTable::IdFileNew, MenuTable::IdFileOpen, MenuTable::IdRecentFile,
                       MenuTable::IdReadFromController, MenuTable::IdFileSaveAs}) {
            QAction* action = FrameAction(frame, id);
            ASSERT_NE(action, nullptr) << id;
            EXPECT_FALSE(action->isEnabled()) << id;
            action->trigger();
        }
        EXPECT_FALSE(frame.centralWidget()->isEnabled());
    });
    during.start(2);

    FrameAction(frame, MenuTable::IdReadFromController)->trigger();
    during.stop();

    EXPECT_EQ(fired, 1);
    EXPECT_EQ(modals, 0);
    EXPECT_EQ(doc.Parameters().RecordCount(), ApplyingTagCount()) << "exactly the read";
    EXPECT_EQ(doc.Title(), QStringLiteral("Downloaded"));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(frame.EqualityPaneEqual());
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_TRUE(doc.StatusPollRunning());
    EXPECT_TRUE(FrameAction(frame, MenuTable::IdFileOpen)->isEnabled()) << "commands are back";
    EXPECT_TRUE(frame.centralWidget()->isEnabled());
}

TEST_F(TransferWindowTest, CloseDuringAReadStopsItAndEndsTheEventLoop)
{
    CMainFrame& frame = app.Frame();
    CTavrinDoc& doc = app.Document();
    bool closeRefused = false;
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (!doc.TransferActive() || doc.Parameters().RecordCount() < 5)
            return;
        during.stop();
        closeRefused = !frame.close();
    });
    during.start(2);
    QTimer::singleShot(0, [&] { FrameAction(frame, MenuTable::IdReadFromController)->trigger(); });

    EXPECT_EQ(RunEventLoop(), 0) << "the window closed and the event loop ended";
    EXPECT_TRUE(closeRefused) << "the window waited for the read";
    EXPECT_FALSE(frame.isVisible());
    EXPECT_FALSE(doc.StatusPollRunning());
    EXPECT_TRUE(doc.Parameters().IsEmpty()) << "the read stopped and was discarded";
}

TEST_F(TransferWindowTest, CloseDuringAWriteLetsItFinishFirst)
{
    // Only the confirmation ("write all") and the closing message are answered here;
    // everything else is the real thing.
    class CYesPrompt : public CMessageBoxPrompt
    {
    public:
        EWriteChoice ConfirmWrite(const SWritePreview&) override
        {
            confirmed = true;
            return EWriteChoice::All;
        }
        void Message(const QString& text, EIcon, const QString&) override { messages << text; }
        bool confirmed = false;
        QStringList messages;
    } prompt;
    CMainFrame& frame = app.Frame();
    CTavrinDoc& doc = app.Document();
    prompt.SetParent(&frame);
    doc.SetPrompt(prompt);
    FrameAction(frame, MenuTable::IdReadFromController)->trigger();
    ASSERT_EQ(doc.Parameters().RecordCount(), ApplyingTagCount());
    doc.SetModified(false);
    frame.SetEqualityPane(false);

    // Closed once the write itself runs, after the comparison and the confirmation.
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (!prompt.confirmed || !doc.TransferActive())
            return;
        during.stop();
        frame.close();
    });
    during.start(2);
    QTimer::singleShot(0, [&] { FrameAction(frame, MenuTable::IdWriteToController)->trigger(); });

    EXPECT_EQ(RunEventLoop(), 0);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_TRUE(frame.EqualityPaneEqual()) << "every record was written and confirmed";
    const int count = doc.Parameters().RecordCount();
    EXPECT_EQ(prompt.messages, QStringList{QStringLiteral("%1 written, %1 confirmed").arg(count)});
    EXPECT_FALSE(doc.StatusPollRunning());
}

TEST_F(TransferWindowTest, CommandsFollowTheDocumentWithoutATimer)
{
    // Every change is checked with no event loop run after it: the states must follow the
    // document's signals. The flows run directly, not through their commands, so the
    // evaluation after a command does not help either.
    CMainFrame& frame = app.Frame();
    CTavrinDoc& doc = app.Document();
    QAction* save = FrameAction(frame, MenuTable::IdFileSave);
    QAction* write = FrameAction(frame, MenuTable::IdWriteToController);
    QAction* read = FrameAction(frame, MenuTable::IdReadFromController);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(write->isEnabled());
    EXPECT_TRUE(read->isEnabled());

    ASSERT_TRUE(CReadFlow::Run(doc).Complete());
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(write->isEnabled());

    doc.OnNewDocument();
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(write->isEnabled());

    ASSERT_TRUE(doc.OnOpenDocument(temp.Path() + QStringLiteral("/other.prf")));
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(write->isEnabled()) << "a profile of the connected controller's type";

    doc.SetLinkReady(false);
    EXPECT_FALSE(write->isEnabled()) << "the controller no longer answers";
    EXPECT_FALSE(read->isEnabled());
    EXPECT_TRUE(save->isEnabled());

    // The tool bar hidden from the window's context menu, not through View Toolbar.
    QAction* viewToolbar = FrameAction(frame, MenuTable::IdViewToolbar);
    EXPECT_TRUE(viewToolbar->isChecked());
    frame.findChild<QToolBar*>()->toggleViewAction()->trigger();
    EXPECT_FALSE(viewToolbar->isChecked());
}

TEST_F(TransferWindowTest, TheStatusBarCountsTheRecordsReadOfTheType)
{
    CScriptedPrompt prompt;
    CTavrinDoc& doc = app.Document();
    doc.SetPrompt(prompt);
    const auto seen = PanesDuring(prompt, [&] { EXPECT_TRUE(CReadFlow::Run(doc).Complete()); });
    const int total = ApplyingTagCount();
    ASSERT_GT(seen.size(), std::size_t(total)) << "every tag of the file is pumped past";
    for (const auto& [position, panes] : seen) {
        EXPECT_EQ(panes, QStringList({QStringLiteral("Reading %1/%2").arg(position).arg(total),
                                      CControllerLink::ControllerTypeName(kType), QString()}));
    }
    EXPECT_EQ(seen.back().first, total);
    EXPECT_EQ(Panes(), PanesAfter());
}

TEST_F(TransferWindowTest, TheStatusBarCountsTheRecordsWritten)
{
    CScriptedPrompt prompt;
    CTavrinDoc& doc = app.Document();
    doc.SetPrompt(prompt);
    ASSERT_TRUE(CReadFlow::Run(doc).Complete());
    const int total = doc.Parameters().RecordCount();
    prompt.ExpectOverwrite(true);
    const auto seen =
        PanesDuring(prompt, [&] { EXPECT_TRUE(CWriteFlow::Run(doc).AllConfirmed()); });
    ASSERT_EQ(seen.size(), std::size_t(total) + 1) << "each record's start, then the end";
    for (const auto& [position, panes] : seen) {
        EXPECT_EQ(panes, QStringList({QStringLiteral("Writing %1/%2").arg(position).arg(total),
                                      CControllerLink::ControllerTypeName(kType), QString()}));
    }
    EXPECT_EQ(Panes(), PanesAfter());
}
