// tavrin-cli read and write, run as a process against the simulated type-10 controller.
#include "CliBackupRecord.h"
#include "CliProcess.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "ops/params/CSetExport.h"
#include "sim/CControllerSim.h"
#include "sim/CSimTagTable.h"
#include "store/CBackups.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <set>

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

TEST_F(CliTransferTest, AReadNotWholeLeavesTheOldFileAndStopsOnASilentController)
{
    const std::vector<std::uint16_t> applying = ApplyingTags();
    ASSERT_GT(applying.size(), 40u);
    const QByteArray old = "the profile saved yesterday";
    const auto writeOld = [&] {
        QFile file(Path("set.prf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(old);
    };
    const auto readOld = [&] {
        QFile file(Path("set.prf"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const auto name = [&](std::uint16_t tag) {
        return QString::fromLatin1(tags.FindTag(tag, kType)->name);
    };
    auto model = std::make_shared<CSimModel>();
    sim.WithModel([&](CSimModel& m) { *model = m; });
    // What the simulator answers, and the tags asked once it went silent.
    struct SLine
    {
        std::mutex mutex;
        std::uint16_t silentTag = 0; // this one tag never answers
        std::uint16_t goneFrom = 0;  // from this tag on nothing answers
        bool gone = false;
        std::set<std::uint16_t> askedWhileGone;
    };
    auto line = std::make_shared<SLine>();
    sim.SetResponder([model, line](const CLinkRecord& request) -> std::optional<QByteArray> {
        const std::lock_guard lock(line->mutex);
        line->gone = line->gone || (line->goneFrom != 0 && request.word1 == line->goneFrom);
        if (line->gone)
            line->askedWhileGone.insert(request.word1);
        if (line->gone || request.word1 == line->silentTag)
            return std::nullopt;
        const LinkFrame bytes = CSimModel::EncodeReply(*model->Answer(request));
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), 10);
    });

    // One tag without reply: the set is not whole, so OUT keeps what it held.
    writeOld();
    line->silentTag = applying[5];
    SRun run = Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("set.prf")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_EQ(readOld(), old);
    EXPECT_TRUE(run.err.contains(QStringLiteral("0x%1 %2: no reply")
                                     .arg(applying[5], 4, 16, QLatin1Char('0'))
                                     .arg(name(applying[5]))))
        << run.err.toStdString();

    // The controller goes silent after 32 tags: three more are asked, the rest are not.
    line->silentTag = 0;
    line->goneFrom = applying[32];
    run = Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("set.prf")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(readOld(), old);
    {
        const std::lock_guard lock(line->mutex);
        EXPECT_EQ(line->askedWhileGone,
                  (std::set<std::uint16_t>{applying[32], applying[33], applying[34]}));
    }
    const qsizetype notRead = run.err.count(QStringLiteral("not read (the controller stopped"));
    EXPECT_EQ(notRead, qsizetype(applying.size()) - 35) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("0x%1 %2: not read")
                                     .arg(applying.back(), 4, 16, QLatin1Char('0'))
                                     .arg(name(applying.back()))));
}

TEST_F(CliTransferTest, AnUnidentifiedControllerIsNeverReadIntoAFile)
{
    sim.WithModel([](CSimModel& m) {
        m.SetTag(8,
                 {.value = 10,
                  .flags = LinkProtocol::kStatusSupported | LinkProtocol::kStatusTempUnavailable});
    });
    const SRun run = Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("unknown.prf")});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains(QStringLiteral("temporarily unavailable")))
        << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path("unknown.prf")));
    // Identified once: the command's identification is the read's.
    int identifications = 0;
    for (const CSimRequest& request : sim.Requests())
        identifications += request.Record().word1 == 8;
    EXPECT_EQ(identifications, 1);
}

