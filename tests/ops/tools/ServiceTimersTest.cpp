// The service timers flow against the simulated controller: the lines each type shows and
// where they are read from, hour texts, counters that do not answer, the clear, the
// programmable times' probe, entry rule and writes on the wire.
#include "ops/OpsSimTest.h"
#include "ops/tools/CServiceTimers.h"
#include "res/StringTable.h"

#include <atomic>
#include <memory>

namespace {

using namespace LinkProtocol;
using EIcon = IUserPrompt::EIcon;
using EProgramResult = CServiceTimers::EProgramResult;

class ServiceTimersTest : public OpsSimTest
{
protected:
    void Controller(EControllerType type)
    {
        sim.WithModel([type](CSimModel& m) { m.SetIdentity(type); });
        sim.ClearRequests();
    }

    // From here on the controller answers from a copy of its present model, with each reply
    // passed to `tamper` first; false keeps the controller silent.
    void Tamper(std::function<bool(const CLinkRecord& request, CLinkRecord& reply)> tamper)
    {
        auto copy = std::make_shared<CSimModel>();
        sim.WithModel([&](CSimModel& m) { *copy = m; });
        sim.SetResponder([copy, tamper](const CLinkRecord& request) -> std::optional<QByteArray> {
            auto reply = copy->Answer(request);
            if (!reply || !tamper(request, *reply))
                return std::nullopt;
            return Bytes(CSimModel::EncodeReply(*reply));
        });
    }

    CServiceTimers timers{doc};
};

} // namespace

TEST_F(ServiceTimersTest, ATarnPlusShowsThreeCountersAndProbesTheProgrammableTimes)
{
    Controller(EControllerType::TarnPlus);
    sim.WithModel([](CSimModel& m) {
        m.Timers().SetHours(kTagServiceTimer1, 1);
        m.Timers().SetHours(kTagServiceTimer2, 0);
        m.Timers().SetHours(kTagServiceTimer3, 2);
    });

    const auto opened = timers.Open();
    EXPECT_TRUE(opened.captions);
    EXPECT_TRUE(opened.programmable);
    EXPECT_EQ(timers.MessageText(), QString());
    const std::uint16_t tags[] = {kTagServiceTimer1, kTagServiceTimer2, kTagServiceTimer3};
    const char* captions[] = {"Traction/Service time:", "Total on time", "Brush on time"};
    const char* texts[] = {"1 Hour", "0 Hours", "2 Hours"};
    for (int line = 1; line <= 3; ++line) {
        EXPECT_TRUE(timers.LineShown(line)) << line;
        EXPECT_EQ(timers.LineTag(line), tags[line - 1]) << line;
        EXPECT_EQ(timers.LineCaption(line), QString::fromUtf8(captions[line - 1])) << line;
        EXPECT_EQ(timers.LineText(line), QString::fromUtf8(texts[line - 1])) << line;
        EXPECT_EQ(timers.ClearCaption(line), QStringLiteral("Clear")) << line;
    }
    EXPECT_TRUE(timers.ProgrammableAvailable());
    // The probe: the value, then the attributes 3, 2, 4 and 5, all reads.
    const auto probe = WireFor(kTagProgrammableTimes);
    const std::uint8_t extensions[] = {kExtValue, kExtMinimum, kExtMaximum, kExtScale, kExtDivisor};
    ASSERT_EQ(probe.size(), std::size(extensions));
    for (std::size_t i = 0; i < probe.size(); ++i) {
        EXPECT_EQ(probe[i].extension, extensions[i]) << i;
        EXPECT_EQ(probe[i].control, kControlRead) << i;
    }

    const auto again = timers.Refresh();
    EXPECT_FALSE(again.captions) << "the type did not change";
    EXPECT_FALSE(again.programmable) << "the availability did not change";
}

TEST_F(ServiceTimersTest, AStoatShowsOnlyItsTotalOnTimeReadFromItsOwnTag)
{
    Controller(EControllerType::Stoat);
    sim.WithModel([](CSimModel& m) { m.Timers().SetHours(kTagServiceTimer1Stoat, 7); });

    timers.Open();
    EXPECT_TRUE(timers.LineShown(1));
    EXPECT_EQ(timers.LineTag(1), kTagServiceTimer1Stoat);
    EXPECT_EQ(timers.LineCaption(1), QStringLiteral("Total on time"));
    EXPECT_EQ(timers.LineText(1), QStringLiteral("7 Hours"));
    EXPECT_FALSE(timers.LineShown(2));
    EXPECT_FALSE(timers.LineShown(3));
    EXPECT_FALSE(timers.ProgrammableAvailable());
    for (std::uint16_t tag : {kTagServiceTimer1, kTagServiceTimer2, kTagServiceTimer3})
        EXPECT_TRUE(WireFor(tag).empty()) << "hidden lines are not read: " << tag;
    EXPECT_EQ(timers.Clear(2), CServiceTimers::EClearResult::Hidden);
}

