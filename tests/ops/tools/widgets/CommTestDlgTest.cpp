// The communication test dialog, offscreen, against the simulated controller: what holds
// while a run pumps events, Stop keeping the counts and the list, and Escape during a run.
#include "doc/CTransferSession.h"
#include "ops/OpsSimTest.h"
#include "ops/tools/widgets/CCommTestDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class CommTestDlgTest : public OpsSimTest
{
protected:
    template <class T> T* Control(const char* name)
    {
        T* control = dialog.findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << "no control " << name;
        return control;
    }

    void Enter(const char* name, const QString& text) { Control<QLineEdit>(name)->setText(text); }
    QString Text(const char* name) { return Control<QLabel>(name)->text(); }
    int ListCount() { return Control<QListWidget>("badList")->count(); }

    // Runs `step` at every pump of the run that Start begins, until it returns true.
    void Start(std::function<bool()> step)
    {
        // Each queued call holds the poll; the poll itself only refers to it weakly, so it is
        // freed once `step` is done instead of keeping itself alive.
        auto poll = std::make_shared<std::function<void()>>();
        std::weak_ptr<std::function<void()>> self = poll;
        *poll = [self, step] {
            if (step())
                return;
            if (auto again = self.lock())
                QTimer::singleShot(0, [again] { (*again)(); });
        };
        QTimer::singleShot(0, [poll] { (*poll)(); });
        Control<QPushButton>("startStop")->click();
    }

    SCommTestRanges lastRanges; // what the application keeps for the session
    CCommTestDlg dialog{doc, lastRanges};
};

} // namespace

TEST_F(CommTestDlgTest, StopKeepsTheCountsAndEscapeClosesOnceTheRunHasEnded)
{
    dialog.show();
    // Tag 7 is not in the controller's table: every packet is bad and listed.
    Enter("tagFrom", QStringLiteral("7"));
    Enter("tagTo", QStringLiteral("7"));
    Enter("valueTo", QStringLiteral("40"));
    auto* quit = Control<QPushButton>("quit");
    auto* startStop = Control<QPushButton>("startStop");

    int listAtStop = 0;
    QString badAtStop;
    Start([&] {
        EXPECT_TRUE(dialog.Running());
        EXPECT_FALSE(quit->isEnabled());
        EXPECT_EQ(startStop->text(), QStringLiteral("Stop"));
        EXPECT_TRUE(doc.TransferActive()) << "the main window's commands are blocked";
        if (ListCount() < 6)
            return false;
        listAtStop = ListCount();
        badAtStop = Text("bad");
        startStop->click();
        return true;
    });
    // The run ended without the timing message (the scripted prompt fails on it).
    EXPECT_FALSE(dialog.Running());
    EXPECT_FALSE(doc.TransferActive());
    EXPECT_TRUE(quit->isEnabled());
    EXPECT_EQ(startStop->text(), QStringLiteral("&Start"));
    EXPECT_EQ(ListCount(), listAtStop);
    EXPECT_EQ(Text("bad"), badAtStop);
    EXPECT_EQ(Text("bad").toInt() * 2, listAtStop);
    EXPECT_EQ(Text("good"), QStringLiteral("0"));
    EXPECT_LT(sim.RequestCount(), 41u * 2);

    // The next dialog of the session offers the ranges last run.
    CCommTestDlg reopened{doc, lastRanges};
    const auto offered = [&reopened](const char* name) {
        const auto* edit = reopened.findChild<QLineEdit*>(QLatin1String(name));
        return edit ? edit->text() : QStringLiteral("no control");
    };
    EXPECT_EQ(offered("tagFrom"), QStringLiteral("7"));
    EXPECT_EQ(offered("tagTo"), QStringLiteral("7"));
    EXPECT_EQ(offered("valueFrom"), QStringLiteral("0"));
    EXPECT_EQ(offered("valueTo"), QStringLiteral("40"));

    // Escape during a run stops it; the dialog closes when the exchange in hand has ended.
    sim.ClearRequests();
    Start([&] {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible()) << "closed before the run ended";
        return true;
    });
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(sim.RequestCount(), 2u) << "one packet, two attempts";
}

TEST_F(CommTestDlgTest, ARangeBeyondItsFieldCannotBeTypedOrStarted)
{
    auto* extensionTo = Control<QLineEdit>("extensionTo");
    auto* start = Control<QPushButton>("startStop");
    extensionTo->clear();
    QTest::keyClicks(extensionTo, QStringLiteral("-3000"));
    EXPECT_EQ(extensionTo->text(), QStringLiteral("300")) << "no minus, no fourth digit";
    EXPECT_FALSE(start->isEnabled()) << "300 does not fit the extension's byte";
    sim.ClearRequests();
    start->click();
    EXPECT_EQ(sim.RequestCount(), 0u);

    Enter("extensionTo", QStringLiteral("255"));
    Enter("tagTo", QStringLiteral("65536"));
    EXPECT_FALSE(start->isEnabled()) << "nor 65536 a tag's word";
    Enter("tagTo", QStringLiteral("65535"));
    EXPECT_TRUE(start->isEnabled());
}
