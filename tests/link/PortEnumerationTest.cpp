// Port discovery: the clean-up of names and descriptions, the basic method's selection, the
// non-disturbing open probe, and both methods on this machine.
#include "LinkTestSupport.h"

#include "link/CPortEnumerator.h"

#include <QFile>
#include <QSerialPortInfo>
#include <QTemporaryDir>

#include <termios.h>
#include <unistd.h>

namespace {

CPortEntry Entry(const char* device, const char* port, const char* friendly, const char* desc)
{
    return {QString::fromLatin1(device), QString::fromLatin1(port), QString::fromLatin1(friendly),
            QString::fromLatin1(desc)};
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A process id that cannot belong to a running process.
qint64 DeadPid()
{
    QFile file(QStringLiteral("/proc/sys/kernel/pid_max"));
    if (file.open(QIODevice::ReadOnly))
        return file.readAll().trimmed().toLongLong() + 1;
    return 0x7FFFFFFF;
}

} // namespace

TEST(PortCleanUp, StandardEntriesShowDescriptionAndPortName)
{
    const CPortEntry usb = CPortEnumerator::MakeStandardEntry(
        QStringLiteral("/dev/ttyUSB0"), QStringLiteral("ttyUSB0"), QStringLiteral("FT232R USB"));
    EXPECT_EQ(usb, Entry("/dev/ttyUSB0", "ttyUSB0", "FT232R USB (ttyUSB0)", "FT232R USB"));

    CPortList list{CPortEnumerator::MakeStandardEntry(QStringLiteral("/dev/ttyS1"),
                                                      QStringLiteral("ttyS1"), QString())};
    EXPECT_EQ(list[0].friendlyName, QStringLiteral("ttyS1"));
    CPortEnumerator::CleanUp(list);
    // No description of its own: the friendly name stands in for it.
    EXPECT_EQ(list[0], Entry("/dev/ttyS1", "ttyS1", "ttyS1", "ttyS1"));
}

TEST(PortCleanUp, FillsEmptyNamesAndCutsTheTrailingPart)
{
    CPortList list{
        Entry("\\\\.\\COM1", "COM1", "", ""),                         // nothing but a port name
        Entry("\\\\.\\COM5", "COM5", "Prolific USB (COM5)", ""),      // cut before " ("
        Entry("\\\\.\\COM6", "COM6", "Hub (port 2) (COM6)", ""),      // only the last part goes
        Entry("\\\\.\\COM7", "COM7", " (COM7)", ""),                  // " (" at the very start
        Entry("\\\\.\\COM8", "COM8", "Modem (COM8", ""),              // no closing bracket
        Entry("\\\\.\\COM9", "COM9", "Modem(COM9)", ""),              // no blank before it
        Entry("\\\\.\\COM3", "COM3", "Bluetooth (COM3)", "Own text"), // description kept
        Entry("", "", "", ""),                                        // nothing at all
    };
    CPortEnumerator::CleanUp(list);
    ASSERT_EQ(list.size(), 8);
    EXPECT_EQ(list[0], Entry("\\\\.\\COM1", "COM1", "COM1", "COM1"));
    EXPECT_EQ(list[1].description, QStringLiteral("Prolific USB"));
    EXPECT_EQ(list[2].description, QStringLiteral("Hub (port 2)"));
    EXPECT_EQ(list[3].description, QStringLiteral(" (COM7)"));
    EXPECT_EQ(list[4].description, QStringLiteral("Modem (COM8"));
    EXPECT_EQ(list[5].description, QStringLiteral("Modem(COM9)"));
    EXPECT_EQ(list[6], Entry("\\\\.\\COM3", "COM3", "Bluetooth (COM3)", "Own text"));
    EXPECT_EQ(list[7], Entry("", "", "", ""));
}

TEST(PortCleanUp, OpenCheckDropsUnopenablePortsAndKeepsTheOrder)
{
    const CPortList found{Entry("/dev/a", "a", "A", "A"), Entry("/dev/b", "b", "", ""),
                          Entry("/dev/c", "c", "C", "C"), Entry("/dev/d", "d", "", ""),
                          Entry("/dev/e", "e", "E", "E")};
    QStringList asked;
    CPortList list = found;
    CPortEnumerator::CleanUp(list, [&](const QString& device) {
        asked << device;
        return device != QStringLiteral("/dev/b") && device != QStringLiteral("/dev/c");
    });
    EXPECT_EQ(asked, (QStringList{"/dev/a", "/dev/b", "/dev/c", "/dev/d", "/dev/e"}));
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].devicePath, QStringLiteral("/dev/a"));
    EXPECT_EQ(list[1], Entry("/dev/d", "d", "d", "d")); // a survivor is still cleaned up
    EXPECT_EQ(list[2].devicePath, QStringLiteral("/dev/e"));

    // Without the check every entry stays.
    list = found;
    CPortEnumerator::CleanUp(list);
    EXPECT_EQ(list.size(), found.size());
}

