// tavrin-cli eeprom, run as a process against the simulated controller: the files it makes,
// the records it prints and the exit code of each way a write ends.
#include "CliBackupRecord.h"
#include "CliProcess.h"
#include "sim/CControllerSim.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class CliEepromTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    // tavrin-cli eeprom with standard input at its end, as from a script without a terminal.
    SRun Eeprom(QStringList args, bool withPort = true)
    {
        args.prepend(QStringLiteral("eeprom"));
        if (withPort)
            args << QStringLiteral("--port") << sim.SlavePath();
        return RunCli(args, {}, config.path());
    }
    QString File(const QString& name, const QByteArray& bytes = {})
    {
        const QString path = dir.filePath(name);
        if (!bytes.isNull()) {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        return path;
    }

    CControllerSim sim;
    QTemporaryDir config;
    QTemporaryDir dir;
};

const QString kYes = QStringLiteral("--yes");

} // namespace

TEST_F(CliEepromTest, ReadWritesTheImageAndShowPrintsIt)
{
    std::vector<std::uint8_t> eeprom;
    sim.WithModel([&](CSimModel& m) {
        m.SetIdentity(EControllerType::Kv8); // 128 bytes
        m.Eeprom()[1] = 0xAB;
        eeprom = m.Eeprom();
    });
    const QString image = File(QStringLiteral("kv8.eep"));
    SRun run = Eeprom({QStringLiteral("read"), QStringLiteral("--bytes"), QStringLiteral("128"),
                       QStringLiteral("-o"), image});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("read\t128\t0\tKV8\n"));
    QFile file(image);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              QByteArray(4, '\0') + QByteArray(reinterpret_cast<const char*>(eeprom.data()), 128));

    run = Eeprom({QStringLiteral("show"), image}, false);
    EXPECT_EQ(run.exitCode, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 1 + 128 + 1);
    EXPECT_EQ(lines[0], QStringLiteral("from\t0\tKV8"));
    EXPECT_EQ(lines[2], QStringLiteral("byte\t1\t171\t0xAB"));

    // 256 bytes do not fit a 128-byte EEPROM: the read fails and leaves no file.
    const QString partial = File(QStringLiteral("partial.eep"));
    EXPECT_EQ(Eeprom({QStringLiteral("read"), QStringLiteral("-o"), partial}).exitCode, 2);
    EXPECT_FALSE(QFile::exists(partial));
}

TEST_F(CliEepromTest, WriteExitCodes)
{
    // A Tarn image of four bytes, one with its top bit set so that it does not look like text.
    const QString image = File(QStringLiteral("tarn.eep"), QByteArray::fromHex("09000000a1a2a3a4"));
    EXPECT_EQ(Eeprom({QStringLiteral("write"), image}).exitCode, 5) << "no terminal, no --yes";

    sim.WithModel([](CSimModel& m) { m.SetEepromStuck(2); });
    SRun run = Eeprom({QStringLiteral("write"), image, kYes});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains(QStringLiteral("address 2 "))) << run.err.toStdString();
    bool backed = false;
    EXPECT_EQ(WithoutBackup(run.out, &backed), QStringLiteral("written\t2\n"));
    EXPECT_TRUE(backed) << run.out.toStdString();

    sim.WithModel([](CSimModel& m) { m.SetIdentity(EControllerType::TarnPlus); });
    EXPECT_EQ(Eeprom({QStringLiteral("write"), image, kYes}).exitCode, 4);

    const QString text = File(QStringLiteral("text.eep"), QByteArrayLiteral("ADDR 000 DATA"));
    EXPECT_EQ(Eeprom({QStringLiteral("write"), text}).exitCode, 5) << "the text question: No";
    EXPECT_EQ(
        Eeprom({QStringLiteral("write"), File(QStringLiteral("short.eep"), "ab"), kYes}).exitCode,
        7);

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EXPECT_EQ(Eeprom({QStringLiteral("write"), image, kYes}).exitCode, 2);
}

TEST_F(CliEepromTest, AnswerWaitingInAPipeIsNotTakenAndNotConsumed)
{
    // "y" waits in a pipe that stays open, as in `echo y | tavrin-cli eeprom write` or a
    // read loop whose next line the question must not take.
    const QString image = File(QStringLiteral("tarn.eep"), QByteArray::fromHex("09000000a1a2a3a4"));
    std::vector<std::uint8_t> before;
    sim.WithModel([&](CSimModel& m) { before = m.Eeprom(); });
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    ASSERT_EQ(write(pipeEnds[1], "y\n", 2), 2);
    const QByteArray program = QByteArrayLiteral(TAVRIN_CLI_PATH);
    const QByteArray port = sim.SlavePath().toLocal8Bit();
    const QByteArray file = image.toLocal8Bit();
    const QByteArray home = config.path().toLocal8Bit();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(pipeEnds[0], STDIN_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        setenv("XDG_CONFIG_HOME", home.constData(), 1);
        const char* argv[] = {program.constData(), "eeprom", "write", file.constData(), "--port",
                              port.constData(),    nullptr};
        execv(program.constData(), const_cast<char* const*>(argv));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 5) << "answered No";
    sim.WithModel([&](CSimModel& m) { EXPECT_EQ(m.Eeprom(), before) << "nothing written"; });
    // The pipe still holds what was waiting in it.
    fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    char left[8] = {};
    EXPECT_EQ(read(pipeEnds[0], left, sizeof left), 2);
    EXPECT_EQ(QByteArray(left), QByteArrayLiteral("y\n"));
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

TEST_F(CliEepromTest, ShowRefusesAFileThatIsNoImageAndReadChecksTheOutputFirst)
{
    const QString dump = File(QStringLiteral("dump.eep"));
    ASSERT_EQ(Eeprom({QStringLiteral("read"), QStringLiteral("--bytes"), QStringLiteral("128"),
                      QStringLiteral("-o"), dump, QStringLiteral("--text")})
                  .exitCode,
              0);
    const QString pdf =
        File(QStringLiteral("page.pdf"), QByteArrayLiteral("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj"));
    for (const QString& path : {dump, pdf}) {
        const SRun run = Eeprom({QStringLiteral("show"), path}, false);
        EXPECT_EQ(run.exitCode, 7) << path.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.left(200).toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("not an EEPROM image")))
            << run.err.toStdString();
    }

    // An output in a folder that does not exist is refused before a byte is asked for.
    sim.ClearRequests();
    const SRun run = Eeprom(
        {QStringLiteral("read"), QStringLiteral("-o"), dir.filePath(QStringLiteral("no/x.eep"))});
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_EQ(sim.RequestCount(), 0u);
}