TEST_F(ServiceTimersTest, ACounterThatIsAbsentOrSilentIsNotConnected)
{
    Controller(EControllerType::Tarn);
    // The controller answers "no such tag" for a counter it lacks: never "0 Hours".
    sim.WithModel([](CSimModel& m) { m.Timers().Remove(kTagServiceTimer3); });
    timers.Open();
    EXPECT_EQ(timers.LineText(3), QStringLiteral("N/C"));
    EXPECT_EQ(timers.Clear(3), CServiceTimers::EClearResult::NoReply);
    EXPECT_EQ(timers.ClearCaption(3), QStringLiteral("Clear"));

    // A counter whose requests go unanswered.
    Tamper([](const CLinkRecord& request, CLinkRecord&) {
        return request.word1 != kTagServiceTimer2;
    });
    timers.Refresh();
    EXPECT_EQ(timers.LineText(2), QStringLiteral("N/C"));
    EXPECT_NE(timers.LineText(1), QStringLiteral("N/C"));
}

TEST_F(ServiceTimersTest, CountersCountSimulatedHoursAndAClearStartsThemAgain)
{
    auto clock = std::make_shared<std::atomic<long long>>(0);
    sim.WithModel([clock](CSimModel& m) {
        m.Timers().SetTimeSource([clock] { return std::chrono::milliseconds(clock->load()); });
        m.Timers().SetSecondsPerHour(10);
        m.Timers().SetHours(kTagServiceTimer1, 5);
    });
    timers.Open();
    EXPECT_EQ(timers.LineText(1), QStringLiteral("5 Hours"));
    *clock += 29'000; // two simulated hours and most of a third
    timers.Refresh();
    EXPECT_EQ(timers.LineText(1), QStringLiteral("7 Hours"));

    sim.ClearRequests();
    EXPECT_EQ(timers.Clear(1), CServiceTimers::EClearResult::Cleared);
    EXPECT_EQ(timers.ClearCaption(1), QStringLiteral("Cleared"));
    const auto wire = WireFor(kTagServiceTimer1);
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0].control, kControlWrite);
    EXPECT_EQ(wire[0].extension, kExtValue);
    EXPECT_EQ(wire[0].word2, 0);
    EXPECT_EQ(wire[0].word3, 0);
    timers.Refresh();
    EXPECT_EQ(timers.LineText(1), QStringLiteral("0 Hours"));
    *clock += 10'000;
    timers.Refresh();
    EXPECT_EQ(timers.LineText(1), QStringLiteral("1 Hour"));
}

TEST_F(ServiceTimersTest, NoControllerOrAnUnsupportedTypeShowsItsMessageAndNoLines)
{
    Silence(true);
    timers.Open();
    EXPECT_EQ(timers.Type(), EControllerType::None);
    EXPECT_EQ(timers.MessageText(), QStringLiteral("Bad connection"));
    EXPECT_FALSE(timers.LineShown(1));

    Silence(false);
    EXPECT_TRUE(timers.Refresh().captions) << "the controller came back: new captions";
    EXPECT_EQ(timers.MessageText(), QString());
    EXPECT_TRUE(timers.LineShown(3));

    Controller(EControllerType::Kv8);
    EXPECT_TRUE(timers.Refresh().captions);
    EXPECT_EQ(timers.MessageText(), QStringLiteral("Unsupported controller"));
    for (int line = 1; line <= 3; ++line)
        EXPECT_FALSE(timers.LineShown(line)) << line;
    EXPECT_TRUE(WireFor(kTagServiceTimer1).empty());
}

TEST_F(ServiceTimersTest, ProgramNeedsTotalOnAtLeastBrushAndService)
{
    using SEntries = CServiceTimers::SEntries;
    const QString invalid = QStringLiteral("On time must be greater than Brush and Service time");
    EXPECT_FALSE(CServiceTimers::EntriesValid(SEntries{"3", "5", "9"}));
    EXPECT_FALSE(CServiceTimers::EntriesValid(SEntries{"6", "5", "0"}));
    EXPECT_EQ(CServiceTimers::HintText(false), invalid);
    EXPECT_TRUE(CServiceTimers::EntriesValid(SEntries{"5", "5", "5"}));
    EXPECT_EQ(CServiceTimers::HintText(true),
              QStringLiteral("Press Program to update controller timers"));
    // Anything but a decimal number counts as 0.
    EXPECT_TRUE(CServiceTimers::EntriesValid(SEntries{"abc", "", "0x10"}));
    EXPECT_FALSE(CServiceTimers::EntriesValid(SEntries{"0", "abc", "1"}));
    // A number too long to hold is still a number, beyond any Total On.
    EXPECT_FALSE(CServiceTimers::EntriesValid(SEntries{"0", "5", "99999999999999999999999"}));
}

