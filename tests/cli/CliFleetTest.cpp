// tavrin-cli diff, write --changed-only / --keep and apply, run as processes against
// simulated controllers.
#include "CliProcess.h"
#include "common/CTempDataHome.h"
#include "data/CCodePage.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "sim/CControllerSim.h"
#include "sim/CSimTagTable.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

constexpr EControllerType kType = EControllerType::TarnPlus;

class CliFleetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tags.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
        ASSERT_TRUE(dir.isValid());
    }

    void StartSim(CControllerSim& sim, EControllerType type)
    {
        sim.WithModel([&](CSimModel& m) {
            m = CSimModel();
            m.SetIdentity(type);
            m.SetTripCodes(0, 0);
            SimTagTable::AddParameters(m, tags, type);
        });
        ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString();
    }

    SRun Cli(QStringList args)
    {
        args << QStringLiteral("--tags") << QStringLiteral(TAVRIN_BUNDLED_TAG_FILE);
        return RunCli(args);
    }

    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // The first `count` writable tags that can take their value + 1.
    std::vector<std::uint16_t> Writable(CControllerSim& sim, std::size_t count)
    {
        std::vector<std::uint16_t> out;
        sim.WithModel([&](CSimModel& m) {
            for (const auto& tag : tags.Tags()) {
                const CSimTag* t = tag->AppliesToType(kType) ? m.Tag(tag->tag) : nullptr;
                if (t && out.size() < count && !t->fixed && t->step == 1 &&
                    !(t->flags & LinkProtocol::kStatusReadOnly) && t->value + 1 <= t->maximum)
                    out.push_back(tag->tag);
            }
        });
        return out;
    }

    // A type-10 profile of every parameter `sim` holds, with its value, plus 1 for `changed`.
    void SaveProfile(const QString& path, CControllerSim& sim,
                     const std::vector<std::uint16_t>& changed)
    {
        CParameterSet set;
        set.SetDataControllerType(ControllerTypeNumber(kType));
        std::set<std::uint16_t> seen;
        sim.WithModel([&](CSimModel& m) {
            for (const auto& tag : tags.Tags()) {
                const CSimTag* t = tag->AppliesToType(kType) ? m.Tag(tag->tag) : nullptr;
                if (!t || t->fixed || !seen.insert(tag->tag).second)
                    continue;
                auto record = std::make_unique<CParameter>();
                record->tagNumber = tag->tag;
                const bool change =
                    std::find(changed.begin(), changed.end(), tag->tag) != changed.end();
                record->value = std::uint16_t(t->value + (change ? 1 : 0));
                set.Append(std::move(record));
            }
        });
        ASSERT_TRUE(set.SaveFile(path).Ok());
    }

    static std::set<std::uint16_t> WrittenTags(const CControllerSim& sim)
    {
        std::set<std::uint16_t> out;
        for (const CSimRequest& request : sim.Requests()) {
            if (request.Record().control == LinkProtocol::kControlWrite)
                out.insert(request.Record().word1);
        }
        return out;
    }

    std::uint16_t Value(CControllerSim& sim, std::uint16_t tag)
    {
        std::uint16_t value = 0;
        sim.WithModel([&](CSimModel& m) { value = m.Tag(tag)->value; });
        return value;
    }

    QString Name(std::uint16_t tag) const
    {
        return CCodePage::ToUnicode(tags.FindTag(tag, kType)->name);
    }

    CTempDataHome dataHome;
    CTagFile tags;
    QTemporaryDir dir;
};

} // namespace

