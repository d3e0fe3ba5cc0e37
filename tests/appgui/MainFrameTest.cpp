// The main window offscreen: commands, panes, equality pane, placement, About box.
#include "app/CAppSettings.h"
#include "app/widgets/CAboutDlg.h"
#include "app/widgets/CMainFrame.h"
#include "app/widgets/CMenuTable.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "doc/CTavrinDoc.h"
#include "link/LinkTestSupport.h"
#include "ui/ControlId.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>

namespace {

class MainFrameTest : public SimLinkTest
{
protected:
    QString Pane(CMainFrame& frame, int id)
    {
        auto* label = ControlId::Find<QLabel>(&frame, id);
        return label ? label->text() : QStringLiteral("<missing>");
    }
    int Stored(const char* name)
    {
        return CAppSettings::Read(QStringLiteral("Persistance"), QString::fromLatin1(name), -1)
            .toInt();
    }

    CTempSettings temp;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CTavrinDoc doc{link, settings, prompt};
};

} // namespace

TEST_F(MainFrameTest, EveryCommandIsThereAndOnlyBuiltOnesAreEnabled)
{
    CMainFrame frame(doc, settings);
    for (const auto& item : MenuTable::Items()) {
        if (!item.text)
            continue;
        QAction* action = frame.Action(item.id);
        ASSERT_NE(action, nullptr) << item.text;
        EXPECT_EQ(action->objectName(), ControlId::Name(item.id));
        EXPECT_EQ(action->text(), QString::fromUtf8(item.text));
    }
    EXPECT_EQ(frame.Action(MenuTable::IdFileOpen)->statusTip(),
              QStringLiteral("Open an existing document"));
    EXPECT_EQ(frame.Action(MenuTable::IdFileOpen)->toolTip(), QStringLiteral("Open"));
    EXPECT_EQ(frame.Action(MenuTable::IdFileOpen)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_TRUE(frame.Action(MenuTable::IdAppExit)->isEnabled());
    EXPECT_FALSE(frame.Action(MenuTable::IdEditUndo)->isEnabled());
    EXPECT_FALSE(frame.Action(MenuTable::IdZeroTilt)->isEnabled()) << "not built: disabled";

    bool ran = false;
    frame.SetCommand(
        MenuTable::IdControllerInfo, [&] { ran = true; }, [&] { return doc.LinkReady(); });
    EXPECT_FALSE(frame.Action(MenuTable::IdControllerInfo)->isEnabled());
    frame.Action(MenuTable::IdControllerInfo)->trigger();
    EXPECT_FALSE(ran) << "a disabled command does not run";
    doc.Poll();
    frame.UpdateCommandStates();
    EXPECT_TRUE(frame.Action(MenuTable::IdControllerInfo)->isEnabled());
    frame.Action(MenuTable::IdControllerInfo)->trigger();
    EXPECT_TRUE(ran);

    auto* filter = ControlId::Find<QComboBox>(&frame, 102);
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->count(), 1);
    EXPECT_EQ(filter->currentText(), QStringLiteral("All"));
    EXPECT_EQ(frame.size(), QSize(700, 500));
}

namespace {
// The Alt letter of a menu text ("E&xit" gives 'x'), lower case; a null QChar for none.
QChar Mnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toLower();
        ++i; // "&&" is a literal ampersand
    }
    return {};
}

// Every item of `menu` that has a text has its own Alt letter, sub-menus included.
void ExpectUniqueMnemonics(const QMenu& menu)
{
    QMap<QChar, QString> taken;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator() || action->text().isEmpty() ||
            action->objectName() == ControlId::Name(MenuTable::IdRecentFile))
            continue;
        const QChar letter = Mnemonic(action->text());
        EXPECT_FALSE(letter.isNull()) << qPrintable(menu.title() + ": " + action->text());
        EXPECT_FALSE(taken.contains(letter))
            << qPrintable(menu.title() + ": " + action->text() + " and " + taken.value(letter));
        taken.insert(letter, action->text());
        if (action->menu())
            ExpectUniqueMnemonics(*action->menu());
    }
}
} // namespace

