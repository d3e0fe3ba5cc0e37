// The simulated controller's live ADC values over time moved by hand: how each waveform moves
// through the drive cycle, the families' channels against the bundled channel file, and the
// config's per-tag answers.
#include "common/SimRecords.h"
#include "data/CADCChannel.h"
#include "link/LinkProtocol.h"
#include "ops/adc/CAdcChannels.h"
#include "sim/CSimConfig.h"
#include "sim/CSimModel.h"

#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include <set>

namespace {

using namespace LinkProtocol;
using namespace std::chrono_literals;

// A model of `type` on a clock the test moves.
class SimAdcTest : public ::testing::Test
{
protected:
    void Identify(EControllerType type)
    {
        model.SetIdentity(type);
        model.Adc().SetTimeSource([this] { return now; });
    }
    int At(std::chrono::milliseconds time, std::uint16_t tag)
    {
        now = time;
        return *model.Adc().Value(tag);
    }

    CSimModel model;
    std::chrono::milliseconds now{100000}; // an arbitrary start: only differences count
};

} // namespace

TEST_F(SimAdcTest, ThrottleRampsCurrentFollowsAndBatterySagsUnderLoadThenRecovers)
{
    Identify(EControllerType::TarnPlus);
    const std::chrono::milliseconds start = now;
    // The default cycle: 4 s at rest, 3 s rising, 6 s at full load, 3 s falling.
    const auto atRest = start + 3900ms, rising = start + 5500ms, full = start + 12900ms;
    EXPECT_EQ(At(atRest, kTagAdcThrottle), 0);
    const int battery = At(atRest, kTagAdcBatteryVoltage);
    EXPECT_EQ(battery, 360) << "no load yet";
    EXPECT_LE(At(atRest, kTagAdcMotorCurrent), 3);

    const int halfThrottle = At(rising, kTagAdcThrottle);
    EXPECT_GT(halfThrottle, 80);
    EXPECT_LT(halfThrottle, 175);
    EXPECT_EQ(At(full, kTagAdcThrottle), 255);
    EXPECT_GE(At(full, kTagAdcMotorCurrent), 85);
    const int loaded = At(full, kTagAdcBatteryVoltage);
    EXPECT_LE(loaded, battery - 35) << "sags under load";

    // Fall and rest again: the next cycle's rest ends 16 s after this one's.
    EXPECT_EQ(At(atRest + 16s, kTagAdcThrottle), 0);
    EXPECT_LE(At(atRest + 16s, kTagAdcMotorCurrent), 3);
    EXPECT_GE(At(atRest + 16s, kTagAdcBatteryVoltage), battery - (battery - loaded) / 5)
        << "recovers at rest";
}

TEST_F(SimAdcTest, TemperaturesClimbSlowlyUnderWorkAndCoolSlowlyAtRest)
{
    Identify(EControllerType::TarnPlus);
    const int cold = At(now, kTagAdcHeatsinkTemperature);
    // Twenty minutes read every 850 ms: the largest change between two readings and the last.
    auto watch = [this] {
        int previous = At(now, kTagAdcHeatsinkTemperature);
        int largestStep = 0;
        for (const auto end = now + 20min; now < end;) {
            const int reading = At(now + 850ms, kTagAdcHeatsinkTemperature);
            largestStep = std::max(largestStep, std::abs(reading - previous));
            previous = reading;
        }
        return std::pair{largestStep, previous};
    };
    const auto [warmingStep, warm] = watch();
    EXPECT_LE(warmingStep, 1) << "a degree at most between two readings";
    EXPECT_GE(warm, cold + 15) << "twenty minutes of work warm the heatsink";
    EXPECT_GT(At(now, kTagAdcMotorTemperature), cold + 10);

    // Parked: the cycle never leaves rest.
    model.Adc().SetCycle({.restSeconds = 10, .riseSeconds = 0, .holdSeconds = 0, .fallSeconds = 0});
    const auto [coolingStep, cooled] = watch();
    EXPECT_LE(coolingStep, 1);
    EXPECT_LE(cooled, cold + 2) << "back near the workshop's temperature";
}

