// The tag-file update check against a real FTP server (pyftpdlib) on 127.0.0.1.
#include "cli/CliProcess.h"
#include "common/CScriptedPrompt.h"
#include "update/CTagFileUpdate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using EResult = CTagFileUpdate::EResult;
using EAnswer = IUserPrompt::EAnswer;
using EIcon = IUserPrompt::EIcon;

const QString kFolder = QString::fromLatin1(SUpdateServer::kDefaultFolder);

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString Question(const QString& name)
{
    return QStringLiteral("A more recent data file (%1) is available. Do you wish to install it?")
        .arg(name);
}

// A pyftpdlib server serving a temporary root that holds the update folder, with the
// update account. Stopped (by its own process id) when the object goes.
class CFtpServer
{
public:
    explicit CFtpServer(const QStringList& options = {})
    {
        EXPECT_TRUE(m_root.isValid());
        EXPECT_TRUE(QDir(m_root.path()).mkpath(kFolder.mid(1)));
        m_process.setProgram(QStringLiteral("/usr/bin/python3"));
        m_process.setArguments(QStringList{QStringLiteral(TAVRIN_FTP_SERVER_SCRIPT),
                                           QStringLiteral("--root"), m_root.path()} +
                               options);
        m_process.start();
        // The script prints "port N" once it listens.
        QByteArray line;
        while (!line.contains('\n') && m_process.waitForReadyRead(10000))
            line += m_process.readAllStandardOutput();
        const QList<QByteArray> words = line.trimmed().split(' ');
        EXPECT_EQ(words.size(), 2)
            << line.toStdString() << m_process.readAllStandardError().toStdString();
        if (words.size() == 2)
            m_port = words[1].toInt();
        EXPECT_GT(m_port, 0);
    }
    ~CFtpServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    // A path in the served update folder (or, with `relative` "../X", beside it).
    QString Remote(const QString& relative) const
    {
        return QDir(m_root.path() + kFolder).filePath(relative);
    }
    SUpdateServer Server() const
    {
        SUpdateServer server;
        server.url = QStringLiteral("ftp://127.0.0.1:%1/").arg(m_port);
        return server;
    }

private:
    QTemporaryDir m_root;
    QProcess m_process;
    int m_port = 0;
};

