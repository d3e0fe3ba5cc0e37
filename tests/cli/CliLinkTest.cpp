// tavrin-cli's controller commands, run as a process against the simulated controller.
#include "CliBackupRecord.h"
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliLinkTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    SRun Cli(QStringList args, bool withPort = true)
    {
        if (withPort)
            args << QStringLiteral("--port") << sim.SlavePath();
        // A settings folder of its own: the machine's settings do not leak in.
        return RunCli(args, {}, config.path());
    }

    CControllerSim sim;
    QTemporaryDir config;
};

} // namespace

TEST_F(CliLinkTest, IdentifyPrintsTheTypeOrSaysWhyNot)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(EControllerType::Ivor); });
    SRun run = Cli({QStringLiteral("identify")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("type\t31\tIvor\n"));
    // --verbose adds whether the port has low latency: a pseudo-terminal has none to give,
    // and with the setting off none is asked for.
    run = Cli({QStringLiteral("identify"), QStringLiteral("--verbose")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("type\t31\tIvor\nlowlatency\tnot-offered\tnot offered by "
                                      "this port\n"));
    {
        QSettings settings(config.filePath(QStringLiteral("Kelvane Motion/Tavrin Studio.conf")),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("Settings/LowLatency"), 0);
    }
    run = Cli({QStringLiteral("identify"), QStringLiteral("--verbose")});
    EXPECT_EQ(run.out, QStringLiteral("type\t31\tIvor\nlowlatency\toff\toff (setting)\n"));

    // A code of no known type is answered but not identified.
    sim.WithModel([](CSimModel& m) { m.SetIdentificationCode(0x21); });
    run = Cli({QStringLiteral("identify")});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    run = Cli({QStringLiteral("identify")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("no controller answered the identification")))
        << run.err.toStdString();
}

TEST_F(CliLinkTest, AnUnidentifiedControllerGivesOneExitCodeInEveryCommand)
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("read.eep"));
    const QString dfile = dir.filePath(QStringLiteral("d.bin"));
    QFile(dfile).open(QIODevice::WriteOnly);
    const QString tags = QStringLiteral(TAVRIN_BUNDLED_TAG_FILE);
    const QStringList commands[] = {
        {QStringLiteral("identify")},
        {QStringLiteral("info")},
        {QStringLiteral("log"), QStringLiteral("system")},
        {QStringLiteral("timers")},
        {QStringLiteral("adc"), QStringLiteral("--list")},
        {QStringLiteral("eeprom"), QStringLiteral("read"), QStringLiteral("-o"), image},
        {QStringLiteral("zero-tilt"), QStringLiteral("--yes")},
        {QStringLiteral("eeprom-defaults"), QStringLiteral("--yes")},
        {QStringLiteral("dfile"), QStringLiteral("--type"), QStringLiteral("8"), dfile,
         QStringLiteral("--yes")},
        {QStringLiteral("get"), QStringLiteral("Acceleration"), QStringLiteral("--tags"), tags},
        {QStringLiteral("set"), QStringLiteral("0x1001"), QStringLiteral("0x4B")},
    };
    // Tag 8 answers "Temp. unavailable": answered, but no type.
    sim.WithModel([](CSimModel& m) {
        m.SetTag(8,
                 {.value = 9,
                  .flags = LinkProtocol::kStatusSupported | LinkProtocol::kStatusTempUnavailable});
    });
    for (const QStringList& command : commands) {
        const SRun run = Cli(command);
        EXPECT_EQ(run.exitCode, 4)
            << command.join(u' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << command.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("temporarily unavailable")))
            << command.join(u' ').toStdString() << ": " << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(image)) << "an unidentified controller is never read into a file";
    std::uint16_t value = 0;
    sim.WithModel([&](CSimModel& m) { value = m.Tag(0x1001)->value; });
    EXPECT_NE(value, 0x4B);
}

