// tavrin-cli get and set naming a parameter by its tag-file name.
#include "CliProcess.h"
#include "data/CTagFile.h"
#include "sim/CControllerSim.h"
#include "sim/CSimTagTable.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(CliNameTest, GetAndSetFindAParameterByAPrefixAndRefuseAnAmbiguousOne)
{
    // A Tarn+ with the bundled tag file's parameters.
    CTagFile tags;
    ASSERT_TRUE(tags.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
    CControllerSim sim;
    sim.WithModel([&](CSimModel& m) {
        m = CSimModel();
        m.SetIdentity(EControllerType::TarnPlus);
        m.SetTripCodes(0, 0);
        SimTagTable::AddParameters(m, tags, EControllerType::TarnPlus);
    });
    ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString();
    QTemporaryDir config;
    const auto run = [&](QStringList args) {
        args << QStringLiteral("--port") << sim.SlavePath() << QStringLiteral("--tags")
             << QStringLiteral(TAVRIN_BUNDLED_TAG_FILE);
        return RunCli(args, {}, config.path());
    };

    // "max rev" begins one name only, whatever its case.
    SRun set = run({QStringLiteral("set"), QStringLiteral("max rev"), QStringLiteral("--display"),
                    QStringLiteral("30")});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_TRUE(set.out.startsWith(QStringLiteral("set\t0\t"))) << set.out.toStdString();
    sim.WithModel([](CSimModel& m) { EXPECT_EQ(m.Tag(0x103)->value, 30); });

    const SRun get = run({QStringLiteral("get"), QStringLiteral("Max Reverse Speed")});
    ASSERT_EQ(get.exitCode, 0) << get.err.toStdString();
    const QStringList fields = get.out.trimmed().split(QLatin1Char('\t'));
    ASSERT_EQ(fields.size(), 14) << get.out.toStdString();
    EXPECT_EQ(fields.at(1), QStringLiteral("259"));
    EXPECT_EQ(fields.at(2), QStringLiteral("30"));
    EXPECT_EQ(fields.at(12), QStringLiteral("Max Reverse Speed"));
    EXPECT_EQ(fields.at(13), QStringLiteral("30 %"));

    // "max" begins several names: refused with the candidates, nothing written.
    sim.ClearRequests();
    const SRun ambiguous =
        run({QStringLiteral("set"), QStringLiteral("max"), QStringLiteral("10")});
    EXPECT_EQ(ambiguous.exitCode, 1);
    EXPECT_TRUE(ambiguous.err.contains(QStringLiteral("0x0102 Max Forward Speed")))
        << ambiguous.err.toStdString();
    for (const CSimRequest& request : sim.Requests())
        EXPECT_NE(request.Record().word1, 0x103) << "no exchange about the parameter";
    EXPECT_EQ(run({QStringLiteral("get"), QStringLiteral("no such name")}).exitCode, 1);
}