TEST(PortBasicMethod, TriesSixOfEachFamilyAndKeepsThoseThatOpen)
{
    const QStringList names = CPortEnumerator::BasicCandidates();
    ASSERT_EQ(names.size(), 12);
    EXPECT_EQ(names.first(), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(names[5], QStringLiteral("/dev/ttyS5"));
    EXPECT_EQ(names[6], QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(names.last(), QStringLiteral("/dev/ttyUSB5"));

    const CPortList list = CPortEnumerator::ProbeNames(names, [](const QString& name) {
        return name.endsWith(QLatin1Char('3')) || name == QStringLiteral("/dev/ttyS0");
    });
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0], Entry("/dev/ttyS0", "/dev/ttyS0", "/dev/ttyS0", "/dev/ttyS0"));
    EXPECT_EQ(list[1].devicePath, QStringLiteral("/dev/ttyS3"));
    EXPECT_EQ(list[2], Entry("/dev/ttyUSB3", "/dev/ttyUSB3", "/dev/ttyUSB3", "/dev/ttyUSB3"));

    EXPECT_TRUE(CPortEnumerator::ProbeNames(names, [](const QString&) { return false; }).isEmpty());
}

TEST(PortEnumeration, BothMethodsOnThisMachine)
{
    CPortList list{Entry("stale", "stale", "stale", "stale")};
    QString error = QStringLiteral("stale");

    // Standard: exactly what the system reports, cleaned up; it cannot fail here.
    EXPECT_TRUE(CPortEnumerator::EnumeratePorts(list, error, true, false));
    EXPECT_TRUE(error.isEmpty());
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    ASSERT_EQ(list.size(), infos.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].devicePath, infos[i].systemLocation());
        EXPECT_EQ(list[i].portName, infos[i].portName());
        EXPECT_FALSE(list[i].friendlyName.isEmpty()) << list[i].devicePath.toStdString();
        EXPECT_FALSE(list[i].description.isEmpty()) << list[i].devicePath.toStdString();
    }

    // With the open check: a subset, in the same order.
    const CPortList all = list;
    EXPECT_TRUE(CPortEnumerator::EnumeratePorts(list, error, true, true));
    qsizetype next = 0;
    for (const CPortEntry& entry : list) {
        while (next < all.size() && all[next].devicePath != entry.devicePath)
            ++next;
        EXPECT_LT(next, all.size()) << entry.devicePath.toStdString();
        ++next;
    }

    // Basic: only candidates that really open; true exactly when it found one.
    list = {Entry("stale", "stale", "stale", "stale")};
    error = QStringLiteral("stale");
    const bool found = CPortEnumerator::EnumeratePorts(list, error, false, false);
    EXPECT_EQ(found, !list.isEmpty());
    EXPECT_TRUE(error.isEmpty());
    const QStringList candidates = CPortEnumerator::BasicCandidates();
    for (const CPortEntry& entry : list) {
        EXPECT_TRUE(candidates.contains(entry.devicePath)) << entry.devicePath.toStdString();
        EXPECT_TRUE(CPortEnumerator::CanOpenExclusive(entry.devicePath));
    }
}

TEST(PortProbe, RefusesWhatIsNoTerminal)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString plain = dir.filePath(QStringLiteral("plain"));
    ASSERT_TRUE(WriteFile(plain, "x"));
    for (const QString& device : {QString(), QStringLiteral("/dev/does-not-exist-tavrin"),
                                  QStringLiteral("zzz"), plain, QStringLiteral("/dev/null")})
        EXPECT_FALSE(CPortEnumerator::CanOpenExclusive(device)) << device.toStdString();
}

