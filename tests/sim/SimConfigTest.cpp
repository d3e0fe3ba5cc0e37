// JSON overrides of the simulated controller.
#include "common/SimRecords.h"
#include "sim/CSimConfig.h"
#include "sim/CSimLogs.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

QJsonObject Json(const char* text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

} // namespace

TEST(SimConfig, OverridesTagsIdentityTripsStatusAndEeprom)
{
    CSimModel model = CSimModel::DefaultController();
    QString error;
    ASSERT_TRUE(SimConfig::Apply(Json(R"({
        "type": 10,
        "tags": {
            "0x1000": { "value": -20, "minimum": "-0x32", "flags": ["Supported", "Signed"],
                        "unsupported": ["maximum", "step"] },
            "4097": null,
            "0x3000": { "value": 7 }
        },
        "tripCodes": ["0x12", 0],
        "status": { "firmware": 42, "battery": 131 },
        "eeprom": { "size": 16, "fill": 170, "bytes": { "0x4": [1, 2, 3] }, "stuck": [5] }
    })"),
                                 model, error))
        << error.toStdString();

    ASSERT_NE(model.Tag(0x1000), nullptr);
    const CSimTag& tag = *model.Tag(0x1000);
    EXPECT_EQ(tag.value, 0xFFEC);
    EXPECT_EQ(tag.minimum, 0xFFCE);
    EXPECT_EQ(tag.maximum, 500) << "fields not named keep their values";
    EXPECT_EQ(tag.flags, LinkProtocol::kStatusSupported | LinkProtocol::kStatusSigned);
    EXPECT_EQ(tag.StatusFor(2) & LinkProtocol::kStatusSupported, 0);
    EXPECT_EQ(tag.StatusFor(6) & LinkProtocol::kStatusSupported, 0);
    EXPECT_NE(tag.StatusFor(3) & LinkProtocol::kStatusSupported, 0);
    EXPECT_EQ(model.Tag(0x1001), nullptr);
    EXPECT_EQ(model.Tag(0x3000)->value, 7);
    EXPECT_EQ(model.Tag(64)->value, 1) << "type 10 answers tag 64";
    EXPECT_EQ(model.Tag(32)->value, 0x12);
    EXPECT_TRUE(model.ChecksumConsistent()) << "a changed table gets a consistent checksum";

    const std::vector<std::uint8_t> expected = {170, 170, 170, 170, 1,   2,   3,   170,
                                                170, 170, 170, 170, 170, 170, 170, 170};
    EXPECT_EQ(model.Eeprom(), expected);

    // The status reply carries the battery reading where the extension would be.
    const auto reply = model.Answer(SimRequest(0xFFFF));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->extension, 131);
    EXPECT_EQ(reply->word2, 42);
}

TEST(SimConfig, MalformedFilesAreRefusedWithAReason)
{
    const char* bad[] = {
        R"({"type": 19})",
        R"({"type": "nine"})",
        R"({"tags": {"0x10000": {}}})",
        R"({"tags": {"0x10": {"value": 70000}}})",
        R"({"tags": {"0x10": {"flags": ["Sticky"]}}})",
        R"({"tags": {"0x10": {"unsupported": ["colour"]}}})",
        R"({"tags": {"0x10": 5}})",
        R"({"tripCodes": [1]})",
        R"({"status": {"firmware": 300, "battery": 1}})",
        R"({"eeprom": {"size": 4, "bytes": {"3": [1, 2]}}})",
    };
    for (const char* text : bad) {
        CSimModel model = CSimModel::DefaultController();
        QString error;
        EXPECT_FALSE(SimConfig::Apply(Json(text), model, error)) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
    CSimModel model;
    QString error;
    EXPECT_FALSE(SimConfig::ApplyFile(QStringLiteral("/nonexistent/sim.json"), model, error));
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent/sim.json")));
}

TEST(SimConfig, AMisspeltKeyAtAnyLevelIsRefusedByName)
{
    // Each would otherwise run the simulator without the setting it meant to give.
    const std::pair<const char*, const char*> misspelt[] = {
        {R"({"tpye": 9})", "tpye"},
        {R"({"tags": {"0x10": {"vaule": 5}}})", "vaule"},
        {R"({"status": {"firmware": 1, "battery": 2, "batery": 3}})", "batery"},
        {R"({"eeprom": {"stuk": [3]}})", "stuk"},
        {R"({"logs": {"sytem": []}})", "sytem"},
        {R"({"tilt": {"refuse_zero": true}})", "refuse_zero"},
        {R"({"timers": {"programable": true}})", "programable"},
        {R"({"adc": {"chanels": {}}})", "chanels"},
        {R"({"adc": {"cycle": {"holt": 1}}})", "holt"},
        {R"({"adc": {"channels": {"0x0180": {"waveform": "sag", "nominal": 1, "sag": 2,
                                             "high": 3}}}})",
         "high"},
    };
    for (const auto& [text, key] : misspelt) {
        CSimModel model = CSimModel::DefaultController();
        QString error;
        EXPECT_FALSE(SimConfig::Apply(Json(text), model, error)) << text;
        EXPECT_TRUE(error.contains(QStringLiteral("unknown key \"%1\"").arg(QLatin1String(key))))
            << qPrintable(error);
    }

    // The bundled demo configuration uses only known keys.
    CSimModel model = CSimModel::DefaultController();
    QString error;
    EXPECT_TRUE(SimConfig::ApplyFile(QStringLiteral(TAVRIN_DEMO_CONFIG), model, error))
        << qPrintable(error);
}

TEST(SimConfig, LogsVersionsAndProgramChecksum)
{
    CSimModel model;
    model.SetIdentity(EControllerType::TarnPlus);
    QString error;
    ASSERT_TRUE(SimConfig::Apply(Json(R"({
        "logs": { "system": [["0x12", 3], [33, 1]] },
        "versions": { "10": [2, 1], "12": [4, 7] },
        "programChecksum": "0xBEEF"
    })"),
                                 model, error))
        << error.toStdString();
    const auto& system = model.Logs().Log(CSimLogs::ELog::System);
    EXPECT_TRUE(system.present);
    EXPECT_EQ(system.codes[0], 0x12);
    EXPECT_EQ(system.counts[0], 3);
    EXPECT_EQ(system.codes[1], 33);
    EXPECT_FALSE(model.Logs().Log(CSimLogs::ELog::Control).present);
    ASSERT_NE(model.Tag(12), nullptr);
    EXPECT_EQ(model.Tag(12)->value, 4);
    EXPECT_EQ(model.Tag(13)->value, 7);
    ASSERT_NE(model.Tag(0x7FC0), nullptr);
    EXPECT_EQ(model.Tag(0x7FC0)->value, 0xBEEF);

    EXPECT_FALSE(SimConfig::Apply(Json(R"({"logs": {"system": [[1]]}})"), model, error));
    EXPECT_FALSE(SimConfig::Apply(Json(R"({"versions": {"10": [1]}})"), model, error));
}
