// tavrin-cli read and write, run as a process against the simulated type-10 controller.
#include "CliBackupRecord.h"
#include "CliProcess.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "ops/CBackups.h"
#include "sim/CControllerSim.h"
#include "sim/CSimTagTable.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliTransferTest : public ::testing::Test
{
protected:
    static constexpr EControllerType kType = EControllerType::TarnPlus;

    void SetUp() override
    {
        ASSERT_TRUE(tags.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
        sim.WithModel([this](CSimModel& m) {
            m = CSimModel();
            m.SetIdentity(kType);
            m.SetTripCodes(0, 0);
            SimTagTable::AddParameters(m, tags, kType);
        });
        ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString();
        ASSERT_TRUE(dir.isValid());
    }

    SRun Cli(QStringList args, const QByteArray& input = {}, bool withPort = true)
    {
        if (withPort)
            args << QStringLiteral("--port") << sim.SlavePath();
        args << QStringLiteral("--tags") << QStringLiteral(TAVRIN_BUNDLED_TAG_FILE);
        return RunCli(args, input);
    }

    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    std::vector<std::uint16_t> ApplyingTags() const
    {
        std::vector<std::uint16_t> out;
        for (const auto& tag : tags.Tags()) {
            if (tag->AppliesToType(kType))
                out.push_back(tag->tag);
        }
        return out;
    }

    // A profile of `type` with one record per tag, each holding the controller's value
    // plus `delta` (a tag the controller lacks gets value 1).
    void WriteProfile(const QString& path, EControllerType type,
                      const std::vector<std::uint16_t>& numbers, int delta)
    {
        CParameterSet set;
        set.SetDataControllerType(ControllerTypeNumber(type));
        sim.WithModel([&](CSimModel& m) {
            for (const std::uint16_t number : numbers) {
                auto record = std::make_unique<CParameter>();
                record->tagNumber = number;
                const CSimTag* tag = m.Tag(number);
                record->value = tag ? static_cast<std::uint16_t>(tag->value + delta) : 1;
                set.Append(std::move(record));
            }
        });
        ASSERT_TRUE(set.SaveFile(path).Ok());
    }

    // The first applying tags that are writable (wanted = false) or read only (true).
    std::vector<std::uint16_t> TagsReadOnly(bool wanted, std::size_t count)
    {
        std::vector<std::uint16_t> out;
        sim.WithModel([&](CSimModel& m) {
            for (const std::uint16_t number : ApplyingTags()) {
                const CSimTag* tag = m.Tag(number);
                const bool readOnly = tag->flags & LinkProtocol::kStatusReadOnly;
                // Writable ones must take value + 1 within their limits.
                if (readOnly == wanted && out.size() < count && !tag->fixed &&
                    (wanted || tag->value + tag->step <= tag->maximum) && tag->step == 1)
                    out.push_back(number);
            }
        });
        return out;
    }

    CTagFile tags;
    CControllerSim sim;
    QTemporaryDir dir;
};

} // namespace

TEST_F(CliTransferTest, ReadSavesTheWholeSetAndReportsIt)
{
    const SRun run = Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("read.prf")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::size_t applying = ApplyingTags().size();
    EXPECT_EQ(run.out, QStringLiteral("read\t%1\t10\tTarn+\n").arg(applying));
    EXPECT_TRUE(run.err.contains(QStringLiteral("Reading data from controller: 100%")))
        << run.err.toStdString();

    CParameterSet set;
    ASSERT_TRUE(set.LoadFile(Path("read.prf")).Ok());
    EXPECT_EQ(set.RecordCount(), static_cast<int>(applying));
    EXPECT_EQ(set.DataControllerType(), ControllerTypeNumber(kType));
    EXPECT_EQ(set.HeaderWord(), 0x0101);
    EXPECT_EQ(set.Parameters().front()->tagNumber, ApplyingTags().front());

    // A folder names its newest tag file.
    QStringList args = {QStringLiteral("read"), QStringLiteral("-o"), Path("again.prf")};
    QProcess process;
    process.start(QStringLiteral(TAVRIN_CLI_PATH),
                  args << QStringLiteral("--port") << sim.SlavePath() << QStringLiteral("--tags")
                       << QFileInfo(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).absolutePath());
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    EXPECT_EQ(Cli({QStringLiteral("read")}).exitCode, 1) << "no output file";
}