TEST_F(CliFleetTest, DiffReportsTheOneChangedValueAndFollowsDiffExitCodes)
{
    CControllerSim sim;
    StartSim(sim, kType);
    SaveProfile(Path("a.prf"), sim, {});
    const std::uint16_t changed = Writable(sim, 1).at(0);
    ASSERT_EQ(RunCli({QStringLiteral("set"), QString::number(changed),
                      QString::number(Value(sim, changed) + 1), QStringLiteral("--port"),
                      sim.SlavePath()})
                  .exitCode,
              0);

    sim.ClearRequests();
    SRun run =
        Cli({QStringLiteral("diff"), Path("a.prf"), QStringLiteral("--port"), sim.SlavePath()});
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_TRUE(
        lines[0].startsWith(QStringLiteral("differ\t%1\t%2\t").arg(changed).arg(Name(changed))))
        << lines[0].toStdString();
    int records = 0;
    CParameterSet a;
    ASSERT_TRUE(a.LoadFile(Path("a.prf")).Ok());
    records = a.RecordCount();
    EXPECT_EQ(lines[1], QStringLiteral("diff\t1\t%1\t0\t0").arg(records - 1));
    // Values only: one exchange a record, not the seven of a full read.
    EXPECT_LT(sim.RequestCount(), std::size_t(2 * records)) << sim.RequestCount();

    // The changed parameter kept as a per-unit value: no longer a difference.
    run = Cli({QStringLiteral("diff"), Path("a.prf"), QStringLiteral("--port"), sim.SlavePath(),
               QStringLiteral("--keep"), Name(changed).toLower()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("kept\t%1\t").arg(changed)))
        << run.out.toStdString();

    // Two identical profiles; a missing one is trouble.
    EXPECT_EQ(Cli({QStringLiteral("diff"), Path("a.prf"), Path("a.prf")}).exitCode, 0);
    EXPECT_EQ(Cli({QStringLiteral("diff"), Path("a.prf"), Path("missing.prf")}).exitCode, 2);

    // Profiles of two controller types are not compared, and an unknown format is trouble
    // too: 2, never 1 ("different").
    CParameterSet other;
    ASSERT_TRUE(other.LoadFile(Path("a.prf")).Ok());
    other.SetDataControllerType(ControllerTypeNumber(EControllerType::Tarn));
    ASSERT_TRUE(other.SaveFile(Path("tarn.prf")).Ok());
    run = Cli({QStringLiteral("diff"), Path("a.prf"), Path("tarn.prf")});
    EXPECT_EQ(run.exitCode, 2) << run.out.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("diff"), Path("a.prf"), Path("a.prf"), QStringLiteral("--format"),
                   QStringLiteral("xml")})
                  .exitCode,
              2);
}

