// The ADC channels: which channels a controller type is offered, how a window shows a
// range, the window set's ownership of its windows, and live reads against the simulator.
#include "link/LinkTestSupport.h"
#include "ops/adc/CAdcChannels.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using EState = SAdcReading::EState;
using T = EControllerType;

CADCChannel Channel(std::int32_t type, std::uint16_t tag, const char* name)
{
    CADCChannel channel;
    channel.controllerType = type;
    channel.tag = tag;
    channel.name = QString::fromLatin1(name);
    return channel;
}

// A window that records what it is shown and when it is destroyed.
struct SWindowLog
{
    std::vector<SAdcReading> readings;
    bool destroyed = false;
};

class CLoggingWindow : public IAdcWindow
{
public:
    explicit CLoggingWindow(SWindowLog& log) : m_log(log) {}
    ~CLoggingWindow() override { m_log.destroyed = true; }
    void ShowReading(const SAdcReading& reading) override { m_log.readings.push_back(reading); }

private:
    SWindowLog& m_log;
};

} // namespace

TEST(AdcChannels, OffersTheConnectedTypesChannelsWithARangeFromZero)
{
    const CADCChannel stoat = Channel(ControllerTypeNumber(T::Stoat), 1, "s");
    CADCChannel rangeFromOne = stoat;
    rangeFromOne.rangeLow = 1;

    EXPECT_TRUE(CAdcChannels::Offered(stoat, T::Stoat));
    EXPECT_TRUE(CAdcChannels::Offered(stoat, T::Ivor36V)) << "30 is compared as 14";
    EXPECT_FALSE(CAdcChannels::Offered(stoat, T::Ivor)) << "31 is not mapped";
    EXPECT_FALSE(CAdcChannels::Offered(stoat, T::Tarn));
    EXPECT_TRUE(CAdcChannels::Offered(stoat, T::None)) << "no controller: every type";
    EXPECT_FALSE(CAdcChannels::Offered(rangeFromOne, T::Stoat));
    EXPECT_FALSE(CAdcChannels::Offered(rangeFromOne, T::None));
}

TEST(AdcChannels, ANegativeMinimumShiftsTheBar)
{
    CADCChannel heatsink;
    heatsink.minimum = -40;
    heatsink.maximum = 120;
    const SAdcRange range = CAdcChannels::RangeOf(heatsink);
    EXPECT_EQ(range.offset, -40);
    EXPECT_EQ(range.barLow, 0);
    EXPECT_EQ(range.barHigh, 160);
    EXPECT_EQ(range.minText, QStringLiteral("-40"));
    EXPECT_EQ(range.maxText, QStringLiteral("120"));
    EXPECT_EQ(range.BarPosition(-40), 0);
    EXPECT_EQ(range.BarPosition(200), 160);
    EXPECT_EQ(range.BarPosition(32767), 160) << "no 16-bit wrap past the top";
    EXPECT_EQ((SAdcReading{EState::Value, 200}.Text()), QStringLiteral("200"));

    CADCChannel inverted;
    inverted.minimum = 100;
    inverted.maximum = 10;
    const SAdcRange empty = CAdcChannels::RangeOf(inverted);
    EXPECT_EQ(empty.offset, 0);
    EXPECT_EQ(empty.barLow, 100);
    EXPECT_EQ(empty.barHigh, 100) << "an inverted range is not handed to the bar";
    EXPECT_EQ(empty.BarPosition(50), 100);
}

TEST(AdcChannels, TheWindowSetOwnsItsWindowsUntilClosedOrRebuilt)
{
    CAdcChannels channels;
    CADCChannel outOfRange = Channel(ControllerTypeNumber(T::Tarn), 3, "range 1");
    outOfRange.rangeLow = 1;
    channels.SetChannels({Channel(ControllerTypeNumber(T::Tarn), 1, "a"),
                          Channel(ControllerTypeNumber(T::Stoat), 2, "stoat"), outOfRange,
                          Channel(ControllerTypeNumber(T::Tarn), 4, "b")});
    EXPECT_EQ(channels.WindowSetType(), T::None);
    EXPECT_EQ(channels.WindowSetSize(), 0);

    QSignalSpy changed(&channels, &CAdcChannels::WindowSetChanged);
    channels.RebuildWindowSet(T::Tarn);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(channels.WindowSetType(), T::Tarn);
    ASSERT_EQ(channels.WindowSetSize(), 2);
    EXPECT_EQ(channels.Entry(0).name, QStringLiteral("a"));
    EXPECT_EQ(channels.Entry(1).name, QStringLiteral("b"));

    SWindowLog first, second, third;
    channels.Open(0, std::make_unique<CLoggingWindow>(first));
    auto window = std::make_unique<CLoggingWindow>(second);
    const IAdcWindow* secondWindow = window.get();
    channels.Open(1, std::move(window));
    EXPECT_TRUE(channels.IsOpen(0));

    channels.WindowClosed(secondWindow);
    EXPECT_TRUE(second.destroyed);
    EXPECT_FALSE(channels.IsOpen(1));
    EXPECT_TRUE(channels.IsOpen(0)) << "only the window the user closed";
    channels.Close(0);
    EXPECT_TRUE(first.destroyed);

    channels.Open(1, std::make_unique<CLoggingWindow>(third));
    channels.RebuildWindowSet(T::Ivor36V);
    EXPECT_TRUE(third.destroyed) << "a rebuild closes every window";
    ASSERT_EQ(channels.WindowSetSize(), 1);
    EXPECT_EQ(channels.Entry(0).name, QStringLiteral("stoat"));
    EXPECT_FALSE(channels.IsOpen(0));
}

