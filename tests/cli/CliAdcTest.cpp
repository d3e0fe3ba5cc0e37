// tavrin-cli adc, run as a process against the simulated controller with the bundled channel
// file: the channel list, the sampled records with each kind of reading, Ctrl-C, and the
// exit code of each way it fails.
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

using namespace LinkProtocol;

class CliAdcTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    // Without --channels: the "ADCFileDirectory" setting is unset in the private settings,
    // so the bundled channel file beside the program is read.
    SRun Adc(QStringList args)
    {
        args.prepend(QStringLiteral("adc"));
        args << QStringLiteral("--port") << sim.SlavePath();
        return RunCli(args, {}, config.path());
    }

    CControllerSim sim;
    QTemporaryDir config;
};

const QString kCount = QStringLiteral("--count");
const QString kTag = QStringLiteral("--tag");

// An "adc" record's fields without its time, which is checked for its form.
QStringList Reading(const QString& line)
{
    QStringList fields = line.split(QLatin1Char('\t'));
    EXPECT_EQ(fields.size(), 5) << line.toStdString();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d+\\.\\d{3}$")).match(fields.value(1)).hasMatch())
        << line.toStdString();
    fields.removeAt(1);
    return fields;
}

} // namespace

TEST_F(CliAdcTest, ListsTheChannelsOfferedForTheIdentifiedType)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(EControllerType::Oriel); });
    const SRun run = Adc({QStringLiteral("--list")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("channel\t0x0180\tBattery Voltage\t0\t600\n"
                                      "channel\t0x0181\tThrottle\t0\t255\n"
                                      "channel\t0x0182\tHeatsink Temperature\t-40\t120\n"
                                      "channel\t0x0183\tMotor Temperature\t-40\t150\n"
                                      "channel\t0x0184\tMotor Current\t0\t200\n"));
}

TEST_F(CliAdcTest, SamplesValuesLostAndUnsupportedReadingsAndTheChosenTags)
{
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(EControllerType::Stoat);
        m.Adc().SetChannel(kTagAdcBatteryVoltage, {.base = 245});
        m.Adc().SetChannel(kTagAdcThrottle, {.answer = CSimAdc::EAnswer::Silent});
        m.Adc().SetChannel(kTagAdcHeatsinkTemperature, {.base = -12});
        m.Adc().SetChannel(kTagAdcMotorCurrent, {.answer = CSimAdc::EAnswer::Unsupported});
    });
    SRun run = Adc({kCount, QStringLiteral("1")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << run.out.toStdString();
    EXPECT_EQ(Reading(lines[0]), QStringList({"adc", "0x0180", "Battery Voltage", "245"}));
    EXPECT_EQ(Reading(lines[1]), QStringList({"adc", "0x0181", "Throttle", "Comms lost"}));
    EXPECT_EQ(Reading(lines[2]), QStringList({"adc", "0x0182", "Heatsink Temperature", "-12"}));
    EXPECT_EQ(Reading(lines[3]),
              QStringList({"adc", "0x0184", "Motor Current", "Unsupported controller"}));

    // A channel of the file that this controller lacks, sampled alone twice.
    sim.WithModel([](CSimModel& m) { m.Adc().Remove(kTagAdcBatteryVoltage); });
    run = Adc({kCount, QStringLiteral("2"), QStringLiteral("--interval"), QStringLiteral("0"), kTag,
               QStringLiteral("0x180")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    for (const QString& line : lines)
        EXPECT_EQ(Reading(line),
                  QStringList({"adc", "0x0180", "Battery Voltage", "Unsupported controller"}));

    // Not one reading answered is a failed run, not a log of losses.
    run = Adc({kCount, QStringLiteral("1"), kTag, QStringLiteral("0x0181")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(Reading(run.out.trimmed()), QStringList({"adc", "0x0181", "Throttle", "Comms lost"}));
}

TEST_F(CliAdcTest, CtrlCEndsSamplingWithWholeRecordsAndExitZero)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TAVRIN_CLI_PATH),
                  {QStringLiteral("adc"), QStringLiteral("--port"), sim.SlavePath()});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray out;
    while (!out.contains("Motor Current") && process.waitForReadyRead(10000))
        out += process.readAllStandardOutput();
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(10000));
    out += process.readAllStandardOutput();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    ASSERT_TRUE(out.endsWith('\n')) << out.toStdString();
    for (const QByteArray& line : out.trimmed().split('\n'))
        EXPECT_EQ(line.count('\t'), 4) << line.toStdString();
}

TEST_F(CliAdcTest, ExitCodesForAMissingFileAForeignTagAndNoController)
{
    SRun run = Adc({QStringLiteral("--channels"), config.filePath(QStringLiteral("none.dat"))});
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot open ADC initialisation file")));
    EXPECT_EQ(sim.RequestCount(), 0) << "the file is checked before the controller";

    run = Adc({kTag, QStringLiteral("0x0187")});
    EXPECT_EQ(run.exitCode, 1) << "the Tarn has no lift current";
    EXPECT_TRUE(run.out.isEmpty());

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EXPECT_EQ(Adc({QStringLiteral("--list")}).exitCode, 2);
    EXPECT_EQ(Adc({kCount, QStringLiteral("1")}).exitCode, 2);
}
