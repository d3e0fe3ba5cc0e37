// tavrin-cli's controller commands, run as a process against the simulated controller.
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

class CliLinkTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    SRun Cli(QStringList args)
    {
        args << QStringLiteral("--port") << sim.SlavePath();
        QProcess process;
        process.start(QStringLiteral(TAVRIN_CLI_PATH), args);
        EXPECT_TRUE(process.waitForFinished(20000));
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    CControllerSim sim;
};

} // namespace

TEST_F(CliLinkTest, IdentifyPrintsTheTypeOrSaysWhyNot)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(31); });
    SRun run = Cli({QStringLiteral("identify")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("type 31 Ivor\n"));

    sim.WithModel([](CSimModel& m) { m.SetIdentificationCode(0x21); });
    run = Cli({QStringLiteral("identify")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("type 65535 Unknown controller\n"));

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    run = Cli({QStringLiteral("identify")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("no controller was identified (result 4)")))
        << run.err.toStdString();
}

TEST_F(CliLinkTest, ParamPrintsTheRecordAndItsFailures)
{
    std::uint16_t checksum = 0;
    sim.WithModel([&](CSimModel& m) { checksum = m.ChecksumWord(); });
    SRun run = Cli({QStringLiteral("param"), QStringLiteral("0x1000")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("param 4096 250 500 10 1 10 5 0 %1 0x28 0\n").arg(checksum));

    run = Cli({QStringLiteral("param"), QStringLiteral("17000")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no such parameter")));

    run = Cli({QStringLiteral("param"), QStringLiteral("0x10000")});
    EXPECT_EQ(run.exitCode, 1) << "a tag beyond 16 bits is a usage error";

    sim.WithModel([](CSimModel& m) { m.SetTag(0x2000, {.value = 1, .flags = 0}); });
    run = Cli({QStringLiteral("param"), QStringLiteral("0x2000")});
    EXPECT_EQ(run.exitCode, 2);
}

TEST_F(CliLinkTest, SetWritesConfirmsAndReportsRefusals)
{
    SRun run = Cli({QStringLiteral("set"), QStringLiteral("0x1001"), QStringLiteral("0x4B")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("set 0 written and confirmed\n"));
    sim.WithModel([](CSimModel& m) {
        EXPECT_EQ(m.Tag(0x1001)->value, 75);
        EXPECT_TRUE(m.ChecksumConsistent());
    });

    run = Cli({QStringLiteral("set"), QStringLiteral("0x1004"), QStringLiteral("1")});
    EXPECT_EQ(run.exitCode, 12);
    EXPECT_EQ(run.out, QStringLiteral("set 2 read only\n"));

    run = Cli({QStringLiteral("set"), QStringLiteral("0x1001"), QStringLiteral("999")});
    EXPECT_EQ(run.exitCode, 15);
    EXPECT_EQ(run.out, QStringLiteral("set 5 read-back differs\n"));

    run = Cli({QStringLiteral("set"), QStringLiteral("0x1001"), QStringLiteral("-1")});
    EXPECT_EQ(run.exitCode, 1);
}