TEST_F(CliFleetTest, WriteChangedOnlySendsOnlyTheDifferingRecordsAndSparesKeptOnes)
{
    CControllerSim sim;
    StartSim(sim, kType);
    const std::vector<std::uint16_t> changed = Writable(sim, 3);
    ASSERT_EQ(changed.size(), 3u);
    SaveProfile(Path("p.prf"), sim, changed);
    CParameterSet profile;
    ASSERT_TRUE(profile.LoadFile(Path("p.prf")).Ok());
    const std::uint16_t kept = changed[1];
    const std::uint16_t keptValue = Value(sim, kept);

    sim.ClearRequests();
    const SRun run = Cli({QStringLiteral("write"), Path("p.prf"), QStringLiteral("--changed-only"),
                          QStringLiteral("--keep"), Name(kept), QStringLiteral("--yes"),
                          QStringLiteral("--port"), sim.SlavePath()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(WrittenTags(sim), (std::set<std::uint16_t>{changed[0], changed[2]}));
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_EQ(lines[0],
              QStringLiteral("written\t2\t0\t0\t%1\t1\t0").arg(profile.RecordCount() - 3));
    ASSERT_TRUE(lines[1].startsWith(QStringLiteral("backup\t"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].mid(7).startsWith(dataHome.Path())) << lines[1].toStdString();

    EXPECT_EQ(Value(sim, changed[0]), profile.FindParameter(changed[0])->value);
    EXPECT_EQ(Value(sim, kept), keptValue);

    // A name that is not there is refused before anything is sent.
    sim.ClearRequests();
    const SRun bad = Cli({QStringLiteral("write"), Path("p.prf"), QStringLiteral("--keep"),
                          QStringLiteral("no such parameter"), QStringLiteral("--yes"),
                          QStringLiteral("--port"), sim.SlavePath()});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(CliFleetTest, ApplyProgramsEachPortOnItsOwnAndReportsEveryUnit)
{
    CControllerSim good;
    CControllerSim other;
    CControllerSim silent;
    StartSim(good, kType);
    StartSim(other, EControllerType::Tarn);
    StartSim(silent, kType);
    CSimFaults faults;
    faults.silent = true;
    silent.SetFaults(faults);
    const std::vector<std::uint16_t> changed = Writable(good, 4);
    SaveProfile(Path("p.prf"), good, changed);
    CParameterSet profile;
    ASSERT_TRUE(profile.LoadFile(Path("p.prf")).Ok());
    const QString ports =
        QStringList{good.SlavePath(), other.SlavePath(), silent.SlavePath()}.join(QLatin1Char(','));

    // Asked once, before any port is opened; without a terminal the answer is No.
    SRun run = Cli({QStringLiteral("apply"), Path("p.prf"), QStringLiteral("--ports"), ports});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_EQ(good.RequestCount() + other.RequestCount() + silent.RequestCount(), 0u);

    const std::uint16_t kept = changed[0];
    const std::uint16_t keptValue = Value(good, kept);
    run = Cli({QStringLiteral("apply"), Path("p.prf"), QStringLiteral("--ports"), ports,
               QStringLiteral("--keep"), QString::number(kept), QStringLiteral("--report"),
               Path("r.csv"), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();

    std::map<QString, QStringList> byDevice;
    for (const QString& line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), 12) << line.toStdString();
        EXPECT_EQ(fields[0], QStringLiteral("port"));
        byDevice[fields[1]] = fields;
    }
    ASSERT_EQ(byDevice.size(), 3u) << run.out.toStdString();
    const QStringList& ok = byDevice[good.SlavePath()];
    EXPECT_EQ(ok.mid(2, 2), (QStringList{QStringLiteral("10"), QStringLiteral("ok")}));
    EXPECT_EQ(ok[4].toInt(), profile.RecordCount() - 1) << "every record but the kept one";
    // failed, skipped, unchanged, kept, not sent; the backup; no reason.
    EXPECT_EQ(ok.mid(5, 5),
              (QStringList{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                           QStringLiteral("1"), QStringLiteral("0")}));
    EXPECT_TRUE(QFileInfo::exists(ok[10])) << ok[10].toStdString();
    EXPECT_EQ(ok[11], QString());
    EXPECT_EQ(byDevice[other.SlavePath()][3], QStringLiteral("type-mismatch"));
    EXPECT_FALSE(byDevice[other.SlavePath()][11].isEmpty());
    EXPECT_EQ(byDevice[silent.SlavePath()][3], QStringLiteral("no-controller"));
    EXPECT_EQ(byDevice[silent.SlavePath()][11], QStringLiteral("no controller answered"));

    EXPECT_TRUE(WrittenTags(other).empty()) << "nothing written to another type";
    for (const auto& record : profile.Parameters()) {
        if (record->tagNumber != kept) {
            EXPECT_EQ(Value(good, record->tagNumber), record->value) << record->tagNumber;
        }
    }
    EXPECT_EQ(Value(good, kept), keptValue);

    QFile report(Path("r.csv"));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = report.readAll().split('\n');
    ASSERT_EQ(rows.size(), 5) << "header, three units, the empty rest after the last CRLF";
    EXPECT_TRUE(rows[0].startsWith("device,type,type name,result,"));
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(rows[i].endsWith('\r'));
    EXPECT_TRUE(rows[1].startsWith(good.SlavePath().toUtf8() + ",10,Tarn+,ok,"));

    // In JSON a unit without a type has "type": null, and its reason is there too.
    run =
        Cli({QStringLiteral("apply"), Path("p.prf"), QStringLiteral("--ports"), silent.SlavePath(),
             QStringLiteral("--yes"), QStringLiteral("--format"), QStringLiteral("json")});
    EXPECT_EQ(run.exitCode, 3);
    const QJsonObject port =
        QJsonDocument::fromJson(run.out.toUtf8()).object()[QStringLiteral("records")][0].toObject();
    EXPECT_TRUE(port[QStringLiteral("type")].isNull()) << run.out.toStdString();
    EXPECT_EQ(port[QStringLiteral("result")], QStringLiteral("no-controller"));
    EXPECT_EQ(port[QStringLiteral("not_sent")], 0);
    EXPECT_EQ(port[QStringLiteral("reason")], QStringLiteral("no controller answered"));
}
