// tavrin-cli zero-tilt and eeprom-defaults, run as a process against the simulated
// controller: the exit code of each way they end.
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliToolTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    // Runs tavrin-cli with standard input at its end, as from a script without a terminal.
    SRun Cli(QStringList args)
    {
        args << QStringLiteral("--port") << sim.SlavePath();
        return RunCli(args, {}, config.path());
    }

    CControllerSim sim;
    QTemporaryDir config;
};

const QString kZeroTilt = QStringLiteral("zero-tilt");
const QString kDefaults = QStringLiteral("eeprom-defaults");
const QString kYes = QStringLiteral("--yes");

} // namespace

TEST_F(CliToolTest, ZeroTiltAndEepromDefaultsExitCodes)
{
    // The simulator starts as a Tarn: EEPROM defaults apply, zero tilt does not.
    EXPECT_EQ(Cli({kDefaults}).exitCode, 5) << "no terminal and no --yes: not confirmed";
    SRun run = Cli({kDefaults, kYes});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("defaults\tdone\n"));
    run = Cli({kZeroTilt, kYes});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Incompatible controller")))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(EControllerType::Corvo120);
        m.Tilt().present = true;
        m.Tilt().reading = 40;
    });
    EXPECT_EQ(Cli({kDefaults, kYes}).exitCode, 4);
    EXPECT_EQ(Cli({kZeroTilt}).exitCode, 5);
    run = Cli({kZeroTilt, kYes});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("tilt\tzeroed\n"));
    sim.WithModel([](CSimModel& m) { EXPECT_EQ(m.Tilt().zeroings, 1); });

    // A zeroing write that goes unanswered: retried only as often as --retry allows.
    sim.WithModel([](CSimModel& m) { m.Tilt().refuseZero = true; });
    sim.ClearRequests();
    run = Cli({kZeroTilt, kYes, QStringLiteral("--retry"), QStringLiteral("1")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.count(QStringLiteral("Retrying.")), 1) << run.err.toStdString();
    int zeroWrites = 0;
    for (const CSimRequest& request : sim.Requests()) {
        const CLinkRecord r = request.Record();
        zeroWrites += r.word1 == LinkProtocol::kTagTilt && r.control == 0 && r.word2 == 1;
    }
    EXPECT_EQ(zeroWrites, 2 * 2) << "two attempts, each sent twice by the link";

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EXPECT_EQ(Cli({kZeroTilt, kYes}).exitCode, 2);
    EXPECT_EQ(Cli({kDefaults, kYes}).exitCode, 2);
}