class AdcChannelsSimTest : public SimLinkTest
{
protected:
    void SetUp() override
    {
        SimLinkTest::SetUp();
        // A Tarn whose channels answer in each of the ways a controller can.
        sim.WithModel([](CSimModel& m) {
            m.SetIdentity(T::Tarn);
            CSimAdc& adc = m.Adc();
            adc.SetChannel(kHeatsink, {.base = -40});
            adc.SetChannel(kBrush, {.answer = CSimAdc::EAnswer::Unsupported});
            adc.SetChannel(kVacuum, {.answer = CSimAdc::EAnswer::Silent});
            adc.Remove(kLift);
        });
    }

    static constexpr std::uint16_t kHeatsink = LinkProtocol::kTagAdcHeatsinkTemperature;
    static constexpr std::uint16_t kBrush = LinkProtocol::kTagAdcBrushCurrent;
    static constexpr std::uint16_t kVacuum = LinkProtocol::kTagAdcVacuumCurrent;
    static constexpr std::uint16_t kLift = LinkProtocol::kTagAdcLiftCurrent;
};

TEST_F(AdcChannelsSimTest, AReadIsAValueUnsupportedOrCommsLost)
{
    const SAdcReading value = CAdcChannels::ReadChannel(link, kHeatsink);
    EXPECT_EQ(value.state, EState::Value);
    EXPECT_EQ(value.Text(), QStringLiteral("-40")) << "word 2 is signed";
    EXPECT_EQ(CAdcChannels::ReadChannel(link, kBrush).Text(),
              QStringLiteral("Unsupported controller"));
    EXPECT_EQ(CAdcChannels::ReadChannel(link, kLift).state, EState::Unsupported)
        << "\"no such tag\" is the controller's answer, not a lost link";

    // The simulated channels never report "Temp. unavailable"; a hand-made reply does.
    sim.SetResponder([](const CLinkRecord& request) -> std::optional<QByteArray> {
        return Bytes(
            ReplyFrame(LinkProtocol::kStatusSupported | LinkProtocol::kStatusTempUnavailable,
                       request.extension, request.word1, 0xFFFE));
    });
    EXPECT_EQ(CAdcChannels::ReadChannel(link, kHeatsink).Text(), QStringLiteral("-2"))
        << "\"Temp. unavailable\" with \"Supported\" is still a value";
    sim.SetResponder({});

    sim.ClearRequests();
    EXPECT_EQ(CAdcChannels::ReadChannel(link, kVacuum).Text(), QStringLiteral("Comms lost"));
    ASSERT_EQ(sim.Requests().size(), 2u) << "two attempts";
    EXPECT_EQ(sim.Requests()[0].Record().extension, LinkProtocol::kExtAdcValue);
}

TEST_F(AdcChannelsSimTest, RefreshReadsEachOpenWindowOnceInSetOrder)
{
    CAdcChannels channels;
    const auto tarn = ControllerTypeNumber(T::Tarn);
    channels.SetChannels({Channel(tarn, kHeatsink, "heatsink"), Channel(tarn, kVacuum, "vacuum"),
                          Channel(tarn, kBrush, "brush")});
    channels.RebuildWindowSet(T::Tarn);
    SWindowLog heatsink, brush;
    channels.Open(2, std::make_unique<CLoggingWindow>(brush));
    channels.Open(0, std::make_unique<CLoggingWindow>(heatsink));
    QSignalSpy sampled(&channels, &CAdcChannels::Sampled);

    sim.ClearRequests();
    channels.RefreshWindows(link);
    std::vector<std::uint16_t> tags;
    for (const CSimRequest& request : sim.Requests())
        tags.push_back(request.Record().word1);
    EXPECT_EQ(tags, (std::vector<std::uint16_t>{kHeatsink, kBrush})) << "the closed one unread";
    ASSERT_EQ(heatsink.readings.size(), 1u);
    EXPECT_EQ(heatsink.readings[0].value, -40);
    ASSERT_EQ(brush.readings.size(), 1u);
    EXPECT_EQ(brush.readings[0].state, EState::Unsupported);

    ASSERT_EQ(sampled.count(), 1);
    const auto samples = sampled[0][0].value<QList<CAdcChannels::SSample>>();
    ASSERT_EQ(samples.size(), 2);
    EXPECT_EQ(samples[0].index, 0);
    EXPECT_EQ(samples[0].name, QStringLiteral("heatsink"));
    EXPECT_EQ(samples[0].reading.value, -40);
    EXPECT_EQ(samples[1].index, 2);
    EXPECT_EQ(samples[1].tag, kBrush);
    EXPECT_EQ(samples[1].reading.state, EState::Unsupported);
}

TEST_F(AdcChannelsSimTest, TagZeroIsAChannelLikeAnyOther)
{
    // Its reply echoes word 1 = 0, which for any other tag means "no such tag".
    sim.WithModel([](CSimModel& m) { m.Adc().SetChannel(0, {.base = 42}); });
    const SAdcReading reading = CAdcChannels::ReadChannel(link, 0);
    EXPECT_EQ(reading.state, EState::Value);
    EXPECT_EQ(reading.Text(), QStringLiteral("42"));
    sim.WithModel([](CSimModel& m) { m.Adc().Remove(0); });
    EXPECT_EQ(CAdcChannels::ReadChannel(link, 0).state, EState::Unsupported)
        << "without the channel: no \"Supported\"";
}