TEST_F(CliTransferTest, NoControllerIsReportedAtOnce)
{
    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    const SRun run = Cli({QStringLiteral("read"), QStringLiteral("-o"), Path("none.prf")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no controller answered the identification")));
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
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("written\t2\t0\t0\t0\t0\t0\n"));
    EXPECT_TRUE(backed) << run.out.toStdString();
    sim.WithModel([](CSimModel& m) { EXPECT_TRUE(m.ChecksumConsistent()); });

    // Profile order: writable, read only, unknown tag; written from the last.
    WriteProfile(Path("mixed.prf"), kType, {writable[0], readOnly[0], 0x7ABC}, 1);
    run = Cli({QStringLiteral("write"), Path("mixed.prf"), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 3);
    const QString name = QString::fromLatin1(tags.FindTag(readOnly[0], kType)->name);
    EXPECT_EQ(WithoutBackup(run.out, &backed),
              QStringLiteral("failed\t%1\t%2\t2\nwritten\t1\t1\t1\t0\t0\t0\n")
                  .arg(readOnly[0])
                  .arg(name));
    EXPECT_TRUE(run.err.contains(name + QStringLiteral(": read only"))) << run.err.toStdString();
}

TEST_F(CliTransferTest, AWriteCutShortCountsItsUnsentRecordsInEveryFormat)
{
    const std::vector<std::uint16_t> writable = TagsReadOnly(false, 10);
    ASSERT_EQ(writable.size(), 10u);
    WriteProfile(Path("ten.prf"), kType, writable, 1);
    // Written last first: three confirmed, then the controller goes silent at writable[6];
    // three records get no reply and the last four are never sent.
    auto model = std::make_shared<CSimModel>();
    auto gone = std::make_shared<std::atomic<bool>>(false);
    const std::uint16_t from = writable[6];
    const auto answerUntilGone = [this, model, gone, from] {
        sim.WithModel([&](CSimModel& m) { *model = m; });
        *gone = false;
        sim.SetResponder([model, gone, from](const CLinkRecord& r) -> std::optional<QByteArray> {
            if (r.word1 == from)
                *gone = true;
            if (*gone)
                return std::nullopt;
            const LinkFrame bytes = CSimModel::EncodeReply(*model->Answer(r));
            return QByteArray(reinterpret_cast<const char*>(bytes.data()), 10);
        });
    };

    answerUntilGone();
    SRun run = Cli({QStringLiteral("write"), Path("ten.prf"), QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.contains(QStringLiteral("\nwritten\t3\t3\t0\t0\t0\t4\n")))
        << run.out.toStdString();

    answerUntilGone();
    run = Cli({QStringLiteral("write"), Path("ten.prf"), QStringLiteral("--yes"),
               QStringLiteral("--format"), QStringLiteral("csv")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.contains(QStringLiteral("\nwritten,3,3,0,0,0,4\n")))
        << run.out.toStdString();

    answerUntilGone();
    run = Cli({QStringLiteral("write"), Path("ten.prf"), QStringLiteral("--yes"),
               QStringLiteral("--format"), QStringLiteral("json")});
    EXPECT_EQ(run.exitCode, 2);
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QJsonObject written;
    for (const QJsonValue record : root.value(QStringLiteral("records")).toArray()) {
        if (record[QStringLiteral("record")] == QStringLiteral("written"))
            written = record.toObject();
    }
    EXPECT_EQ(written, (QJsonObject{{QStringLiteral("record"), QStringLiteral("written")},
                                    {QStringLiteral("confirmed"), 3},
                                    {QStringLiteral("failed"), 3},
                                    {QStringLiteral("skipped"), 0},
                                    {QStringLiteral("unchanged"), 0},
                                    {QStringLiteral("kept"), 0},
                                    {QStringLiteral("not_sent"), 4}}))
        << run.out.toStdString();
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
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("written\t1\t0\t0\t0\t0\t0\n"));

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

TEST_F(CliTransferTest, AClientKilledDuringAReadLeavesThePortForTheNextCommand)
{
    // Slow replies keep the read going long enough to be killed part way.
    CSimFaults faults;
    faults.delayMs = 3;
    sim.SetFaults(faults);
    for (const int signal : {SIGKILL, SIGTERM}) {
        QProcess child;
        child.setReadChannel(QProcess::StandardError);
        child.start(QStringLiteral(TAVRIN_CLI_PATH),
                    {QStringLiteral("read"), QStringLiteral("-o"), Path("killed.prf"),
                     QStringLiteral("--port"), sim.SlavePath(), QStringLiteral("--tags"),
                     QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)});
        // Killed once the read is under way: its first tenth is done.
        QByteArray seen;
        while (!seen.contains(": 10%") && child.waitForReadyRead(30000))
            seen += child.readAll();
        ASSERT_TRUE(seen.contains(": 10%")) << seen.toStdString();
        ASSERT_EQ(::kill(pid_t(child.processId()), signal), 0);
        ASSERT_TRUE(child.waitForFinished(30000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << signal;
        EXPECT_FALSE(QFileInfo::exists(Path("killed.prf")));

        const SRun next =
            RunCli({QStringLiteral("identify"), QStringLiteral("--port"), sim.SlavePath()});
        EXPECT_EQ(next.exitCode, 0) << "after signal " << signal << ": " << next.err.toStdString();
        EXPECT_EQ(next.out, QStringLiteral("type\t10\tTarn+\n"));
    }
}

TEST_F(CliTransferTest, ExportWritesTheApplicationsCsvOrJsonWholeOrNotAtAll)
{
    WriteProfile(Path("set.prf"), kType, TagsReadOnly(false, 5), 0);
    CParameterSet set;
    ASSERT_TRUE(set.LoadFile(Path("set.prf")).Ok());
    const std::vector<SExportRecord> records = CSetExport::Records(set, tags);
    ASSERT_EQ(records.size(), 5u);
    const auto contents = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    SRun run =
        Cli({QStringLiteral("export"), Path("set.prf"), QStringLiteral("-o"), Path("set.csv")}, {},
            false);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("exported\t5\t%1\n").arg(Path("set.csv")));
    EXPECT_EQ(contents(Path("set.csv")), CSetExport::Csv(records));
    run = Cli({QStringLiteral("export"), Path("set.prf"), QStringLiteral("--format"),
               QStringLiteral("json"), QStringLiteral("-o"), Path("set.txt")},
              {}, false);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(contents(Path("set.txt")), CSetExport::Json(set.DataControllerType(), records));

    // A profile that cannot be read leaves an old OUT as it was; so does a folder that
    // cannot be written, and an unknown format is a usage error.
    QFile bad(Path("bad.prf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a profile");
    bad.close();
    run = Cli({QStringLiteral("export"), Path("bad.prf"), QStringLiteral("-o"), Path("set.csv")},
              {}, false);
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_EQ(contents(Path("set.csv")), CSetExport::Csv(records));
    run = Cli({QStringLiteral("export"), Path("set.prf"), QStringLiteral("-o"),
               Path("no/such/folder/set.csv")},
              {}, false);
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_TRUE(run.err.contains(QStringLiteral("no/such/folder"))) << run.err.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("export"), Path("set.prf"), QStringLiteral("--format"),
                   QStringLiteral("xml"), QStringLiteral("-o"), Path("x")},
                  {}, false)
                  .exitCode,
              1);
}
