// The log window, offscreen, against the simulated controller: its controls by id, the
// timer-driven read, the button states, and the status poll restarted however it closes.
#include "ops/OpsSimTest.h"
#include "ops/tools/widgets/CLogDlg.h"
#include "ui/ControlId.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using EKind = CControllerLog::EKind;

class LogDlgTest : public OpsSimTest
{
protected:
    static QStringList Lines(QWidget& dialog)
    {
        QStringList lines;
        auto* list = ControlId::Find<QListWidget>(&dialog, CLogDlg::kListId);
        for (int i = 0; list && i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    void SetSystemLog(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& entries)
    {
        sim.WithModel([&](CSimModel& m) { m.Logs().SetEntries(CSimLogs::ELog::System, entries); });
    }
};

} // namespace

TEST_F(LogDlgTest, OpensWaitingWithItsControlsAndTitle)
{
    CLogDlg dialog(doc, EKind::Control);
    EXPECT_EQ(dialog.objectName(), ControlId::Name(146));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Control Log"));
    auto* list = ControlId::Find<QListWidget>(&dialog, CLogDlg::kListId);
    auto* bar = ControlId::Find<QProgressBar>(&dialog, CLogDlg::kProgressId);
    auto* refresh = ControlId::Find<QPushButton>(&dialog, CLogDlg::kRefreshId);
    auto* clear = ControlId::Find<QPushButton>(&dialog, CLogDlg::kClearId);
    auto* ok = ControlId::Find<QPushButton>(&dialog, CLogDlg::kOkId);
    ASSERT_TRUE(list && bar && refresh && clear && ok);
    EXPECT_EQ(refresh->text(), QStringLiteral("&Refresh"));
    EXPECT_EQ(clear->text(), QStringLiteral("&Clear"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    // Columns line up only when narrow and wide characters take the same width.
    const QFontMetrics metrics(list->font());
    EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiii")),
              metrics.horizontalAdvance(QStringLiteral("WWWW")));
    EXPECT_EQ(Lines(dialog), QStringList{QStringLiteral("Waiting for connection")});
    EXPECT_FALSE(refresh->isEnabled());
    EXPECT_FALSE(clear->isEnabled());
    EXPECT_TRUE(bar->isHidden());
    EXPECT_TRUE(dialog.TimerActive());
    EXPECT_EQ(CLogDlg(doc, EKind::System).windowTitle(), QStringLiteral("System Log"));
}

TEST_F(LogDlgTest, TheTimerReadsTheLogAndClearEmptiesIt)
{
    SetSystemLog({{0x0001, 5}, {0x0002, 1}});
    CLogDlg dialog(doc, EKind::System);
    dialog.show();
    // The first 700 ms tick reads the log; allow plenty of time for a loaded machine.
    QElapsedTimer clock;
    clock.start();
    while (Lines(dialog).size() < 3 && clock.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(Lines(dialog), (QStringList{
                                 QStringLiteral("CODE    COUNT   TRIP"),
                                 QStringLiteral("0x0001     5    Overcurrent."),
                                 QStringLiteral("0x0002     1    Battery Low."),
                             }));
    auto* refresh = ControlId::Find<QPushButton>(&dialog, CLogDlg::kRefreshId);
    auto* clear = ControlId::Find<QPushButton>(&dialog, CLogDlg::kClearId);
    EXPECT_TRUE(refresh->isEnabled());
    EXPECT_TRUE(clear->isEnabled());
    EXPECT_TRUE(ControlId::Find<QProgressBar>(&dialog, CLogDlg::kProgressId)->isHidden());

    // Save writes the lines as shown, under the log's title and the controller's type.
    doc.SetConnectedType(EControllerType::TarnPlus);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    prompt.ExpectSaveFile(path);
    ControlId::Find<QPushButton>(&dialog, CLogDlg::kSaveId)->click();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QStringList savedLines = QString::fromUtf8(saved.readAll()).split(QLatin1Char('\n'));
    EXPECT_EQ(savedLines.value(0), QStringLiteral("System Log"));
    EXPECT_EQ(savedLines.value(1), QStringLiteral("Controller: Tarn+"));
    EXPECT_TRUE(savedLines.value(2).startsWith(QStringLiteral("Date: 20")));
    EXPECT_EQ(savedLines.mid(4, 3), Lines(dialog));

    // Clear asks first; No sends nothing at all.
    const QString question =
        QStringLiteral("Clear the log in the controller? The entries cannot be recovered.");
    sim.ClearRequests();
    prompt.ExpectQuestion(question, IUserPrompt::EAnswer::No);
    clear->click();
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_EQ(Lines(dialog).size(), 3);

    prompt.ExpectQuestion(question, IUserPrompt::EAnswer::Yes);
    clear->click();
    bool emptied = false;
    sim.WithModel(
        [&](CSimModel& m) { emptied = m.Logs().Log(CSimLogs::ELog::System).codes[0] == 0; });
    EXPECT_TRUE(emptied);
    dialog.OnTimer(); // the tick after a clear reads again
    EXPECT_EQ(Lines(dialog), QStringList{QStringLiteral("System log is empty")});
    EXPECT_TRUE(refresh->isEnabled());
    EXPECT_FALSE(clear->isEnabled());

    SetSystemLog({{0x0003, 2}});
    refresh->click();
    EXPECT_EQ(Lines(dialog).value(1), QStringLiteral("0x0003     2    Battery High."));
    dialog.accept();
}

TEST_F(LogDlgTest, ClosingRestartsThePollAfterALostRead)
{
    SetSystemLog({{0x0001, 5}});
    for (int way = 0; way < 3; ++way) {
        CLogDlg dialog(doc, EKind::System);
        dialog.show();
        Silence(true);
        dialog.OnTimer();
        EXPECT_EQ(Lines(dialog), QStringList{QStringLiteral("Comms lost")});
        EXPECT_FALSE(doc.StatusPollRunning()) << "the failed read left the poll stopped";
        Silence(false);

        if (way == 0)
            ControlId::Find<QPushButton>(&dialog, CLogDlg::kOkId)->click();
        else if (way == 1)
            dialog.reject(); // Escape
        else
            dialog.close(); // the window's close box
        EXPECT_TRUE(doc.StatusPollRunning()) << "closed way " << way;
        EXPECT_FALSE(dialog.TimerActive()) << "closed way " << way;
        EXPECT_FALSE(dialog.isVisible());
        doc.StopStatusPoll();
    }
}

TEST_F(LogDlgTest, RunShowsTheWindowModallyUntilOk)
{
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CLogDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        ControlId::Find<QPushButton>(dialog, 1)->click();
    });
    EXPECT_EQ(CLogDlg::Run(doc, EKind::System), int(QDialog::Accepted));
    EXPECT_TRUE(doc.StatusPollRunning());
}

TEST_F(LogDlgTest, ClosingDuringAReadWaitsForItsEndBeforeThePollRuns)
{
    SetSystemLog({{0x0001, 5}, {0x0002, 1}});
    CLogDlg dialog(doc, EKind::System);
    dialog.show();
    doc.StartStatusPoll();

    // The bar's repaint is where the close box reaches the window during a read.
    class CClosingProgress : public IProgress
    {
    public:
        CClosingProgress(CLogDlg& dialog, CTavrinDoc& doc, bool& pollDuringRead)
            : m_dialog(dialog), m_doc(doc), m_pollDuringRead(pollDuringRead)
        {
        }
        void SetRange(int, int) override {}
        void SetPosition(int) override {}
        bool Pump() override
        {
            m_dialog.close();
            m_pollDuringRead = m_pollDuringRead || m_doc.StatusPollRunning();
            return false;
        }

    private:
        CLogDlg& m_dialog;
        CTavrinDoc& m_doc;
        bool& m_pollDuringRead;
    };
    bool pollDuringRead = false;
    dialog.Log().SetProgressFactory([&](int) -> std::unique_ptr<IProgress> {
        return std::make_unique<CClosingProgress>(dialog, doc, pollDuringRead);
    });
    dialog.OnRefresh();
    EXPECT_FALSE(pollDuringRead) << "the poll stays stopped while the read runs";
    EXPECT_TRUE(dialog.Log().LastReadOk()) << "the read ran to its end";
    EXPECT_FALSE(dialog.isVisible()) << "the close went ahead afterwards";
    EXPECT_FALSE(dialog.TimerActive());
    EXPECT_TRUE(doc.StatusPollRunning());
    doc.StopStatusPoll();
}
