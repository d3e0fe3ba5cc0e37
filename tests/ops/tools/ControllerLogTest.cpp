// The system and control logs against the simulated controller: probing, reading, the
// lines shown, the button states, and clearing as it goes over the wire.
#include "ops/OpsSimTest.h"
#include "ops/tools/CControllerLog.h"

#include <QElapsedTimer>

namespace {

using ELog = CSimLogs::ELog;
using EKind = CControllerLog::EKind;

class ControllerLogTest : public OpsSimTest
{
protected:
    void SetLog(ELog which, const std::vector<std::pair<std::uint16_t, std::uint16_t>>& entries,
                int length = LinkProtocol::kLogEntries)
    {
        sim.WithModel([&](CSimModel& m) {
            m.Logs().SetEntries(which, entries);
            m.Logs().Log(which).length = length;
        });
    }
    template <typename Fn> void ChangeLog(ELog which, Fn fn)
    {
        sim.WithModel([&](CSimModel& m) { fn(m.Logs().Log(which)); });
    }
    std::uint16_t ChecksumWord()
    {
        std::uint16_t word = 0;
        sim.WithModel([&](CSimModel& m) { word = m.ChecksumWord(); });
        return word;
    }
    CSimLogs::SLog SimLog(ELog which)
    {
        CSimLogs::SLog copy;
        sim.WithModel([&](CSimModel& m) { copy = m.Logs().Log(which); });
        return copy;
    }
    // Expects a read of `tag` and, when `write`, the clearing write after it.
    static void ExpectClearPair(const std::vector<CLinkRecord>& wire, std::size_t& at,
                                std::uint16_t tag, std::uint16_t key)
    {
        ASSERT_LT(at + 1, wire.size());
        const CLinkRecord& read = wire[at++];
        EXPECT_EQ(read.control, LinkProtocol::kControlRead);
        EXPECT_EQ(read.word1, tag);
        EXPECT_EQ(read.extension, 0);
        const CLinkRecord& write = wire[at++];
        EXPECT_EQ(write.control, LinkProtocol::kControlWrite);
        EXPECT_EQ(write.word1, tag);
        EXPECT_EQ(write.extension, 0);
        EXPECT_EQ(write.word2, 0);
        EXPECT_EQ(write.word3, key) << "tag " << tag;
    }
};

} // namespace

TEST_F(ControllerLogTest, ShowsTheTripsWithCountsAndNames)
{
    SetLog(ELog::System, {{0x0001, 5}, {0x0004, 312}, {0x7777, 3}});
    ChangeLog(ELog::System, [](CSimLogs::SLog& l) { l.statusWord = 0x0203; });
    doc.StartStatusPoll();
    CControllerLog log(doc, EKind::System);
    log.Open();
    EXPECT_EQ(log.DisplayLines(), QStringList{QStringLiteral("Waiting for connection")});
    EXPECT_FALSE(log.RefreshEnabled());
    EXPECT_FALSE(log.ClearEnabled());

    EXPECT_TRUE(log.Tick()) << "the first tick reads";
    EXPECT_EQ(log.DisplayLines(), (QStringList{
                                      QStringLiteral("CODE    COUNT   TRIP"),
                                      QStringLiteral("0x0001     5    Overcurrent."),
                                      QStringLiteral("0x0004   312    Heatsink Overtemperature."),
                                      QStringLiteral("0x7777     3    Trip name not found."),
                                  }));
    EXPECT_EQ(log.EntriesRead(), 16);
    EXPECT_EQ(log.StatusWord(), 0x0203);
    EXPECT_TRUE(log.RefreshEnabled());
    EXPECT_TRUE(log.ClearEnabled());
    EXPECT_TRUE(doc.StatusPollRunning()) << "a complete read restarts the poll";
    ASSERT_EQ(prompt.Progress().size(), 1u);
    EXPECT_EQ(prompt.Progress()[0]->high, 16);
    EXPECT_TRUE(prompt.Progress()[0]->closed);

    sim.ClearRequests();
    EXPECT_FALSE(log.Tick()) << "nothing changed: probe only";
    const auto wire = Wire();
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0].word1, LinkProtocol::kTagSystemLogStatus);
}