// The probe on a real pseudo-terminal served by the simulator.
class PortProbeSim : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString(); }

    bool OpenLink()
    {
        link.Configure(sim.SlavePath(), 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
        return link.Open();
    }

    CControllerSim sim;
    CControllerLink link;
};

TEST_F(PortProbeSim, AFreePortOpensAndTheProbeLeavesItWorking)
{
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(CPortEnumerator::CanOpenExclusive(sim.SlavePath()));

    // The open check keeps the real port and drops the missing one.
    CPortList list{Entry("/dev/does-not-exist-tavrin", "gone", "Gone (gone)", ""),
                   CPortEnumerator::MakeStandardEntry(sim.SlavePath(), QStringLiteral("pts"),
                                                      QStringLiteral("Simulator"))};
    CPortEnumerator::CleanUp(
        list, [](const QString& device) { return CPortEnumerator::CanOpenExclusive(device); });
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].devicePath, sim.SlavePath());

    // Probing hung nothing up: the link still opens and the controller answers.
    ASSERT_TRUE(OpenLink());
    EControllerType type = EControllerType::None;
    EXPECT_EQ(link.Identify(type), EIdentifyResult::Identified);
}

TEST_F(PortProbeSim, APortInUseIsLeftAlone)
{
    ASSERT_TRUE(OpenLink());
    const int fd = static_cast<int>(link.Device().handle());
    termios before{};
    ASSERT_EQ(tcgetattr(fd, &before), 0);

    EXPECT_FALSE(CPortEnumerator::CanOpenExclusive(sim.SlavePath()));
    CPortList list{CPortEnumerator::MakeStandardEntry(sim.SlavePath(), QStringLiteral("pts"),
                                                      QStringLiteral("Simulator"))};
    CPortEnumerator::CleanUp(
        list, [](const QString& device) { return CPortEnumerator::CanOpenExclusive(device); });
    EXPECT_TRUE(list.isEmpty());

    // The holder's line settings are untouched and it still talks to the controller.
    termios after{};
    ASSERT_EQ(tcgetattr(fd, &after), 0);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EControllerType type = EControllerType::None;
    EXPECT_EQ(link.Identify(type), EIdentifyResult::Identified);

    // Released, it is free again.
    link.Close();
    EXPECT_TRUE(CPortEnumerator::CanOpenExclusive(sim.SlavePath()));
}

TEST_F(PortProbeSim, LockFilesOfOtherProgramsCountWhileTheirProcessRuns)
{
    QTemporaryDir locks;
    ASSERT_TRUE(locks.isValid());
    const QStringList dirs{locks.path()};
    const QString lockFile = locks.filePath(CPortEnumerator::LockFileName(sim.SlavePath()));

    EXPECT_TRUE(CPortEnumerator::CanOpenExclusive(sim.SlavePath(), dirs));

    // UUCP style: the process id right-aligned in ten characters.
    ASSERT_TRUE(WriteFile(lockFile, QByteArray::number(getpid()).rightJustified(10) + '\n'));
    EXPECT_FALSE(CPortEnumerator::CanOpenExclusive(sim.SlavePath(), dirs));

    // Qt style: the process id, then the program and the host.
    ASSERT_TRUE(WriteFile(lockFile, QByteArray::number(getpid()) + "\nprogram\nhost\n"));
    EXPECT_FALSE(CPortEnumerator::CanOpenExclusive(sim.SlavePath(), dirs));

    // A lock left by a process that has ended holds nothing.
    ASSERT_TRUE(WriteFile(lockFile, QByteArray::number(DeadPid()) + "\nprogram\nhost\n"));
    EXPECT_TRUE(CPortEnumerator::CanOpenExclusive(sim.SlavePath(), dirs));

    // A lock we cannot make sense of is taken as held rather than risking someone's port.
    ASSERT_TRUE(WriteFile(lockFile, QByteArray("\x01\x02\x03\x04", 4)));
    EXPECT_FALSE(CPortEnumerator::CanOpenExclusive(sim.SlavePath(), dirs));
}
