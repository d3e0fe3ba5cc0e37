// tavrin-cli dfile, run as a process against the simulated controller: the exit code of
// each way it ends.
#include "CliBackupRecord.h"
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliDFileTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    SRun Cli(const QString& type, const QString& path, bool yes = true)
    {
        QStringList args{QStringLiteral("dfile"),  QStringLiteral("--type"), type, path,
                         QStringLiteral("--port"), sim.SlavePath()};
        if (yes)
            args << QStringLiteral("--yes");
        return RunCli(args, {}, config.path());
    }

    QString File(const QString& name, const QByteArray& bytes)
    {
        const QString path = files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }

    CControllerSim sim;
    QTemporaryDir config;
    QTemporaryDir files;
};

} // namespace

TEST_F(CliDFileTest, ExitCodes)
{
    QByteArray oriel(249, '\x11');
    oriel[160] = 0x02;
    const QString good = File(QStringLiteral("D-oriel"), oriel);
    const QString wrongType = File(QStringLiteral("D-mira"), QByteArray(249, '\x01'));
    const QString eight = QStringLiteral("8");

    // The simulator starts as a Tarn, whose item is never enabled; an Oriel file is refused.
    EXPECT_EQ(Cli(QStringLiteral("9"), good).exitCode, 1);
    EXPECT_EQ(Cli(QStringLiteral("30"), good).exitCode, 1) << "no item for type 30";
    SRun run = Cli(eight, good);
    EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();

    sim.WithModel([](CSimModel& m) { m.SetIdentity(EControllerType::Oriel); });
    EXPECT_EQ(Cli(eight, good, false).exitCode, 5) << "no terminal and no --yes";
    EXPECT_EQ(Cli(eight, files.filePath(QStringLiteral("D-none"))).exitCode, 7);
    run = Cli(eight, wrongType);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Invalid DFile for controller type")))
        << run.err.toStdString();
    run = Cli(eight, good);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    bool backed = false;
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("dfile\tprogrammed\n"));
    EXPECT_TRUE(backed) << run.out.toStdString();
    sim.WithModel([](CSimModel& m) { EXPECT_EQ(m.Eeprom()[0], 0x02); });

    sim.WithModel([](CSimModel& m) {
        m.Eeprom()[1] = 0;
        m.SetEepromStuck(1);
    });
    EXPECT_EQ(Cli(eight, good).exitCode, 3);

    // A text file's refusal is told on standard error, as the flow has no message for it.
    sim.WithModel([](CSimModel& m) { m.SetIdentity(EControllerType::Ivor); });
    run = Cli(QStringLiteral("31"), File(QStringLiteral("D-ivor"), "comment\n0 1\n7\n"));
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains(QStringLiteral("line 3"))) << run.err.toStdString();

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EXPECT_EQ(Cli(QStringLiteral("31"), good).exitCode, 2);
}