TEST_F(ControllerLogTest, OnlyAsManyEntriesAsNonZeroCodesAreShown)
{
    // The controller fills its log from the front; a hole shows as code 0 and pushes the
    // last trip out of view.
    SetLog(ELog::Control, {{0x0001, 2}, {0x0000, 0}, {0x0003, 7}});
    CControllerLog log(doc, EKind::Control);
    log.Open();
    log.Tick();
    EXPECT_EQ(log.NonZeroEntries(), 2);
    EXPECT_EQ(log.DisplayLines(), (QStringList{
                                      QStringLiteral("CODE    COUNT   TRIP"),
                                      QStringLiteral("0x0001     2    Overcurrent."),
                                      QStringLiteral("0x0000     0    No Trip."),
                                  }));
}

TEST_F(ControllerLogTest, EmptyAndShortLogs)
{
    // A one-entry log whose entry is 0 is empty although one entry was read.
    SetLog(ELog::System, {{0x0000, 9}}, 1);
    CControllerLog system(doc, EKind::System);
    system.Open();
    system.Tick();
    EXPECT_EQ(system.EntriesRead(), 1);
    EXPECT_EQ(system.DisplayLines(), QStringList{QStringLiteral("System log is empty")});
    EXPECT_TRUE(system.RefreshEnabled());
    EXPECT_FALSE(system.ClearEnabled());

    SetLog(ELog::Control, {});
    CControllerLog control(doc, EKind::Control);
    control.Open();
    control.Tick();
    EXPECT_EQ(control.DisplayLines(), QStringList{QStringLiteral("Control log is empty.")});
}

TEST_F(ControllerLogTest, AControllerWithoutTheLog)
{
    // The default controller keeps neither log: its status tag is not supported.
    CControllerLog log(doc, EKind::Control);
    log.Open();
    log.Tick();
    EXPECT_TRUE(log.Connected());
    EXPECT_FALSE(log.LogAvailable());
    EXPECT_EQ(log.DisplayLines(),
              QStringList{QStringLiteral("This log is not supported by this controller type.")});
    EXPECT_FALSE(log.RefreshEnabled());
    EXPECT_FALSE(log.ClearEnabled());

    // A log that is temporarily unavailable is not available either.
    SetLog(ELog::Control, {{0x0005, 1}});
    ChangeLog(ELog::Control, [](CSimLogs::SLog& l) { l.tempUnavailable = true; });
    EXPECT_FALSE(log.Probe());
    EXPECT_FALSE(log.LogAvailable());
    ChangeLog(ELog::Control, [](CSimLogs::SLog& l) { l.tempUnavailable = false; });
    EXPECT_TRUE(log.Probe());
    EXPECT_TRUE(log.Tick());
    EXPECT_EQ(log.DisplayLines().size(), 2);
}

TEST_F(ControllerLogTest, LosingAndRegainingTheController)
{
    SetLog(ELog::System, {{0x0002, 4}});
    doc.StartStatusPoll();
    CControllerLog log(doc, EKind::System);
    log.Open();
    log.Tick();
    ASSERT_EQ(log.DisplayLines().size(), 2);

    Silence(true);
    EXPECT_TRUE(log.Tick()) << "losing the controller is a change";
    EXPECT_FALSE(log.Connected());
    EXPECT_FALSE(log.LastReadOk());
    EXPECT_EQ(log.DisplayLines(), QStringList{QStringLiteral("Comms lost")});
    EXPECT_FALSE(log.RefreshEnabled());
    EXPECT_FALSE(log.ClearEnabled());
    EXPECT_FALSE(doc.StatusPollRunning()) << "stays stopped until the window closes";
    EXPECT_TRUE(prompt.Progress().back()->closed) << "bar hidden after the failed read";

    EXPECT_FALSE(log.Tick()) << "still silent: no change, no read";

    Silence(false);
    EXPECT_TRUE(log.Tick());
    EXPECT_EQ(log.DisplayLines().value(1), QStringLiteral("0x0002     4    Battery Low."));
    EXPECT_TRUE(doc.StatusPollRunning());
}