TEST_F(MainFrameTest, EveryMenuAndMenuItemHasItsOwnAltLetter)
{
    CMainFrame frame(doc, settings);
    QMap<QChar, QString> taken;
    for (const QAction* top : frame.menuBar()->actions()) {
        const QChar letter = Mnemonic(top->text());
        EXPECT_FALSE(letter.isNull()) << qPrintable(top->text());
        EXPECT_FALSE(taken.contains(letter)) << qPrintable(top->text());
        taken.insert(letter, top->text());
        ASSERT_NE(top->menu(), nullptr);
        ExpectUniqueMnemonics(*top->menu());
    }
    EXPECT_GE(taken.size(), 7);
    EXPECT_EQ(frame.Action(MenuTable::IdReadFromController)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+R")));
    EXPECT_EQ(frame.Action(MenuTable::IdWriteToController)->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+Shift+W")));
}

TEST_F(MainFrameTest, PanesFollowTheControllerAndTheEqualityPaneItsFlag)
{
    CMainFrame frame(doc, settings);
    EXPECT_EQ(Pane(frame, 59142), QStringLiteral("Comms lost"));
    EXPECT_EQ(Pane(frame, 59143), QStringLiteral("Comms lost"));
    EXPECT_EQ(frame.EqualityPaneText(), QString()) << "no controller to be equal to";

    QSignalSpy hints(&frame, &CMainFrame::ViewsNeedUpdate);
    sim.WithModel([](CSimModel& m) { m.SetTripCodes(0x0021, 0); });
    doc.Poll(); // the document signals; the frame follows
    EXPECT_EQ(Pane(frame, 59142), QStringLiteral("Tarn"));
    EXPECT_EQ(Pane(frame, 59143), QStringLiteral("Trip: 0021"));
    ASSERT_EQ(hints.count(), 1) << "the connected type changed";
    EXPECT_EQ(hints.at(0).at(0).toInt(), 101);

    frame.SetEqualityPane(true);
    EXPECT_EQ(frame.EqualityPaneText(),
              QStringLiteral("Program Equal.") + QString(60, QLatin1Char(' ')));
    auto* pane = frame.findChild<QLabel*>(QStringLiteral("equalityPane"));
    EXPECT_EQ(pane->toolTip(),
              QStringLiteral("The displayed parameters match those in the controller"));
    doc.SetLinkReady(false); // a transfer, or the controller gone
    EXPECT_EQ(frame.EqualityPaneText(), QString());
    EXPECT_EQ(pane->toolTip(), QString());
    EXPECT_TRUE(frame.EqualityPaneEqual()) << "the flag stays for when the link is back";
    doc.SetLinkReady(true);
    EXPECT_EQ(frame.EqualityPaneText(),
              QStringLiteral("Program Equal.") + QString(60, QLatin1Char(' ')));
    frame.SetEqualityPane(false);
    EXPECT_EQ(frame.EqualityPaneText(), QStringLiteral("Program Not Equal."));
    EXPECT_EQ(pane->toolTip(),
              QStringLiteral("The displayed parameters don't match those in the controller"));

    frame.SetStatusMessage(EString::ReadingDataFromController);
    EXPECT_EQ(frame.statusBar()->currentMessage(), QStringLiteral("Reading data from controller"));
}

TEST_F(MainFrameTest, ClosingStopsThePollAndStoresThePlacement)
{
    {
        CMainFrame frame(doc, settings);
        frame.RestorePlacement();
        frame.setGeometry(40, 50, 640, 480);
        doc.StartStatusPoll();
        frame.close();
        EXPECT_FALSE(doc.StatusPollRunning());
    }
    EXPECT_EQ(Stored("Iconic"), 0);
    EXPECT_EQ(Stored("Maximised"), 0);
    EXPECT_EQ(Stored("Left"), 40);
    EXPECT_EQ(Stored("Top"), 50);
    EXPECT_EQ(Stored("Right"), 680);
    EXPECT_EQ(Stored("Bottom"), 530);
    {
        CMainFrame frame(doc, settings);
        frame.RestorePlacement();
        EXPECT_EQ(frame.geometry(), QRect(40, 50, 640, 480));
        EXPECT_FALSE(frame.isMaximized());
        frame.showMaximized();
        frame.close();
    }
    EXPECT_EQ(Stored("Maximised"), 1);
    EXPECT_EQ(Stored("Iconic"), 0);
    {
        CMainFrame frame(doc, settings);
        frame.RestorePlacement();
        EXPECT_TRUE(frame.windowState() & Qt::WindowMaximized);
        frame.setWindowState(Qt::WindowMinimized | Qt::WindowMaximized);
        frame.close();
    }
    EXPECT_EQ(Stored("Iconic"), 1);
    EXPECT_EQ(Stored("Maximised"), 1);
    {
        CMainFrame frame(doc, settings);
        frame.RestorePlacement();
        EXPECT_TRUE(frame.windowState() & Qt::WindowMinimized);
        EXPECT_TRUE(frame.windowState() & Qt::WindowMaximized) << "restores to maximised";
        frame.close();
    }
}

TEST(AboutBox, ShowsVersionTagFileTimeAndBuild)
{
    const QDateTime time(QDate(2009, 2, 6), QTime(10, 12, 9));
    CAboutDlg dialog(time);
    auto text = [&](const char* name) {
        auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<missing>");
    };
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Tavrin Studio"));
    EXPECT_EQ(text("version"), QStringLiteral("2.2.19"));
    EXPECT_EQ(text("tagFileDate"), QStringLiteral("Feb 06 2009"));
    EXPECT_EQ(text("tagFileTime"), QStringLiteral("10:12:09"));
    EXPECT_EQ(text("buildDate").size(), 11) << "\"Feb  6 2009\" form";
    EXPECT_EQ(text("buildTime").size(), 8);
    CAboutDlg none{QDateTime()};
    EXPECT_EQ(none.findChild<QLabel*>(QStringLiteral("tagFileDate"))->text(), QString());
}
