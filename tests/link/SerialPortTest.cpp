// Opening and configuring the serial port, on a real pseudo-terminal.
#include "LinkTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <termios.h>

TEST(SerialPort, StartsUnassignedWithTheProtocolSettings)
{
    CSerialPort port;
    EXPECT_EQ(port.PortName(), QStringLiteral("Unassigned"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.OpenFailed());
    EXPECT_EQ(port.BaudRate(), 19200u);
    EXPECT_EQ(port.Parity(), CSerialPort::ParityEven);
    EXPECT_EQ(port.ByteSize(), 8);
    EXPECT_EQ(port.StopBits(), CSerialPort::StopTwo);
    EXPECT_EQ(port.RtsControl(), 0u);
    EXPECT_EQ(port.Timeouts(), (std::array<std::uint32_t, 5>{15, 15, 30, 60, 60}));
    EXPECT_EQ(port.ByteReadTimeoutMs(), 45);
}

TEST(SerialPort, NamesThatAreNoDeviceFailToOpen)
{
    for (const char* name : {"Unassigned", "zzz", "/dev/does-not-exist-tavrin"}) {
        CSerialPort port;
        port.SetPortName(QString::fromLatin1(name));
        EXPECT_FALSE(port.Open()) << name;
        EXPECT_FALSE(port.IsOpen()) << name;
        EXPECT_TRUE(port.OpenFailed()) << name;
        EXPECT_EQ(port.LastOpenFailure(), CSerialPort::EOpenFailure::NotFound) << name;
        EXPECT_EQ(port.ReadByte(), -1);
    }
}

TEST(SerialPort, APermissionErrorIsADeniedNodeOnlyWhenAccessIsRefused)
{
    using F = CSerialPort::EOpenFailure;
    // Qt says PermissionError for a node without permission and for a port another program
    // holds; only access()'s errno tells them apart.
    EXPECT_EQ(CSerialPort::ClassifyOpenFailure(QSerialPort::PermissionError, EACCES),
              F::PermissionDenied);
    EXPECT_EQ(CSerialPort::ClassifyOpenFailure(QSerialPort::PermissionError, EPERM),
              F::PermissionDenied);
    EXPECT_EQ(CSerialPort::ClassifyOpenFailure(QSerialPort::PermissionError, 0), F::Busy);
    EXPECT_EQ(CSerialPort::ClassifyOpenFailure(QSerialPort::DeviceNotFoundError, ENOENT),
              F::NotFound);
    EXPECT_EQ(CSerialPort::ClassifyOpenFailure(QSerialPort::OpenError, 0), F::Other);
    EXPECT_EQ(CSerialPort::PermissionDeniedText(QStringLiteral("/dev/ttyUSB0"),
                                                QStringLiteral("dialout")),
              QStringLiteral("Permission denied opening /dev/ttyUSB0. Add your user to the "
                             "'dialout' group (sudo usermod -aG dialout $USER), then log in "
                             "again."));
}

TEST_F(SimLinkTest, AfterOpenTheLineIs19200EightEvenTwoWithoutFlowControl)
{
    EXPECT_TRUE(link.IsOpen());
    EXPECT_FALSE(link.OpenFailed());
    const QSerialPort& device = link.Device();
    EXPECT_EQ(device.baudRate(), 19200);
    EXPECT_EQ(device.dataBits(), QSerialPort::Data8);
    EXPECT_EQ(device.parity(), QSerialPort::EvenParity);
    EXPECT_EQ(device.stopBits(), QSerialPort::TwoStop);
    EXPECT_EQ(device.flowControl(), QSerialPort::NoFlowControl);

    // What the terminal itself holds (a pseudo-terminal keeps no parity bit, so parity is
    // checked on the port's own record above).
    termios tio{};
    ASSERT_EQ(tcgetattr(static_cast<int>(device.handle()), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B19200));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
}

TEST_F(SimLinkTest, ASecondOpenOfAHeldPortFailsAndTheFirstStaysUsable)
{
    CControllerLink other;
    other.SetPortName(sim.SlavePath());
    EXPECT_FALSE(other.Open());
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(other.LastOpenFailure(), CSerialPort::EOpenFailure::Busy)
        << "held by another port, not a permission problem";

    CLinkPacket packet;
    packet.SetRequest(8, 0);
    EXPECT_TRUE(link.Transact(packet, 2));
    EXPECT_EQ(packet.reply.word2, 9);
}

TEST_F(SimLinkTest, ReopeningWorksAgainAndAgain)
{
    // Open on an open port closes and reopens it; a closed port reopens with its settings.
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(link.Open()) << "reopen while open, round " << round;
        CLinkPacket packet;
        packet.SetRequest(8, 0);
        ASSERT_TRUE(link.Transact(packet, 2));
        link.Close();
        EXPECT_FALSE(link.IsOpen());
        ASSERT_TRUE(link.Open()) << "open after close, round " << round;
    }
    EXPECT_EQ(link.Device().parity(), QSerialPort::EvenParity);
}

