// The live chart's recording: its CSV text and the time window it shows.
#include "ops/adc/CAdcSampleLog.h"

#include <gtest/gtest.h>

namespace {

CAdcChannels::SSample Value(std::uint16_t tag, const QString& name, std::int16_t value)
{
    return {0, tag, name, {SAdcReading::EState::Value, value}};
}

CAdcChannels::SSample Lost(std::uint16_t tag, const QString& name)
{
    return {0, tag, name, {SAdcReading::EState::CommsLost, 0}};
}

} // namespace

TEST(AdcSampleLog, CsvHasAColumnPerChannelInOrderOfAppearanceAndQuotesNames)
{
    CAdcSampleLog log;
    log.Record(0.0, {Value(0x10, QStringLiteral("Battery"), 24)});
    log.Record(0.85, {Value(0x10, QStringLiteral("Battery"), -3),
                      Value(0x11, QStringLiteral("Temp, \"heatsink\""), 41)});
    // Comms lost leaves the cell empty; a channel not sampled has no cell either.
    log.Record(1.7004, {Lost(0x11, QStringLiteral("Temp, \"heatsink\""))});
    // The same tag under another name is another channel.
    log.Record(2.55, {Value(0x10, QStringLiteral("Battery 2"), 7)});

    EXPECT_EQ(log.CsvText(), QStringLiteral("seconds,Battery,\"Temp, \"\"heatsink\"\"\",Battery 2\n"
                                            "0.000,24,,\n"
                                            "0.850,-3,41,\n"
                                            "1.700,,,\n"
                                            "2.550,,,7\n"));
    EXPECT_EQ(log.LegendText(1), QStringLiteral("Temp, \"heatsink\": Comms lost"));
    EXPECT_EQ(log.LegendText(0), QStringLiteral("Battery: -3"));
}

TEST(AdcSampleLog, WindowKeepsTheLastSecondsAndBreaksTheLineWhereNoValueWasTaken)
{
    CAdcSampleLog log;
    const QString name = QStringLiteral("Throttle");
    const QString other = QStringLiteral("Battery");
    for (int i = 0; i <= 100; ++i) {
        const double seconds = i * 0.85;
        if (i == 95)
            log.Record(seconds, {Lost(0x20, name)}); // polled, no reply
        else if (i == 97)
            log.Record(seconds, {Value(0x21, other, 1)}); // the channel was not open
        else
            log.Record(seconds, {Value(0x20, name, std::int16_t(i))});
    }
    // Latest 85.0 s: a 10 s window starts at 75.0 s, which is sample 88 (74.8 s is outside).
    const auto values = [](const QList<QPointF>& segment) {
        std::vector<int> ys;
        for (const QPointF& point : segment)
            ys.push_back(int(point.y()));
        return ys;
    };
    const QList<QList<QPointF>> segments = log.WindowSegments(0, 10.0);
    ASSERT_EQ(segments.size(), 3);
    EXPECT_EQ(values(segments[0]), (std::vector<int>{89, 90, 91, 92, 93, 94}));
    EXPECT_EQ(values(segments[1]), (std::vector<int>{96}));
    EXPECT_EQ(values(segments[2]), (std::vector<int>{98, 99, 100}));
    EXPECT_DOUBLE_EQ(segments[0].first().x(), 89 * 0.85);
    EXPECT_DOUBLE_EQ(segments[2].last().x(), 100 * 0.85);

    const QList<QList<QPointF>> all = log.WindowSegments(0, 1000.0);
    ASSERT_EQ(all.size(), 3) << "a window longer than the log";
    EXPECT_EQ(all[0].size(), 95);
    const QList<QList<QPointF>> battery = log.WindowSegments(1, 10.0);
    ASSERT_EQ(battery.size(), 1) << "a column that appeared late starts a line";
    EXPECT_EQ(values(battery[0]), std::vector<int>{1});
    EXPECT_TRUE(log.WindowSegments(2, 10.0).isEmpty()) << "no such column";
}
