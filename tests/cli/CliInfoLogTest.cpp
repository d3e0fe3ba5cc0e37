// tavrin-cli info and log, run as processes against the simulated controller.
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliInfoLogTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    SRun Run(QStringList args)
    {
        args << QStringLiteral("--port") << sim.SlavePath() << QStringLiteral("--tags")
             << QStringLiteral(TAVRIN_BUNDLED_TAG_FILE);
        return RunCli(args, {}, config.path());
    }

    CControllerSim sim;
    QTemporaryDir config;
};

} // namespace

TEST_F(CliInfoLogTest, LogPrintsTheEntriesAndClearsOnlyWhenAnsweredYes)
{
    sim.WithModel([](CSimModel& m) {
        m.Logs().SetEntries(CSimLogs::ELog::System, {{0x0002, 5}, {0x0001, 1}, {0x7777, 2}});
    });
    const QString entries = QStringLiteral("entry\t2\t5\tBattery Low\n"
                                           "entry\t1\t1\tOvercurrent\n"
                                           "entry\t30583\t2\tTrip name not found\n");
    SRun run = Run({QStringLiteral("log"), QStringLiteral("system")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, entries);

    // Without --yes and without a terminal the answer is No, before a byte goes out.
    sim.ClearRequests();
    run = Run({QStringLiteral("log"), QStringLiteral("system"), QStringLiteral("--clear")});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(sim.RequestCount(), 0u);

    run = Run({QStringLiteral("log"), QStringLiteral("system"), QStringLiteral("--clear"),
               QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, entries + QStringLiteral("cleared\tsystem\n"));
    sim.WithModel([](CSimModel& m) {
        const CSimLogs::SLog& log = m.Logs().Log(CSimLogs::ELog::System);
        EXPECT_EQ(log.codes[0], 0);
        EXPECT_EQ(log.counts[1], 0);
    });

    // The simulated controller keeps no control log.
    EXPECT_EQ(Run({QStringLiteral("log"), QStringLiteral("control")}).exitCode, 4);
}

TEST_F(CliInfoLogTest, InfoPrintsOneRecordPerLineOrFailsWithoutAController)
{
    SRun run = Run({QStringLiteral("info")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines.first().startsWith(QStringLiteral("info\t"))) << lines.first().toStdString();
    EXPECT_TRUE(lines.first().contains(QStringLiteral("Tarn"))) << lines.first().toStdString();
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith(QStringLiteral("info\t"))) << line.toStdString();

    CSimFaults silent;
    silent.silent = true;
    sim.SetFaults(silent);
    run = Run({QStringLiteral("info")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(CliInfoLogTest, TripNamesAreEscapedAsOneField)
{
    // A tag file (one tag, as a real file has) whose trip text holds a tab and a line break.
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("trips.tagsrc"));
    const QString tagFile = dir.filePath(QStringLiteral("TagList0002.tag"));
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[tag]\ntag = 0x0100\ntypes = 9 10\nunits = 10\ngroup = 12\npresentation = 2\n"
               "privilege = 1\nname = \"Acceleration Delay\"\n\n"
               "[trip]\ncode = 0x0012\ntext = \"Contactor\\tstuck\\nopen\"\n"
               "text = \"Weld.\"\n");
    file.close();
    ASSERT_EQ(RunCli({QStringLiteral("tags"), QStringLiteral("compile"), source,
                      QStringLiteral("-o"), tagFile},
                     {}, config.path())
                  .exitCode,
              0);
    sim.WithModel([](CSimModel& m) {
        m.SetTripCodes(0x0012, 0);
        m.Logs().SetEntries(CSimLogs::ELog::System, {{0x0012, 3}});
    });
    const auto run = [&](QStringList args) {
        args << QStringLiteral("--port") << sim.SlavePath() << QStringLiteral("--tags") << tagFile;
        return RunCli(args, {}, config.path());
    };
    SRun log = run({QStringLiteral("log"), QStringLiteral("system")});
    EXPECT_EQ(log.exitCode, 0) << log.err.toStdString();
    EXPECT_EQ(log.out, QStringLiteral("entry\t18\t3\tContactor\\tstuck\\nopen\n"));

    SRun info = run({QStringLiteral("info")});
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    for (const QString& line : info.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        EXPECT_TRUE(line.startsWith(QStringLiteral("info\t"))) << line.toStdString();
        EXPECT_EQ(line.count(QLatin1Char('\t')), 1) << line.toStdString();
    }
    EXPECT_TRUE(info.out.endsWith(QStringLiteral("info\tTrip type: Contactor\\tstuck\\nopen\n")))
        << info.out.toStdString();
}

TEST_F(CliInfoLogTest, LogAndInfoTakeTheOutputFormats)
{
    sim.WithModel([](CSimModel& m) { m.Logs().SetEntries(CSimLogs::ELog::System, {{0x0002, 5}}); });
    SRun run = Run({QStringLiteral("log"), QStringLiteral("system"), QStringLiteral("--format"),
                    QStringLiteral("csv")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("entry,2,5,Battery Low\n"));

    run = Run({QStringLiteral("log"), QStringLiteral("system"), QStringLiteral("--format=json")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    const QJsonObject entry = object.value(QStringLiteral("records")).toArray().at(0).toObject();
    EXPECT_EQ(entry.value(QStringLiteral("record")).toString(), QStringLiteral("entry"));
    EXPECT_EQ(entry.value(QStringLiteral("code")).toInt(-1), 2);
    EXPECT_EQ(entry.value(QStringLiteral("trip")).toString(), QStringLiteral("Battery Low"));

    run = Run({QStringLiteral("info"), QStringLiteral("--format"), QStringLiteral("json")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonArray lines = QJsonDocument::fromJson(run.out.toUtf8())
                                 .object()
                                 .value(QStringLiteral("records"))
                                 .toArray();
    ASSERT_FALSE(lines.isEmpty()) << run.out.toStdString();
    EXPECT_TRUE(lines.at(0)
                    .toObject()
                    .value(QStringLiteral("line"))
                    .toString()
                    .contains(QStringLiteral("Tarn")));
}