TEST_F(ControllerLogTest, ClearWritesEveryCodeCountAndTheStatusWithTwiceTheChecksumWord)
{
    SetLog(ELog::System, {{0x0001, 5}, {0x0004, 12}});
    ChangeLog(ELog::System, [](CSimLogs::SLog& l) { l.statusWord = 0x0055; });
    const auto key = static_cast<std::uint16_t>(2u * ChecksumWord());
    CControllerLog log(doc, EKind::System);
    log.Open();
    log.Tick();
    sim.ClearRequests();

    EXPECT_TRUE(log.Clear());
    EXPECT_TRUE(log.Changed()) << "the next tick reads the log again";
    const auto wire = Wire();
    ASSERT_EQ(wire.size(), 66u);
    std::size_t at = 0;
    for (int j = 0; j < 16; ++j)
        ExpectClearPair(wire, at, static_cast<std::uint16_t>(0x50 + j), key);
    for (int j = 0; j < 16; ++j)
        ExpectClearPair(wire, at, static_cast<std::uint16_t>(0x60 + j), key);
    ExpectClearPair(wire, at, 0x40, key);

    const CSimLogs::SLog cleared = SimLog(ELog::System);
    EXPECT_EQ(cleared.codes[1], 0);
    EXPECT_EQ(cleared.counts[0], 0);
    EXPECT_EQ(cleared.statusWord, 0);
    const auto& bar = *prompt.Progress().back();
    EXPECT_EQ(bar.high, 33);
    EXPECT_EQ(bar.positions.size(), 33u);
    EXPECT_EQ(bar.positions.back(), 33);

    EXPECT_TRUE(log.Tick());
    EXPECT_EQ(log.DisplayLines(), QStringList{QStringLiteral("System log is empty")});
}

TEST_F(ControllerLogTest, ClearOfAShortLogStopsEachGroupAtTheFirstUnsupportedTag)
{
    SetLog(ELog::Control, {{0x0003, 1}, {0x0006, 2}}, 2);
    CControllerLog log(doc, EKind::Control);
    log.Open();
    log.Tick();
    sim.ClearRequests();
    EXPECT_TRUE(log.Clear());
    std::vector<std::uint16_t> tags;
    for (const CLinkRecord& r : Wire())
        tags.push_back(r.word1);
    const std::vector<std::uint16_t> expected = {0xA0, 0xA0, 0xA1, 0xA1, 0xA2, 0xB0,
                                                 0xB0, 0xB1, 0xB1, 0xB2, 0x41, 0x41};
    EXPECT_EQ(tags, expected);
}

TEST_F(ControllerLogTest, ClearGivesUpAfterTenFailuresOnAnEntryWithPauses)
{
    SetLog(ELog::System, {{0x0001, 5}});
    ChangeLog(ELog::System, [](CSimLogs::SLog& l) { l.refuseClear = true; });
    doc.StartStatusPoll();
    CControllerLog log(doc, EKind::System);
    log.Open();
    log.Tick();
    sim.ClearRequests();

    prompt.ExpectMessage(QStringLiteral("Could not clear diagnostic log."),
                         IUserPrompt::EIcon::Exclamation);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(log.Clear());
    const qint64 elapsed = clock.elapsed();
    const auto wire = Wire();
    ASSERT_EQ(wire.size(), 20u) << "ten tries at the first code, nothing after";
    for (const CLinkRecord& r : wire)
        EXPECT_EQ(r.word1, 0x50);
    // Nine pauses of 100 ms: none after the failure that reaches the limit.
    EXPECT_GE(elapsed, 880);
    EXPECT_LT(elapsed, 5000);
    EXPECT_TRUE(log.Changed());
    EXPECT_TRUE(doc.StatusPollRunning());
}

TEST_F(ControllerLogTest, TheStatusWordGetsThreeTries)
{
    SetLog(ELog::System, {});
    ChangeLog(ELog::System, [](CSimLogs::SLog& l) {
        l.statusWord = 0x0101;
        l.refuseClear = true; // zero entries read back 0 anyway; the status word does not
    });
    CControllerLog log(doc, EKind::System);
    log.Open();
    log.Tick();
    doc.StopStatusPoll();
    sim.ClearRequests();
    prompt.ExpectMessage(QStringLiteral("Could not clear diagnostic log."),
                         IUserPrompt::EIcon::Exclamation);
    EXPECT_FALSE(log.Clear());
    const auto wire = Wire();
    ASSERT_EQ(wire.size(), 64u + 6u);
    for (std::size_t i = 64; i < wire.size(); ++i)
        EXPECT_EQ(wire[i].word1, 0x40);
    EXPECT_FALSE(doc.StatusPollRunning()) << "a poll that was off stays off";
}