TEST_F(ServiceTimersTest, ProgramReplacesEntriesBeyondTheLimitsThenWritesThemInOrder)
{
    timers.Open(); // the simulator starts as a Tarn, which offers the programmable times
    ASSERT_TRUE(timers.ProgrammableAvailable());
    sim.ClearRequests();
    prompt.ExpectMessage(LoadString(EString::ProgrammableTimeTooLarge), EIcon::Exclamation)
        .ExpectMessage(LoadString(EString::ProgrammableTimeNegative), EIcon::Exclamation)
        .ExpectMessage(QStringLiteral("Programmable Ontime updated correctly"), EIcon::Information);
    CServiceTimers::SEntries entries{"100", "3000", "-5"};

    EXPECT_EQ(timers.Program(entries), EProgramResult::Confirmed);
    EXPECT_EQ(entries.totalOn, QStringLiteral("2550"));
    EXPECT_EQ(entries.brush, QStringLiteral("0"));
    EXPECT_EQ(entries.service, QStringLiteral("100"));
    const auto wire = WireFor(kTagProgrammableTimes);
    const std::uint16_t written[] = {100, 2550, 0}; // Service, Total On, Brush
    ASSERT_EQ(wire.size(), std::size(written));
    for (std::size_t i = 0; i < wire.size(); ++i) {
        EXPECT_EQ(wire[i].control, kControlWrite) << i;
        EXPECT_EQ(wire[i].extension, kExtValue) << i;
        EXPECT_EQ(wire[i].word2, written[i]) << i;
        EXPECT_EQ(wire[i].word3, 0) << i;
    }
    sim.WithModel([](CSimModel& m) {
        EXPECT_EQ(m.Timers().Programmable().service, 100);
        EXPECT_EQ(m.Timers().Programmable().totalOn, 2550);
        EXPECT_EQ(m.Timers().Programmable().brush, 0);
    });
}

TEST_F(ServiceTimersTest, ProgramStopsAtTheFirstWriteNotConfirmed)
{
    timers.Open();
    // The Total On write is answered without "Supported".
    Tamper([](const CLinkRecord& request, CLinkRecord& reply) {
        if (request.word1 == kTagProgrammableTimes && request.control == kControlWrite &&
            request.word2 == 20)
            reply.control = 0;
        return true;
    });
    sim.ClearRequests();
    prompt.ExpectMessage(QStringLiteral("Programmable Ontime NOT updated correctly"),
                         EIcon::Exclamation);
    CServiceTimers::SEntries entries{"10", "20", "5"};

    EXPECT_EQ(timers.Program(entries), EProgramResult::NotConfirmed);
    const auto wire = WireFor(kTagProgrammableTimes);
    ASSERT_EQ(wire.size(), 2u) << "no Brush write after the failed one";
    EXPECT_EQ(wire[0].word2, 10);
    EXPECT_EQ(wire[1].word2, 20);
}

TEST_F(ServiceTimersTest, EveryExchangeRunsInsideATransferSession)
{
    // At the start of each session: the poll stopped, the link not ready; every request the
    // call sends falls between the session's start and its end.
    struct SSession
    {
        bool pollAtStart = true;
        bool readyAtStart = true;
        std::size_t requestsAtStart = 0;
        std::size_t requestsAtEnd = 0;
    };
    std::vector<SSession> sessions;
    QObject::connect(&doc, &CTavrinDoc::TransferStateChanged, [&](bool active) {
        if (active)
            sessions.push_back({doc.StatusPollRunning(), doc.LinkReady(), sim.RequestCount(), 0});
        else if (!sessions.empty())
            sessions.back().requestsAtEnd = sim.RequestCount();
    });
    doc.SetLinkReady(true);
    doc.StartStatusPoll();
    const auto check = [&](const char* what, const std::function<void()>& call) {
        sessions.clear();
        const std::size_t before = sim.RequestCount();
        call();
        const std::size_t after = sim.RequestCount();
        ASSERT_EQ(sessions.size(), 1u) << what;
        EXPECT_FALSE(sessions[0].pollAtStart) << what;
        EXPECT_FALSE(sessions[0].readyAtStart) << what;
        EXPECT_EQ(sessions[0].requestsAtStart, before) << what;
        EXPECT_EQ(sessions[0].requestsAtEnd, after) << what;
        EXPECT_GT(after, before) << what;
        EXPECT_TRUE(doc.StatusPollRunning()) << what << ": the poll runs again afterwards";
        EXPECT_TRUE(doc.LinkReady()) << what;
    };
    check("open", [&] { timers.Open(); });
    check("refresh", [&] { timers.Refresh(); });
    check("clear", [&] { timers.Clear(1); });
    prompt.ExpectMessage(QStringLiteral("Programmable Ontime updated correctly"),
                         EIcon::Information);
    CServiceTimers::SEntries entries{"10", "20", "5"};
    check("program", [&] { timers.Program(entries); });
    doc.StopStatusPoll();
}