TEST_F(CliLinkTest, ParamPrintsTheRecordAndItsFailures)
{
    std::uint16_t checksum = 0;
    sim.WithModel([&](CSimModel& m) { checksum = m.ChecksumWord(); });
    SRun run = Cli({QStringLiteral("param"), QStringLiteral("0x1000")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(
        run.out,
        QStringLiteral("param\t4096\t250\t500\t10\t1\t10\t5\t0\t%1\t0x28\t0\n").arg(checksum));

    run = Cli({QStringLiteral("param"), QStringLiteral("17000")});
    EXPECT_EQ(run.exitCode, 4);
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
    // The value overwritten is saved first; its backup record names the file.
    bool backed = false;
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("set\t0\twritten and confirmed\n"));
    EXPECT_TRUE(backed) << run.out.toStdString();
    sim.WithModel([](CSimModel& m) {
        EXPECT_EQ(m.Tag(0x1001)->value, 75);
        EXPECT_TRUE(m.ChecksumConsistent());
    });

    run = Cli({QStringLiteral("set"), QStringLiteral("0x1004"), QStringLiteral("2400")});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.out, QStringLiteral("set\t2\tread only\n"));

    // Beyond the limits 0..200: refused with the limits, nothing written...
    sim.ClearRequests();
    for (const char* raw : {"999", "-1"}) {
        run = Cli({QStringLiteral("set"), QStringLiteral("0x1001"), QString::fromLatin1(raw)});
        EXPECT_EQ(run.exitCode, 1) << raw;
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QStringLiteral("0 .. 200"))) << run.err.toStdString();
    }
    for (const CSimRequest& request : sim.Requests())
        EXPECT_NE(request.Record().control, LinkProtocol::kControlWrite) << "nothing written";
    // ...unless forced; the controller keeps its own limit, so the read-back differs.
    run = Cli({QStringLiteral("set"), QStringLiteral("0x1001"), QStringLiteral("999"),
               QStringLiteral("--force")});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("set\t5\tread-back differs\n"));

    // A negative raw value is the signed reading: 0x1002 is signed, -100..100.
    run = Cli({QStringLiteral("set"), QStringLiteral("0x1002"), QStringLiteral("-5")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    sim.WithModel([](CSimModel& m) { EXPECT_EQ(m.Tag(0x1002)->value, 0xFFFB); });
}

TEST_F(CliLinkTest, PortThatDoesNotOpenHasItsOwnExitCode)
{
    const QString missing = config.filePath(QStringLiteral("ttyMissing"));
    SRun run = Cli({QStringLiteral("identify"), QStringLiteral("--port"), missing}, false);
    EXPECT_EQ(run.exitCode, 6);
    EXPECT_TRUE(run.err.contains(missing + QStringLiteral(": no such device")))
        << run.err.toStdString();

    // Without --port every command takes the "PortDevice" setting, exchange included.
    {
        QSettings settings(config.filePath(QStringLiteral("Kelvane Motion/Tavrin Studio.conf")),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("Settings/PortDevice"), sim.SlavePath());
    }
    run = Cli({QStringLiteral("exchange"), QStringLiteral("8")}, false);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("request\t"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("\nreply\t"))) << run.out.toStdString();

    // An absent tag is answered: the reply says so.
    run = Cli({QStringLiteral("exchange"), QStringLiteral("0x4242")}, false);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("\tno such tag\n"))) << run.out.toStdString();
}

TEST_F(CliLinkTest, EveryCommandHasHelpWithItsExitCodes)
{
    for (const char* command : {"tags", "identify", "param", "set", "read", "write", "show",
                                "exchange", "zero-tilt", "eeprom-defaults"}) {
        const SRun run = Cli({QString::fromLatin1(command), QStringLiteral("--help")}, false);
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_TRUE(run.out.startsWith(QStringLiteral("usage: ") + QLatin1String(command)))
            << run.out.toStdString();
        EXPECT_TRUE(run.out.contains(QStringLiteral("exit codes: 0 "))) << command;
    }
    const SRun run = Cli({QStringLiteral("--version")}, false);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^tavrin-cli \\d+\\.\\d+\\.\\d+\n$"))
                    .match(run.out)
                    .hasMatch())
        << run.out.toStdString();
}