TEST_F(CliTransferTest, ReadWithATagUnansweredStillSavesAndExits2)
{
    const std::uint16_t silent = ApplyingTags()[5];
    auto model = std::make_shared<CSimModel>();
    sim.WithModel([&](CSimModel& m) { *model = m; });
    sim.SetResponder([model, silent](const CLinkRecord& request) -> std::optional<QByteArray> {
        if (request.word1 == silent)
            return std::nullopt;
        const auto reply = model->Answer(request);
        const LinkFrame bytes = CSimModel::EncodeReply(*reply);
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), 10);
    });
    const SRun run = Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("partial.prf")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, QStringLiteral("read\t%1\t10\tTarn+\n").arg(ApplyingTags().size() - 1));
    EXPECT_TRUE(run.err.contains(QStringLiteral("1 parameter(s) could not be read")))
        << run.err.toStdString();
    CParameterSet set;
    ASSERT_TRUE(set.LoadFile(Path("partial.prf")).Ok());
    EXPECT_EQ(set.FindParameter(silent), nullptr);
}

TEST_F(CliTransferTest, NoControllerIsReportedAtOnce)
{
    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    const SRun run = Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("none.prf")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no controller was identified")));
    EXPECT_FALSE(QFileInfo::exists(Path("none.prf")));
}

