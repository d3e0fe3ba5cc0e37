// The simulator serving a pseudo-terminal: in-process, and as the tavrin-sim program.
#include "link/LinkTestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

TEST_F(SimLinkTest, TheRequestHistoryKeepsOnlyTheMostRecent)
{
    constexpr std::size_t kHistory = CControllerSim::kRequestHistory;
    constexpr std::size_t kSent = kHistory + 10;
    for (std::size_t i = 0; i < kSent; ++i) {
        CLinkPacket packet;
        packet.SetRequest(0x1000, 0, static_cast<std::uint16_t>(i));
        ASSERT_TRUE(link.Transact(packet, 2)) << "request " << i;
    }
    // A busy machine may make the link send a request twice; each send counts.
    EXPECT_GE(sim.RequestCount(), kSent) << "every request is counted";
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), kHistory);
    EXPECT_GE(requests.front().Record().word2, kSent - kHistory) << "the oldest went first";
    EXPECT_EQ(requests.back().Record().word2, kSent - 1);

    sim.ClearRequests();
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_TRUE(sim.Requests().empty());
}

// Behind a USB adapter's latency timer a paced reply reaches the client no sooner than the
// timer's first tick (a multiple of its period on the steady clock) after the reply's last
// byte left the line: ten request and ten reply characters after the request came in.
TEST(SimAdapterLatency, RepliesWaitForTheFirstTickAfterTheirLastByte)
{
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kPeriod(40);
    CControllerSim sim;
    ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString();
    CSimFaults faults;
    faults.wireSpeed = true;
    faults.adapterLatencyMs = static_cast<int>(kPeriod.count());
    sim.SetFaults(faults);
    // A plain descriptor rather than the link: no reply time-out to race on a busy machine.
    const int fd = ::open(QFile::encodeName(sim.SlavePath()).constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);

    const QByteArray request = FrameBytes(SimRequest(0x1000).Encode());
    const QByteArray expected =
        ReplyBytes(CSimModel::DefaultController().Answer(SimRequest(0x1000))).value();
    // Several exchanges, each at another place between two ticks.
    for (int exchange = 0; exchange < 5; ++exchange) {
        sim.ClearRequests();
        ASSERT_EQ(::write(fd, request.constData(), static_cast<size_t>(request.size())),
                  request.size());
        QByteArray reply;
        Clock::time_point firstByte;
        while (reply.size() < expected.size()) {
            pollfd ready{fd, POLLIN, 0};
            ASSERT_EQ(::poll(&ready, 1, 20000), 1) << "no reply to exchange " << exchange;
            char buffer[32];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            ASSERT_GT(n, 0);
            if (reply.isEmpty())
                firstByte = Clock::now();
            reply.append(buffer, n);
        }
        EXPECT_EQ(reply, expected);
        const auto requests = sim.Requests();
        ASSERT_EQ(requests.size(), 1u);
        const Clock::time_point lastByte = requests.front().at + std::chrono::microseconds(12500);
        const Clock::time_point tick((lastByte.time_since_epoch() / kPeriod + 1) * kPeriod);
        EXPECT_GE(firstByte, tick)
            << "exchange " << exchange << " came "
            << std::chrono::duration<double, std::milli>(tick - firstByte).count() << " ms early";
    }
    ::close(fd);
}

// --link replaces a stale symbolic link, and removes its own at exit, but never touches a
// file that is not a link.
TEST(SimProgram, LinkReplacesOnlyASymbolicLink)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    const QString file = dir.filePath(QStringLiteral("precious"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("keep me");
    }
    QProcess refused;
    refused.start(QStringLiteral(TAVRIN_SIM_BINARY), {QStringLiteral("--link"), file});
    ASSERT_TRUE(refused.waitForFinished(20000));
    EXPECT_EQ(refused.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(refused.exitCode(), 0);
    EXPECT_TRUE(refused.readAllStandardError().contains("not a symbolic link"));
    EXPECT_TRUE(refused.readAllStandardOutput().isEmpty()) << "no device offered";
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));

    const QString stale = dir.filePath(QStringLiteral("ttyController"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent/device"), stale));
    QProcess served;
    served.start(QStringLiteral(TAVRIN_SIM_BINARY), {QStringLiteral("--link"), stale});
    while (!served.canReadLine())
        ASSERT_TRUE(served.waitForReadyRead(20000)) << served.readAllStandardError().constData();
    const QString device = QString::fromLocal8Bit(served.readLine()).trimmed();
    EXPECT_TRUE(device.startsWith(QStringLiteral("/dev/pts/"))) << device.toStdString();
    EXPECT_EQ(QFileInfo(stale).symLinkTarget(), device);

    served.terminate();
    ASSERT_TRUE(served.waitForFinished(20000));
    EXPECT_EQ(served.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(stale).isSymLink()) << "its link is gone at exit";
}