// A local tag folder inside a temporary parent, so writes beside it can be seen.
class TagFileUpdateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_parent.isValid());
        ASSERT_TRUE(QDir(m_parent.path()).mkdir(QStringLiteral("tags")));
        m_valid = ReadAll(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE));
        ASSERT_FALSE(m_valid.isEmpty());
        WriteAll(Local(QStringLiteral("TagList0001.tag")), m_valid);
    }
    QString TagDir() const { return QDir(m_parent.path()).filePath(QStringLiteral("tags")); }
    QString Local(const QString& name) const { return QDir(TagDir()).filePath(name); }
    QStringList LocalNames() const
    {
        return QDir(TagDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir m_parent;
    QByteArray m_valid;
};

TEST_F(TagFileUpdateTest, InstallsTheHighestVersionByteForByte)
{
    CFtpServer ftp;
    WriteAll(ftp.Remote(QStringLiteral("TagList0009.tag")), m_valid);
    // The newer file differs from the older one in its first word, the tag count, which
    // keeps it valid.
    QByteArray newer = m_valid;
    newer[0] = static_cast<char>(newer[0] ^ 0x01);
    WriteAll(ftp.Remote(QStringLiteral("TagList0010.tag")), newer);

    CScriptedPrompt prompt;
    prompt.ExpectQuestion(Question(QStringLiteral("TagList0010.tag")), EAnswer::Yes)
        .ExpectMessage(QStringLiteral("Tag file has been updated to TagList0010.tag"),
                       EIcon::Information);
    CTagFileUpdate update(ftp.Server(), prompt);
    ASSERT_EQ(update.Run(TagDir()), EResult::Installed) << update.Cause().toStdString();

    EXPECT_EQ(update.RemoteName(), QStringLiteral("TagList0010.tag"));
    EXPECT_EQ(update.LocalName(), QStringLiteral("TagList0001.tag"));
    EXPECT_EQ(update.InstalledPath(),
              QDir::toNativeSeparators(Local(QStringLiteral("TagList0010.tag"))));
    EXPECT_EQ(ReadAll(Local(QStringLiteral("TagList0010.tag"))),
              ReadAll(ftp.Remote(QStringLiteral("TagList0010.tag"))));
    // Not the temporary file's owner-only permissions.
    EXPECT_TRUE(QFileInfo(update.InstalledPath()).permissions() & QFileDevice::ReadOther);
    // No temporary file is left behind.
    EXPECT_EQ(LocalNames(),
              (QStringList{QStringLiteral("TagList0001.tag"), QStringLiteral("TagList0010.tag")}));
}

TEST_F(TagFileUpdateTest, SameVersionIsTheLatestEvenWhenPassiveModeIsRefused)
{
    CFtpServer ftp({QStringLiteral("--no-passive")});
    WriteAll(ftp.Remote(QStringLiteral("TagList0001.tag")), m_valid);

    CScriptedPrompt prompt;
    prompt.ExpectMessage(
        QStringLiteral("No newer version is available - you have the latest version."),
        EIcon::Information);
    CTagFileUpdate update(ftp.Server(), prompt);
    EXPECT_EQ(update.Run(TagDir()), EResult::Latest) << update.Cause().toStdString();
    EXPECT_EQ(update.RemoteName(), QStringLiteral("TagList0001.tag"));
}

TEST_F(TagFileUpdateTest, CorruptDownloadIsRefusedAndLeavesTheOldFileAlone)
{
    CFtpServer ftp;
    WriteAll(ftp.Remote(QStringLiteral("TagList0002.tag")), m_valid.left(m_valid.size() / 2));

    CScriptedPrompt prompt;
    prompt.ExpectQuestion(Question(QStringLiteral("TagList0002.tag")), EAnswer::Yes)
        .ExpectMessageContaining(QStringLiteral("Unable to download file\n"));
    CTagFileUpdate update(ftp.Server(), prompt);
    EXPECT_EQ(update.Run(TagDir()), EResult::InvalidFile);

    EXPECT_TRUE(update.Cause().contains(QStringLiteral("TagList0002.tag")))
        << update.Cause().toStdString();
    EXPECT_TRUE(update.InstalledPath().isEmpty());
    EXPECT_EQ(LocalNames(), QStringList{QStringLiteral("TagList0001.tag")});
    EXPECT_EQ(ReadAll(Local(QStringLiteral("TagList0001.tag"))), m_valid);
}

// Files the loader alone once took: each would have become the tag file in use and left
// every record without a name.
TEST_F(TagFileUpdateTest, GarbageIsRefusedAndTheOldFileKept)
{
    CFtpServer ftp;
    QByteArray noise(5 * 1024, '\0');
    std::uint32_t seed = 12345;
    for (char& byte : noise) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<char>(seed >> 24);
    }
    const QString remote = ftp.Remote(QStringLiteral("TagList0002.tag"));
    const struct
    {
        const char* what;
        QByteArray bytes;
        qint64 size; // a sparse file of zeros when the bytes are empty
    } cases[] = {
        {"empty tag file", QByteArray(8, '\0'), 0},
        {"100 zero bytes", QByteArray(100, '\0'), 0},
        {"valid file and 5 KB of noise", m_valid + noise, 0},
        {"100 MB of zeros", QByteArray(), 100 * 1024 * 1024},
    };
    for (const auto& c : cases) {
        QFile::remove(remote);
        WriteAll(remote, c.bytes);
        if (c.size > 0) {
            ASSERT_TRUE(QFile(remote).resize(c.size));
        }
        CScriptedPrompt prompt;
        prompt.ExpectQuestion(Question(QStringLiteral("TagList0002.tag")), EAnswer::Yes)
            .ExpectMessageContaining(QStringLiteral("Unable to download file\n"));
        CTagFileUpdate update(ftp.Server(), prompt);
        EXPECT_EQ(update.Run(TagDir()), EResult::InvalidFile) << c.what;
        EXPECT_TRUE(update.Cause().contains(QStringLiteral("TagList0002.tag")))
            << c.what << ": " << update.Cause().toStdString();
        EXPECT_EQ(LocalNames(), QStringList{QStringLiteral("TagList0001.tag")}) << c.what;
        EXPECT_EQ(ReadAll(Local(QStringLiteral("TagList0001.tag"))), m_valid) << c.what;
    }
}

