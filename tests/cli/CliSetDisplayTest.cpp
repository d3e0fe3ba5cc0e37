// tavrin-cli set --display: a value typed as the list view shows it goes through the record's
// scaling to the exact raw word in the simulated controller, or is refused with nothing
// written.
#include "CliBackupRecord.h"
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

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
            // Shown with one decimal ("3.9 secs") by the bundled tag file's presentation.
            m.SetTag(0x011C, {.value = 39,
                              .maximum = 600,
                              .minimum = 5,
                              .scale = 1,
                              .divisor = 1,
                              .step = 1,
                              .flags = kStatusSupported});
            m.ResetChecksum();
        });
    }

    SRun Cli(QStringList args)
    {
        args << QStringLiteral("--port") << sim.SlavePath();
        // A settings folder of its own: the machine's settings do not leak in.
        return RunCli(args, {}, config.path());
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
    QTemporaryDir config;
};

} // namespace

TEST_F(CliSetDisplayTest, DisplayValueIsConvertedExactlyOrRefused)
{
    // The built-in table's 0x1000 divides by 10: display 30 is raw 300.
    SRun run = SetDisplay("0x1000", "30");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    bool backed = false;
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("set\t0\twritten and confirmed\n"));
    EXPECT_TRUE(backed) << run.out.toStdString();
    EXPECT_EQ(Value(0x1000), 300);
    sim.WithModel([](CSimModel& m) { EXPECT_TRUE(m.ChecksumConsistent()); });

    // Raw = (display - 10) x 2 / 3. 18 gives raw 5, which shows as 17.5 rounded to 18.
    run = SetDisplay("0x3000", "18");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x3000), 5);
    // 20 would round to raw 7, which shows as 21: refused, naming what can be set.
    run = SetDisplay("0x3000", "20");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("the nearest values are 19 and 21")))
        << run.err.toStdString();
    EXPECT_EQ(Value(0x3000), 5);
}

TEST_F(CliSetDisplayTest, DisplayValueOutsideTheLimitsIsRefusedNotClamped)
{
    const std::pair<const char*, const char*> refused[] = {
        {"0x3001", "70000"}, {"0x3001", "-3"}, {"0x3002", "4000"}, {"0x3002", "-4000"}};
    for (const auto& [tag, display] : refused) {
        const SRun run = SetDisplay(tag, display);
        EXPECT_EQ(run.exitCode, 1) << tag << " " << display;
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QStringLiteral("outside the parameter's limits")))
            << run.err.toStdString();
    }
    EXPECT_EQ(Value(0x3001), 100);
    EXPECT_EQ(Value(0x3002), 0);
    const SRun limits = SetDisplay("0x3002", "4000");
    EXPECT_TRUE(limits.err.contains(QStringLiteral("-3277 .. 3277"))) << limits.err.toStdString();

    // A negative value after --display is the value, not an option.
    const SRun run = SetDisplay("0x3002", "-25");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x3002), 0xFF06); // -250
}

TEST_F(CliSetDisplayTest, DecimalsAreThoseTheTagFileShows)
{
    const QString tags = QStringLiteral(TAVRIN_BUNDLED_TAG_FILE);
    const auto set = [&](const char* display) {
        return Cli({QStringLiteral("set"), QStringLiteral("0x011C"), QStringLiteral("--display"),
                    QString::fromLatin1(display), QStringLiteral("--tags"), tags});
    };
    SRun run = set("11.5");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x011C), 115);
    run = set("12");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(0x011C), 120) << "12 secs, not 1.2";

    run = set("11.55");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("more decimals"))) << run.err.toStdString();
    run = set("60.1");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("0.5 secs .. 60.0 secs"))) << run.err.toStdString();
    EXPECT_EQ(Value(0x011C), 120);

    // A tag file that cannot be read is a file error.
    run =
        Cli({QStringLiteral("set"), QStringLiteral("0x011C"), QStringLiteral("--display"),
             QStringLiteral("3"), QStringLiteral("--tags"), QStringLiteral("/nonexistent/x.tag")});
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_TRUE(run.err.contains(QStringLiteral("/nonexistent/x.tag"))) << run.err.toStdString();
}

TEST_F(CliSetDisplayTest, UsageErrorsSendNothing)
{
    // Refusals by the controller: 0x1004 is read only.
    SRun run = Cli({QStringLiteral("set"), QStringLiteral("0x1004"), QStringLiteral("2400")});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.out, QStringLiteral("set\t2\tread only\n"));

    const QStringList usageErrors[] = {
        {QStringLiteral("set"), QStringLiteral("0x1000")},
        {QStringLiteral("set"), QStringLiteral("0x1000"), QStringLiteral("5"),
         QStringLiteral("--display"), QStringLiteral("3")},
        {QStringLiteral("set"), QStringLiteral("0x1000"), QStringLiteral("--display"),
         QStringLiteral("2.5")},
        {QStringLiteral("set"), QStringLiteral("0x1000"), QStringLiteral("--display"),
         QStringLiteral("3"), QStringLiteral("--units"), QStringLiteral("25")},
    };
    for (const QStringList& args : usageErrors) {
        run = Cli(args);
        EXPECT_EQ(run.exitCode, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(Value(0x1000), 250);
}

TEST_F(CliSetDisplayTest, ShownTextDecidesNoOpOptionTextAndUnsupported)
{
    using namespace LinkProtocol;
    sim.WithModel([](CSimModel& m) {
        // Display = raw / 10 shown without decimals: raw 104 shows as 10, as 100 does.
        m.SetTag(0x3003, {.value = 104,
                          .maximum = 0xFFFF,
                          .minimum = 0,
                          .scale = 1,
                          .divisor = 10,
                          .flags = kStatusSupported});
        // A list parameter: "Off", "Continuous", ... (an option text on every type).
        m.SetTag(16480, {.value = 0, .maximum = 3, .minimum = 0, .flags = kStatusSupported});
        m.SetTag(0x2000, {.value = 1, .flags = 0});
        m.ResetChecksum();
    });
    SRun run = SetDisplay("0x3003", "10");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("unchanged\t12291\t10\n"));
    EXPECT_EQ(Value(0x3003), 104) << "already shown as 10: not rewritten as 100";

    run = SetDisplay("16480", "continuous");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Value(16480), 1);
    EXPECT_EQ(SetDisplay("16480", "No such text").exitCode, 1);
    EXPECT_EQ(Value(16480), 1);

    // Answered without "Supported": refused as the help says.
    run = Cli({QStringLiteral("set"), QStringLiteral("0x2000"), QStringLiteral("5")});
    EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("set\t1\tnot supported\n"));
}
