// tavrin-cli set --display: an engineering value goes through the record's scaling, rounding
// and clamping, and the exact raw word lands in the simulated controller.
#include "sim/CControllerSim.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct SRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

class CliSetDisplayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString();
        using namespace LinkProtocol;
        sim.WithModel([](CSimModel& m) {
            // Raw = (display - 10) x 2 / 3: rounding shows at once.
            m.SetTag(0x3000, {.value = 0,
                              .maximum = 0xFFFF,
                              .minimum = 0,
                              .scale = 3,
                              .divisor = 2,
                              .shift = 10,
                              .flags = kStatusSupported});
            // One to one, the whole unsigned range.
            m.SetTag(0x3001,
                     {.value = 100, .maximum = 0xFFFF, .minimum = 0, .flags = kStatusSupported});
            // Signed, display = raw / 10, the whole signed range.
            m.SetTag(0x3002, {.value = 0,
                              .maximum = 0x7FFF,
                              .minimum = 0x8000,
                              .scale = 1,
                              .divisor = 10,
                              .flags = kStatusSupported | kStatusSigned});
            m.ResetChecksum();
        });
    }

    SRun Cli(QStringList args)
    {
        args << QStringLiteral("--port") << sim.SlavePath();
        QProcess process;
        process.start(QStringLiteral(TAVRIN_CLI_PATH), args);
        EXPECT_TRUE(process.waitForFinished(20000));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    SRun SetDisplay(const char* tag, const char* display)
    {
        return Cli({QStringLiteral("set"), QString::fromLatin1(tag), QStringLiteral("--display"),
                    QString::fromLatin1(display)});
    }

    std::uint16_t Value(std::uint16_t tag)
    {
        std::uint16_t value = 0;
        sim.WithModel([&](CSimModel& m) { value = m.Tag(tag)->value; });
        return value;
    }

    CControllerSim sim;
};

} // namespace

TEST_F(CliSetDisplayTest, DisplayValueIsConvertedAndRounded)
{
    // The bundled table's 0x1000 divides by 10: display 30 is raw 300.
    SRun run = SetDisplay("0x1000", "30");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("set 0 written and confirmed\n"));
    EXPECT_EQ(Value(0x1000), 300);
    sim.WithModel([](CSimModel& m) { EXPECT_TRUE(m.ChecksumConsistent()); });

    // (20 - 10) x 2 / 3 = 6.67 rounds up to 7; (18 - 10) x 2 / 3 = 5.33 down to 5;
    // (11 - 10) x 2 / 3 = 0.67 up to 1.
    const std::pair<const char*, std::uint16_t> cases[] = {{"20", 7}, {"18", 5}, {"11", 1}};
    for (const auto& [display, raw] : cases) {
        run = SetDisplay("0x3000", display);
        EXPECT_EQ(run.exitCode, 0) << display << ": " << run.err.toStdString();
        EXPECT_EQ(Value(0x3000), raw) << display;
    }
}

TEST_F(CliSetDisplayTest, DisplayValueBeyondTheRawRangeIsClampedAndSaidSo)
{
    SRun run = SetDisplay("0x3001", "70000");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x3001), 65535);
    EXPECT_TRUE(run.err.contains(QStringLiteral("raw 65535 is written"))) << run.err.toStdString();

    run = SetDisplay("0x3001", "-3");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x3001), 0);

    // Signed: 4000 x 10 = 40000 clamps to 32767, -4000 to -32768.
    run = SetDisplay("0x3002", "4000");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x3002), 0x7FFF);
    run = Cli({QStringLiteral("set"), QStringLiteral("0x3002"), QStringLiteral("--display=-4000")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x3002), 0x8000);
    run = SetDisplay("0x3002", "-25");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x3002), 0xFF06); // -250
    EXPECT_TRUE(run.err.isEmpty()) << "no clamping, no note";

    // A signed conversion would start from the low 16 bits of 40000: refused, nothing sent.
    run = SetDisplay("0x3002", "40000");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(Value(0x3002), 0xFF06);
}

TEST_F(CliSetDisplayTest, UnitsFromATagFileAndUsageErrors)
{
    SRun run = Cli({QStringLiteral("set"), QStringLiteral("0x1000"), QStringLiteral("--display"),
                    QStringLiteral("12"), QStringLiteral("--tags"),
                    QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("set 0 written and confirmed\n"));
    EXPECT_EQ(Value(0x1000), 120);

    // Refusals by the controller keep their exit codes: 0x1004 is read only.
    run = SetDisplay("0x1004", "1");
    EXPECT_EQ(run.exitCode, 12);
    EXPECT_EQ(run.out, QStringLiteral("set 2 read only\n"));

    const QStringList usageErrors[] = {
        {QStringLiteral("set"), QStringLiteral("0x1000")},
        {QStringLiteral("set"), QStringLiteral("0x1000"), QStringLiteral("5"),
         QStringLiteral("--display"), QStringLiteral("3")},
        {QStringLiteral("set"), QStringLiteral("0x1000"), QStringLiteral("--display"),
         QStringLiteral("2.5")},
        {QStringLiteral("set"), QStringLiteral("0x1000"), QStringLiteral("--display"),
         QStringLiteral("3"), QStringLiteral("--units"), QStringLiteral("25")},
        {QStringLiteral("set"), QStringLiteral("0x1000"), QStringLiteral("--display"),
         QStringLiteral("3"), QStringLiteral("--tags"), QStringLiteral("/nonexistent/x.tag")},
    };
    for (const QStringList& args : usageErrors) {
        run = Cli(args);
        EXPECT_EQ(run.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(Value(0x1000), 120);
}