// A server that does not tell the size: the download stops once the limit is passed.
TEST_F(TagFileUpdateTest, FileOverTheSizeLimitIsRefusedAsItArrives)
{
    CFtpServer ftp({QStringLiteral("--no-size")});
    const QString remote = ftp.Remote(QStringLiteral("TagList0002.tag"));
    WriteAll(remote, m_valid);
    ASSERT_TRUE(QFile(remote).resize(CTagFileUpdate::kMaxFileBytes + 1));

    CScriptedPrompt prompt;
    prompt.ExpectQuestion(Question(QStringLiteral("TagList0002.tag")), EAnswer::Yes)
        .ExpectMessageContaining(QStringLiteral("Unable to download file\n"));
    CTagFileUpdate update(ftp.Server(), prompt);
    EXPECT_EQ(update.Run(TagDir()), EResult::InvalidFile) << update.Cause().toStdString();
    EXPECT_TRUE(update.Cause().contains(QStringLiteral("larger than")))
        << update.Cause().toStdString();
    EXPECT_EQ(LocalNames(), QStringList{QStringLiteral("TagList0001.tag")});
}

// A listing that does not end is abandoned past its limit, not read into memory.
TEST_F(TagFileUpdateTest, ListingOverItsLimitIsAbandoned)
{
    CFtpServer ftp(
        {QStringLiteral("--filler"), QString::number(CTagFileUpdate::kMaxListingBytes / 16)});
    WriteAll(ftp.Remote(QStringLiteral("TagList0002.tag")), m_valid);

    CScriptedPrompt prompt;
    prompt.ExpectMessage(QStringLiteral("Could not connect to the update site."),
                         EIcon::Exclamation);
    CTagFileUpdate update(ftp.Server(), prompt);
    EXPECT_EQ(update.Run(TagDir()), EResult::CannotConnect);
    EXPECT_TRUE(update.Cause().contains(QStringLiteral("longer than")))
        << update.Cause().toStdString();
    EXPECT_EQ(LocalNames(), QStringList{QStringLiteral("TagList0001.tag")});
}

// A server that trickles bytes passes the low-speed limit; the time limit ends it.
TEST_F(TagFileUpdateTest, SlowServerIsStoppedByTheTimeLimit)
{
    CFtpServer ftp({QStringLiteral("--throttle"), QStringLiteral("2")});
    WriteAll(ftp.Remote(QStringLiteral("TagList0002.tag")), m_valid);

    CScriptedPrompt prompt;
    prompt.ExpectQuestion(Question(QStringLiteral("TagList0002.tag")), EAnswer::Yes)
        .ExpectMessageContaining(QStringLiteral("Unable to download file\n"));
    CTagFileUpdate update(ftp.Server(), prompt);
    update.SetTimeLimit(2);
    EXPECT_EQ(update.Run(TagDir()), EResult::DownloadFailed);
    EXPECT_TRUE(update.Cause().contains(QStringLiteral("timed out")))
        << update.Cause().toStdString();
    EXPECT_EQ(LocalNames(), QStringList{QStringLiteral("TagList0001.tag")});
}

// Cancel in the download's progress window: the transfer stops, nothing is installed and
// nothing more is said.
TEST_F(TagFileUpdateTest, CancelInTheProgressWindowStopsTheDownload)
{
    // Cancels the progress window opened after the question, the download's.
    class CCancelDownloadPrompt : public CScriptedPrompt
    {
    public:
        EAnswer Question(const QString& text, EButtons buttons, EIcon icon) override
        {
            const EAnswer answer = CScriptedPrompt::Question(text, buttons, icon);
            CancelProgressAfter(3);
            return answer;
        }
    };
    CFtpServer ftp({QStringLiteral("--throttle"), QStringLiteral("2")});
    WriteAll(ftp.Remote(QStringLiteral("TagList0002.tag")), m_valid);

    CCancelDownloadPrompt prompt;
    prompt.ExpectQuestion(Question(QStringLiteral("TagList0002.tag")), EAnswer::Yes);
    CTagFileUpdate update(ftp.Server(), prompt);
    EXPECT_EQ(update.Run(TagDir()), EResult::Cancelled) << update.Cause().toStdString();
    ASSERT_EQ(prompt.Progress().size(), 2u) << "the listing's window, then the download's";
    const auto& download = *prompt.Progress()[1];
    EXPECT_EQ(download.kind, IUserPrompt::EProgressKind::Cancellable);
    EXPECT_EQ(download.pumps, 3) << "not pumped after the Cancel";
    EXPECT_TRUE(download.closed);
    EXPECT_EQ(LocalNames(), QStringList{QStringLiteral("TagList0001.tag")});
}

