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

TEST(AdcSampleLog, WindowKeepsTheLastSecondsAndSkipsReadingsWithoutAValue)
{
    CAdcSampleLog log;
    const QString name = QStringLiteral("Throttle");
    for (int i = 0; i <= 100; ++i) {
        const double seconds = i * 0.85;
        if (i == 95)
            log.Record(seconds, {Lost(0x20, name)});
        else
            log.Record(seconds, {Value(0x20, name, std::int16_t(i))});
    }
    // Latest 85.0 s: a 10 s window starts at 75.0 s, which is sample 88 (74.8 s is outside).
    const QList<QPointF> points = log.WindowPoints(0, 10.0);
    ASSERT_EQ(points.size(), 11); // samples 89..100 without 95
    EXPECT_DOUBLE_EQ(points.first().x(), 89 * 0.85);
    EXPECT_EQ(points.first().y(), 89);
    EXPECT_EQ(points.last().y(), 100);
    for (const QPointF& point : points)
        EXPECT_NE(point.y(), 95);
    EXPECT_EQ(log.WindowPoints(0, 1000.0).size(), 100) << "a window longer than the log";
    EXPECT_TRUE(log.WindowPoints(1, 10.0).isEmpty()) << "no such column";
}
