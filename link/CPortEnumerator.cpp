#include "link/CPortEnumerator.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// How many names of each family the basic method tries.
constexpr int kBasicPortsPerFamily = 6;

#ifndef Q_OS_WIN
bool ProcessRuns(qint64 pid)
{
    if (pid <= 0)
        return false;
    if (::kill(static_cast<pid_t>(pid), 0) == 0)
        return true;
    // Another user's process: it exists, we may just not signal it.
    return errno == EPERM;
}
#endif

} // namespace

bool CPortEnumerator::EnumeratePorts(CPortList& list, QString& errorText, bool standard,
                                     bool openCheck)
{
    list.clear();
    errorText.clear();
    if (!standard) {
        list = ProbeNames(BasicCandidates(),
                          [](const QString& device) { return CanOpenExclusive(device); });
        return !list.isEmpty();
    }
    // QSerialPortInfo cannot fail: it reports what it finds, possibly nothing.
    list = SystemPorts();
    FCanOpen canOpen;
    if (openCheck)
        canOpen = [](const QString& device) { return CanOpenExclusive(device); };
    CleanUp(list, canOpen);
    return true;
}

CPortEntry CPortEnumerator::MakeStandardEntry(const QString& systemLocation,
                                              const QString& portName, const QString& description)
{
    CPortEntry entry;
    entry.devicePath = systemLocation;
    entry.portName = portName;
    entry.description = description;
    entry.friendlyName = description.isEmpty()
                             ? portName
                             : description + QStringLiteral(" (") + portName + QLatin1Char(')');
    return entry;
}

CPortList CPortEnumerator::SystemPorts()
{
    CPortList list;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        list.append(MakeStandardEntry(info.systemLocation(), info.portName(), info.description()));
    return list;
}

void CPortEnumerator::CleanUp(CPortList& list, const FCanOpen& canOpen)
{
    for (qsizetype i = 0; i < list.size();) {
        CPortEntry& entry = list[i];
        if (canOpen && !canOpen(entry.devicePath)) {
            list.removeAt(i);
            continue;
        }
        if (entry.friendlyName.isEmpty())
            entry.friendlyName = entry.portName;
        if (entry.description.isEmpty())
            entry.description = DescriptionFromFriendlyName(entry.friendlyName);
        ++i;
    }
}

QString CPortEnumerator::DescriptionFromFriendlyName(const QString& friendlyName)
{
    const qsizetype open = friendlyName.lastIndexOf(QStringLiteral(" ("));
    if (open > 0 && friendlyName.endsWith(QLatin1Char(')')))
        return friendlyName.left(open);
    return friendlyName;
}

QStringList CPortEnumerator::BasicCandidates()
{
    QStringList names;
#ifdef Q_OS_WIN
    for (int n = 1; n <= kBasicPortsPerFamily; ++n)
        names << QStringLiteral("COM%1:").arg(n);
#else
    for (const char* family : {"/dev/ttyS", "/dev/ttyUSB"})
        for (int n = 0; n < kBasicPortsPerFamily; ++n)
            names << QString::fromLatin1(family) + QString::number(n);
#endif
    return names;
}

CPortList CPortEnumerator::ProbeNames(const QStringList& names, const FCanOpen& canOpen)
{
    CPortList list;
    for (const QString& name : names) {
        if (!canOpen(name))
            continue;
        CPortEntry entry{name, name, name, name};
#ifdef Q_OS_WIN
        // "COM3:" opens through the file API, but the serial port wants "COM3".
        if (entry.devicePath.endsWith(QLatin1Char(':')))
            entry.devicePath.chop(1);
#endif
        list.append(entry);
    }
    return list;
}

QStringList CPortEnumerator::DefaultLockDirs()
{
    return {QStringLiteral("/var/lock"),
            QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"),
            QStringLiteral("/tmp"),
            QStringLiteral("/var/tmp"),
            QStringLiteral("/var/lock/lockdev"),
            QStringLiteral("/run/lock")};
}

QString CPortEnumerator::LockFileName(const QString& devicePath)
{
    QString name = devicePath;
    if (name.startsWith(QStringLiteral("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

bool CPortEnumerator::LockIsHeld(const QString& lockFile)
{
#ifdef Q_OS_WIN
    Q_UNUSED(lockFile);
    return false;
#else
    QFile file(lockFile);
    if (!file.open(QIODevice::ReadOnly))
        return file.exists(); // there but unreadable: someone's, leave the port alone
    // Qt writes "pid\napplication\nhost\n...", UUCP-style programs "      1234\n". Either
    // way the process id comes first.
    const QByteArray first = file.readLine(64).trimmed();
    bool ok = false;
    const qint64 pid = first.toLongLong(&ok);
    if (!ok)
        return true;
    return ProcessRuns(pid);
#endif
}

bool CPortEnumerator::CanOpenExclusive(const QString& devicePath, const QStringList& lockDirs)
{
    if (devicePath.isEmpty())
        return false;
#ifdef Q_OS_WIN
    Q_UNUSED(lockDirs);
    // No sharing: this fails while any other program has the port open.
    const std::wstring name = devicePath.toStdWString();
    HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(handle);
    return true;
#else
    // A port held through a lock file (the link itself, or any serial program) is in use.
    // Root ignores the kernel's exclusive flag, so the lock files are the one sure sign.
    const QString lockName = LockFileName(devicePath);
    const QStringList dirs = lockDirs.isEmpty() ? DefaultLockDirs() : lockDirs;
    for (const QString& dir : dirs) {
        const QString lockFile = dir + QLatin1Char('/') + lockName;
        if (QFileInfo::exists(lockFile) && LockIsHeld(lockFile))
            return false;
    }
    // Non-blocking, so a modem line without carrier cannot hold us; no line settings are
    // touched, so a program that shares the port sees nothing of this. A port opened
    // exclusively elsewhere refuses the open (EBUSY).
    const QByteArray path = QFile::encodeName(devicePath);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool terminal = ::isatty(fd) == 1;
    ::close(fd);
    return terminal;
#endif
}

int CPortEnumerator::FindByFriendlyName(const CPortList& list, const QString& friendlyName)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].friendlyName == friendlyName)
            return static_cast<int>(i);
    return -1;
}