TEST_F(TagFileUpdateTest, NamesWithPathsOrTooManyDigitsAreIgnored)
{
    // Real files a client following "../" would fetch, and names no file can have.
    CFtpServer ftp({QStringLiteral("--extra"), QStringLiteral("../evil.tag"),
                    QStringLiteral("--extra"), QStringLiteral("../TagList0099.tag"),
                    QStringLiteral("--extra"), QStringLiteral("sub/TagList0098.tag"),
                    QStringLiteral("--extra"), QStringLiteral("..\\TagList0097.tag")});
    WriteAll(ftp.Remote(QStringLiteral("../TagList0099.tag")), m_valid);
    WriteAll(ftp.Remote(QStringLiteral("../evil.tag")), m_valid);
    WriteAll(ftp.Remote(QStringLiteral("TagList9999999999.tag")), m_valid);
    WriteAll(ftp.Remote(QStringLiteral("TagList0002.tag")), m_valid);

    CScriptedPrompt prompt;
    prompt.ExpectQuestion(Question(QStringLiteral("TagList0002.tag")), EAnswer::Yes)
        .ExpectMessage(QStringLiteral("Tag file has been updated to TagList0002.tag"),
                       EIcon::Information);
    CTagFileUpdate update(ftp.Server(), prompt);
    EXPECT_EQ(update.Run(TagDir()), EResult::Installed) << update.Cause().toStdString();
    EXPECT_EQ(update.RemoteName(), QStringLiteral("TagList0002.tag"));
    EXPECT_EQ(LocalNames(),
              (QStringList{QStringLiteral("TagList0001.tag"), QStringLiteral("TagList0002.tag")}));
    EXPECT_EQ(QDir(m_parent.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("tags")});
}

TEST_F(TagFileUpdateTest, WrongPasswordCannotConnect)
{
    CFtpServer ftp;
    WriteAll(ftp.Remote(QStringLiteral("TagList0002.tag")), m_valid);
    SUpdateServer server = ftp.Server();
    server.password = QStringLiteral("wrong");

    CScriptedPrompt prompt;
    prompt.ExpectMessage(QStringLiteral("Could not connect to the update site."),
                         EIcon::Exclamation);
    CTagFileUpdate update(server, prompt);
    EXPECT_EQ(update.Run(TagDir()), EResult::CannotConnect);
    EXPECT_TRUE(update.RemoteName().isEmpty());
    EXPECT_EQ(LocalNames(), QStringList{QStringLiteral("TagList0001.tag")});
}

// The command's records and exit code; without --yes and without a terminal the answer
// is No and nothing is written.
TEST_F(TagFileUpdateTest, CliDeclinesWithoutATerminal)
{
    CFtpServer ftp;
    WriteAll(ftp.Remote(QStringLiteral("TagList0002.tag")), m_valid);
    QTemporaryDir config;

    const SRun run = RunCli({QStringLiteral("update-check"), QStringLiteral("--tags"), TagDir(),
                             QStringLiteral("--server"), ftp.Server().url},
                            {}, config.path());
    EXPECT_EQ(run.exitCode, 5) << run.err.toStdString();
    EXPECT_EQ(run.out,
              QStringLiteral("remote\tTagList0002.tag\nlocal\tTagList0001.tag\ndeclined\n"));
    EXPECT_EQ(LocalNames(), QStringList{QStringLiteral("TagList0001.tag")});
}

} // namespace
