// tavrin-cli timers, run as a process against the simulated controller: its records and the
// exit code of each way it ends.
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace LinkProtocol;

class CliTimersTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    SRun Timers(QStringList args = {})
    {
        args.prepend(QStringLiteral("timers"));
        args << QStringLiteral("--port") << sim.SlavePath();
        return RunCli(args, {}, config.path());
    }

    int ProgrammableWrites()
    {
        int writes = 0;
        sim.WithModel([&](CSimModel& m) { writes = m.Timers().Programmable().writes; });
        return writes;
    }

    CControllerSim sim;
    QTemporaryDir config;
};

const QString kClear = QStringLiteral("--clear");
const QString kProgram = QStringLiteral("--program");

} // namespace

TEST_F(CliTimersTest, ListsClearsAndProgramsWithAnExitCodeForEachEnd)
{
    // The simulator starts as a Tarn: three counters and the programmable times.
    sim.WithModel([](CSimModel& m) {
        m.Timers().SetHours(kTagServiceTimer1, 12);
        m.Timers().SetHours(kTagServiceTimer2, 1);
        m.Timers().Remove(kTagServiceTimer3);
    });
    SRun run = Timers();
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("timer\t1\t0x18A1\tTraction/Service time:\t12 Hours\n"
                                      "timer\t2\t0x4401\tTotal on time\t1 Hour\n"
                                      "timer\t3\t0x40A1\tBrush on time\tN/C\n"
                                      "programmable\tavailable\n"));

    // A clear asks first; without a terminal the answer is No, before a byte goes out.
    sim.ClearRequests();
    run = Timers({kClear, QStringLiteral("1")});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(sim.RequestCount(), 0u);
    run = Timers({kClear, QStringLiteral("1"), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("cleared\t1\t0x18A1\n"));
    sim.WithModel([](CSimModel& m) { EXPECT_EQ(m.Timers().Hours(kTagServiceTimer1), 0); });
    EXPECT_EQ(Timers({kClear, QStringLiteral("3"), QStringLiteral("--yes")}).exitCode, 2)
        << "the counter is absent";
    EXPECT_EQ(Timers({kClear, QStringLiteral("4")}).exitCode, 1);

    run = Timers({kProgram, QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("On time must be greater than Brush and Service")))
        << run.err.toStdString();
    EXPECT_EQ(ProgrammableWrites(), 0);
    // Times outside 0..2550 are refused, not moved into the range.
    for (const char* outside : {"2551", "-5"}) {
        run = Timers(
            {kProgram, QStringLiteral("10"), QString::fromLatin1(outside), QStringLiteral("0")});
        EXPECT_EQ(run.exitCode, 1) << outside;
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    EXPECT_EQ(ProgrammableWrites(), 0);
    run = Timers({kProgram, QStringLiteral("10"), QStringLiteral("2550"), QStringLiteral("0")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("programmed\t10\t2550\t0\n"));

    // A Stoat shows one line and offers no programmable times.
    sim.WithModel([](CSimModel& m) { m.SetIdentity(EControllerType::Stoat); });
    EXPECT_EQ(Timers({kClear, QStringLiteral("2"), QStringLiteral("--yes")}).exitCode, 1);
    EXPECT_EQ(
        Timers({kProgram, QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("1")}).exitCode,
        4);
    EXPECT_EQ(ProgrammableWrites(), 0);

    sim.WithModel([](CSimModel& m) { m.SetIdentity(EControllerType::Kv8); });
    run = Timers();
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Unsupported controller")));
    EXPECT_TRUE(run.out.isEmpty());

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EXPECT_EQ(Timers().exitCode, 2);
}