TEST_F(CliTransferTest, WriteReportsEveryRecordNotConfirmed)
{
    const std::vector<std::uint16_t> writable = TagsReadOnly(false, 2);
    const std::vector<std::uint16_t> readOnly = TagsReadOnly(true, 1);
    ASSERT_EQ(writable.size(), 2u);
    ASSERT_EQ(readOnly.size(), 1u);

    WriteProfile(Path("good.prf"), kType, writable, 1);
    SRun run = Cli({QStringLiteral("write"), Path("good.prf"), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    bool backed = false;
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("written\t2\t0\t0\n"));
    EXPECT_TRUE(backed) << run.out.toStdString();
    sim.WithModel([](CSimModel& m) { EXPECT_TRUE(m.ChecksumConsistent()); });

    // Profile order: writable, read only, unknown tag; written from the last.
    WriteProfile(Path("mixed.prf"), kType, {writable[0], readOnly[0], 0x7ABC}, 1);
    run = Cli({QStringLiteral("write"), Path("mixed.prf"), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 3);
    const QString name = QString::fromLatin1(tags.FindTag(readOnly[0], kType)->name);
    EXPECT_EQ(WithoutBackup(run.out, &backed),
              QStringLiteral("failed\t%1\t%2\t2\nwritten\t1\t1\t1\n").arg(readOnly[0]).arg(name));
    EXPECT_TRUE(run.err.contains(name + QStringLiteral(": read only"))) << run.err.toStdString();
}

TEST_F(CliTransferTest, WriteAsksUnlessToldYesAndRefusesAnotherType)
{
    const std::vector<std::uint16_t> writable = TagsReadOnly(false, 1);
    ASSERT_EQ(writable.size(), 1u);
    WriteProfile(Path("one.prf"), kType, writable, 1);

    SRun run = Cli({QStringLiteral("write"), Path("one.prf")}, "n\n");
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Do you wish to overwrite")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("Upload cancelled")));
    EXPECT_TRUE(run.out.isEmpty());

    run = Cli({QStringLiteral("write"), Path("one.prf"), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    bool backed = false;
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("written\t1\t0\t0\n"));

    run = Cli({QStringLiteral("write"), Path("one.prf")});
    EXPECT_EQ(run.exitCode, 5) << "end of input answers No";

    WriteProfile(Path("tarn.prf"), EControllerType::Tarn, writable, 1);
    sim.ClearRequests();
    run = Cli({QStringLiteral("write"), Path("tarn.prf"), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains(QStringLiteral(
        "Data is from Tarn controller.\nConnected controller is Tarn+.\nCannot upload the data.")))
        << run.err.toStdString();
    for (const CSimRequest& request : sim.Requests())
        EXPECT_NE(request.Record().control, LinkProtocol::kControlWrite) << "nothing written";
}

TEST_F(CliTransferTest, EveryWriteWithoutABackupsFolderSendsNothingAndExits7)
{
    const std::vector<std::uint16_t> writable = TagsReadOnly(false, 2);
    ASSERT_EQ(writable.size(), 2u);
    WriteProfile(Path("changed.prf"), kType, writable, 1);
    std::map<std::uint16_t, std::uint16_t> values;
    sim.WithModel([&](CSimModel& m) {
        for (const std::uint16_t tag : writable)
            values[tag] = m.Tag(tag)->value;
    });
    // A file where the backups folder belongs: no backup can be saved (and, unlike a
    // read-only folder, that holds for root too).
    ASSERT_TRUE(QDir().mkpath(CBackups::DataFolder()));
    QDir(CBackups::Folder()).removeRecursively(); // the backups of the tests before
    QFile blocker(CBackups::Folder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const QString folder = QDir::toNativeSeparators(CBackups::Folder());
    const QString yes = QStringLiteral("--yes");
    const QList<QStringList> commands = {
        {QStringLiteral("write"), Path("changed.prf"), yes},
        {QStringLiteral("write"), Path("changed.prf"), QStringLiteral("--changed-only"), yes},
        {QStringLiteral("set"), QString::number(writable[0]),
         QString::number(values[writable[0]] + 1)},
        {QStringLiteral("apply"), Path("changed.prf"), QStringLiteral("--ports"), sim.SlavePath(),
         yes},
    };
    for (const QStringList& command : commands) {
        sim.ClearRequests();
        const SRun run = Cli(command, {}, command[0] != QLatin1String("apply"));
        EXPECT_EQ(run.exitCode, 7) << command.join(' ').toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(folder)) << run.err.toStdString();
        for (const CSimRequest& request : sim.Requests())
            EXPECT_NE(request.Record().control, LinkProtocol::kControlWrite)
                << command.join(' ').toStdString();
    }
    sim.WithModel([&](CSimModel& m) {
        for (const std::uint16_t tag : writable)
            EXPECT_EQ(m.Tag(tag)->value, values[tag]) << tag;
    });
    EXPECT_TRUE(QFile::remove(CBackups::Folder()));
}

TEST_F(CliTransferTest, ReadRefusesAnOutputItCannotWriteBeforeAsking)
{
    sim.ClearRequests();
    const SRun run =
        Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("missing/folder/set.prf")});
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_TRUE(run.err.contains(Path("missing/folder/set.prf"))) << run.err.toStdString();
    EXPECT_TRUE(sim.Requests().empty()) << "the controller is not read";
}

TEST_F(CliTransferTest, ShowPrintsTheProfileAsTheListViewDoes)
{
    // 0x011C is shown with one decimal and the word "secs".
    sim.WithModel([](CSimModel& m) {
        CSimTag tag = *m.Tag(0x011C);
        tag.value = 39;
        m.SetTag(0x011C, tag);
        m.ResetChecksum();
    });
    ASSERT_EQ(Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("set.prf")}).exitCode, 0);
    SRun run = Cli({QStringLiteral("show"), Path("set.prf")}, {}, false);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), qsizetype(ApplyingTags().size()) + 1);
    EXPECT_EQ(lines[0], QStringLiteral("profile\t0x0101\t%1\t10\tTarn+").arg(lines.size() - 1));
    const QStringList brush = lines.filter(QRegularExpression(QStringLiteral("^param\t284\t")));
    ASSERT_EQ(brush.size(), 1);
    // tag, name, value, minimum and maximum texts as the list view shows them, raw value, flags
    EXPECT_EQ(brush[0].section(u'\t', 0, 3),
              QStringLiteral("param\t284\tBrush Run-on Time\t3.9 secs"));
    const QStringList fields = brush[0].split(u'\t');
    ASSERT_EQ(fields.size(), 8) << brush[0].toStdString();
    EXPECT_TRUE(fields[4].endsWith(QStringLiteral(" secs"))) << fields[4].toStdString();
    EXPECT_TRUE(fields[5].endsWith(QStringLiteral(" secs"))) << fields[5].toStdString();
    EXPECT_EQ(fields[6], QStringLiteral("39"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^0x[0-9A-F]{2}$")).match(fields[7]).hasMatch())
        << fields[7].toStdString();

    // A tag the tag file lacks has no name; its value text follows the record alone (a
    // divisor of 0 displays as 0).
    WriteProfile(Path("unknown.prf"), kType, {0x7ABC}, 0);
    run = Cli({QStringLiteral("show"), Path("unknown.prf")}, {}, false);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
              QStringLiteral("profile\t0x0101\t1\t10\tTarn+\nparam\t31420\t\t0\t0\t0\t1\t0x00\n"));

    // A file that cannot be read names itself and what is wrong.
    QFile truncated(Path("short.prf"));
    ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
    truncated.write("\x01\x01\x05\x00", 4);
    truncated.close();
    for (const char* name : {"short.prf", "absent.prf"}) {
        run = Cli({QStringLiteral("show"), Path(name)}, {}, false);
        EXPECT_EQ(run.exitCode, 7) << name;
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(Path(name) + QStringLiteral(": "))) << run.err.toStdString();
    }
}