TEST_F(SimLinkTest, ChangingThePortNameClosesThePort)
{
    ASSERT_TRUE(link.IsOpen());
    link.SetPortName(QStringLiteral("zzz"));
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.PortName(), QStringLiteral("zzz"));
    link.Configure(sim.SlavePath(), 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
    EXPECT_TRUE(link.Open());
}

TEST_F(SimLinkTest, AOneByteReadGivesUpAfterAboutFortyFiveMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(link.ReadByte(), -1);
    const qint64 elapsed = timer.elapsed();
    EXPECT_GE(elapsed, 40);
    EXPECT_LE(elapsed, 200);

    sim.InjectBytes(QByteArray::fromHex("a5"));
    EXPECT_EQ(link.ReadByte(), 0xA5);
}

TEST_F(SimLinkTest, PurgeDropsWhatTheControllerSentEarlier)
{
    sim.InjectBytes(QByteArray::fromHex("72727272"));
    // Let the bytes reach the terminal before purging them.
    ASSERT_EQ(link.ReadByte(), 0x72);
    link.PurgeRxTx();
    EXPECT_EQ(link.ReadByte(), -1);
}

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

} // namespace

TEST_F(SimLinkTest, LowLatencySetsTheLatencyTimerWhileOpenAndPutsItBackOnClose)
{
    // A udev-style link to the terminal, and a sysfs tree in which the terminal's node has
    // an adapter's latency timer.
    QTemporaryDir root;
    const QString byId = root.filePath(QStringLiteral("by-id/usb-cable"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(byId).path()));
    ASSERT_TRUE(QFile::link(sim.SlavePath(), byId));
    const QString timer = root.filePath(QStringLiteral("class/tty/%1/device/latency_timer")
                                            .arg(QFileInfo(sim.SlavePath()).fileName()));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(timer).path()));
    {
        QFile file(timer);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("16");
    }
    link.Close();
    link.SetSysfsRoot(root.path());
    link.SetPortName(byId);
    EXPECT_EQ(link.LatencyTimerPath(), timer);

    // The pseudo-terminal refuses the kernel's flag; the port opens all the same.
    ASSERT_TRUE(link.Open());
    EXPECT_EQ(link.LowLatencyState(), CSerialPort::ELowLatency::On);
    EXPECT_FALSE(link.KernelLowLatency());
    EXPECT_TRUE(link.LatencyTimerSet());
    EXPECT_EQ(link.LowLatencyText(), QStringLiteral("on (latency timer 1 ms, no kernel flag)"));
    EXPECT_EQ(ReadAll(timer), QByteArray("1"));
    CLinkPacket packet;
    packet.SetRequest(8, 0);
    EXPECT_TRUE(link.Transact(packet, 2));
    link.Close();
    EXPECT_EQ(ReadAll(timer), QByteArray("16"));
    EXPECT_EQ(link.LowLatencyState(), CSerialPort::ELowLatency::NotOpen);

    // With the setting off nothing is touched.
    link.SetLowLatency(false);
    ASSERT_TRUE(link.Open());
    EXPECT_EQ(link.LowLatencyState(), CSerialPort::ELowLatency::Disabled);
    EXPECT_EQ(link.LowLatencyText(), QStringLiteral("off (setting)"));
    EXPECT_EQ(ReadAll(timer), QByteArray("16"));
    link.Close();
    EXPECT_EQ(ReadAll(timer), QByteArray("16"));
}