TEST_F(SimAdcTest, EachFamilyAnswersTheChannelFileTagsOfItsTypeWithinTheirRanges)
{
    QFile file(QStringLiteral(TAVRIN_BUNDLED_ADC_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<CADCChannel> channels = CADCChannel::ReadFile(&file);
    using T = EControllerType;
    for (const T type : {T::Kv8, T::Oriel, T::Tarn, T::TarnPlus, T::Corvo120, T::Stoat, T::Q25Q30,
                         T::Ivor36V, T::Ivor, T::Pallas}) {
        SCOPED_TRACE(ControllerTypeNumber(type));
        Identify(type);
        std::set<std::uint16_t> offered;
        for (const CADCChannel& channel : channels) {
            if (CAdcChannels::Offered(channel, type))
                offered.insert(channel.tag);
        }
        std::set<std::uint16_t> answered;
        for (const auto& [tag, channel] : model.Adc().Channels())
            answered.insert(tag);
        EXPECT_EQ(answered, offered);

        const std::chrono::milliseconds start = now;
        for (auto t = start; t <= start + 40min; t += 850ms) {
            for (const CADCChannel& channel : channels) {
                if (!CAdcChannels::Offered(channel, type))
                    continue;
                const int value = At(t, channel.tag);
                ASSERT_GE(value, channel.minimum) << channel.name.toStdString();
                ASSERT_LE(value, channel.maximum) << channel.name.toStdString();
            }
        }
    }
}

TEST_F(SimAdcTest, ConfigSetsWaveformsFixedValuesAndUnsupportedSilentOrAbsentTags)
{
    Identify(EControllerType::Q25Q30);
    const QByteArray json = R"({"adc": {
        "cycle": {"rest": 0, "rise": 0, "hold": 1, "fall": 0},
        "channels": {
          "0x0180": {"waveform": "sag", "nominal": 300, "sag": 50, "seconds": 1},
          "0x0181": {"waveform": "ramp", "low": 10, "high": 20},
          "0x0184": -7,
          "0x0185": "unsupported",
          "0x0186": "silent",
          "0x0187": null,
          "0x0199": {"waveform": "constant", "value": 1234}
        }}})";
    QString error;
    ASSERT_TRUE(SimConfig::Apply(QJsonDocument::fromJson(json).object(), model, error))
        << error.toStdString();
    model.Adc().SetTimeSource([this] { return now; });
    const std::chrono::milliseconds start = now;
    // A cycle that is all full load: the ramp sits at "high", the sag closes in on its drop
    // with a time constant of 1 s.
    EXPECT_EQ(At(start + 500ms, kTagAdcThrottle), 20);
    EXPECT_EQ(At(start + 1s, kTagAdcBatteryVoltage), 268) << "300 - 50 x (1 - 1/e)";
    EXPECT_EQ(At(start + 10s, kTagAdcBatteryVoltage), 250);

    const auto fixed = model.Answer(SimRequest(kTagAdcMotorCurrent, kExtAdcValue));
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->control, kStatusSupported);
    EXPECT_EQ(fixed->word2, 0xFFF9) << "-7 as a signed 16-bit word";
    EXPECT_EQ(model.Answer(SimRequest(0x0199, kExtAdcValue))->word2, 1234);

    const auto unsupported = model.Answer(SimRequest(kTagAdcBrushCurrent, kExtAdcValue));
    ASSERT_TRUE(unsupported);
    EXPECT_EQ(unsupported->word1, kTagAdcBrushCurrent);
    EXPECT_EQ(unsupported->control & kStatusSupported, 0);
    EXPECT_FALSE(model.Answer(SimRequest(kTagAdcVacuumCurrent, kExtAdcValue))) << "silent";
    EXPECT_EQ(model.Answer(SimRequest(kTagAdcLiftCurrent, kExtAdcValue))->word1, 0)
        << "no such tag";
    EXPECT_TRUE(model.Answer(SimRequest(kTagAdcHeatsinkTemperature, kExtAdcValue)))
        << "untouched channel";

    for (const char* bad : {R"({"adc": {"channels": {"0x0180": {"waveform": "square"}}}})",
                            R"({"adc": {"channels": {"0x0180": "quiet"}}})",
                            R"({"adc": {"channels": {"0x0180": {"waveform": "ramp", "low": 0}}}})",
                            R"({"adc": {"cycle": {"rest": -1}}})"}) {
        EXPECT_FALSE(SimConfig::Apply(QJsonDocument::fromJson(bad).object(), model, error)) << bad;
        EXPECT_TRUE(error.startsWith(QStringLiteral("adc: "))) << error.toStdString();
    }
}
