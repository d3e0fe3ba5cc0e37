// The simulator serving a pseudo-terminal: in-process, and as the tavrin-sim program.
#include "link/LinkTestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

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
