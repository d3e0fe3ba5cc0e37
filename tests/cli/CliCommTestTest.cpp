// tavrin-cli commtest, run as a process against the simulated controller: its records and
// the exit code of each way a run ends.
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliCommTestTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    SRun CommTest(const QString& tagFrom, const QString& tagTo)
    {
        const QString zero = QStringLiteral("0");
        return RunCli({QStringLiteral("commtest"), QStringLiteral("--ext"), zero, zero,
                       QStringLiteral("--tag"), tagFrom, tagTo, QStringLiteral("--value"), zero,
                       QStringLiteral("0x0"), QStringLiteral("--port"), sim.SlavePath()},
                      {}, config.path());
    }

    // The fields of each record, without the average time, which depends on the machine.
    static QStringList Records(const SRun& run)
    {
        QStringList records = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!records.isEmpty())
            records.last() = records.last().section(QLatin1Char('\t'), 0, 2);
        return records;
    }

    CControllerSim sim;
    QTemporaryDir config;
};

} // namespace

TEST_F(CliCommTestTest, RecordsAndExitCodes)
{
    SRun run = CommTest(QStringLiteral("8"), QStringLiteral("0x9"));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Records(run), QStringList{QStringLiteral("commtest\t2\t0")});

    // Tag 7 is not in the controller's table: "no such tag" does not answer a read of it.
    run = CommTest(QStringLiteral("7"), QStringLiteral("8"));
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_EQ(Records(run),
              QStringList({QStringLiteral("bad\tTx: 0x63 0x01 0x00 0x0007 0x0000 0x0000  0x94"),
                           QStringLiteral("bad\tRx: 0x72 0x00 0x00 0x0000 0x0000 0x0000  0x8D"),
                           QStringLiteral("commtest\t1\t1")}));

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    run = CommTest(QStringLiteral("8"), QStringLiteral("8"));
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    EXPECT_EQ(Records(run).value(2), QStringLiteral("commtest\t0\t1"))
        << "after the two bad records";

    run = RunCli({QStringLiteral("commtest"), QStringLiteral("--ext"), QStringLiteral("0"),
                  QStringLiteral("0"), QStringLiteral("--port"), sim.SlavePath()},
                 {}, config.path());
    EXPECT_EQ(run.exitCode, 1) << "a range missing";
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(CliCommTestTest, ANumberBeyondItsFieldIsRefusedBeforeAnythingIsSent)
{
    const QString zero = QStringLiteral("0");
    const auto run = [&](const QString& option, const QString& to) {
        QStringList args = {QStringLiteral("commtest"),
                            QStringLiteral("--ext"),
                            zero,
                            zero,
                            QStringLiteral("--tag"),
                            QStringLiteral("8"),
                            QStringLiteral("8"),
                            QStringLiteral("--value"),
                            zero,
                            zero,
                            QStringLiteral("--port"),
                            sim.SlavePath()};
        args[args.indexOf(option) + 2] = to;
        return RunCli(args, {}, config.path());
    };
    const std::size_t before = sim.RequestCount();
    for (const auto& [option, to] : {std::pair{"--ext", "300"}, std::pair{"--ext", "0x100"},
                                     std::pair{"--tag", "65536"}, std::pair{"--value", "-1"}}) {
        const SRun refused = run(QLatin1String(option), QLatin1String(to));
        EXPECT_EQ(refused.exitCode, 1) << option << " " << to;
        EXPECT_TRUE(refused.err.contains(QLatin1String(to))) << refused.err.toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
    }
    EXPECT_EQ(sim.RequestCount(), before) << "nothing sent";
}
