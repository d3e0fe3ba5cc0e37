#include "link/CSerialPort.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace {

QSerialPort::Parity ToQtParity(std::uint8_t parity)
{
    switch (parity) {
    case CSerialPort::ParityOdd:
        return QSerialPort::OddParity;
    case CSerialPort::ParityEven:
        return QSerialPort::EvenParity;
    case CSerialPort::ParityMark:
        return QSerialPort::MarkParity;
    case CSerialPort::ParitySpace:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits ToQtStopBits(std::uint8_t stopBits)
{
    switch (stopBits) {
    case CSerialPort::StopOneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case CSerialPort::StopTwo:
        return QSerialPort::TwoStop;
    default:
        return QSerialPort::OneStop;
    }
}

QSerialPort::DataBits ToQtDataBits(std::uint8_t byteSize)
{
    switch (byteSize) {
    case 5:
        return QSerialPort::Data5;
    case 6:
        return QSerialPort::Data6;
    case 7:
        return QSerialPort::Data7;
    default:
        return QSerialPort::Data8;
    }
}

// A client that ended without closing the port (killed by SIGKILL, or by a signal that does
// not unwind) leaves the device with its line settings. On a pseudo-terminal, which drops the
// parity flag, ours then read back exactly as the device already was, and Qt takes a change
// that changed nothing for a refusal. Setting the line to other values first (9600 baud, one
// stop bit, modem control on) gives the next open something to change; the open sets every
// setting of ours right after. False when the device cannot be opened or set here.
bool UnsettleLine(const QString& device)
{
    const int fd =
        ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    termios tio{};
    bool ok = ::tcgetattr(fd, &tio) == 0;
    if (ok) {
        tio.c_cflag &= ~tcflag_t(CSTOPB | CLOCAL | PARENB);
        tio.c_iflag &= ~tcflag_t(IGNPAR | INPCK);
        ok = ::cfsetispeed(&tio, B9600) == 0 && ::cfsetospeed(&tio, B9600) == 0 &&
             ::tcsetattr(fd, TCSANOW, &tio) == 0;
    }
    ::close(fd);
    return ok;
}

#ifdef __linux__
// Sets or clears the kernel's low-latency flag on an open terminal. `wasSet` receives whether
// the flag was set before. False when the driver has no serial settings (a pseudo-terminal)
// or refuses the change.
bool SetKernelLowLatency(int fd, bool on, bool& wasSet)
{
    serial_struct ss{};
    if (::ioctl(fd, TIOCGSERIAL, &ss) != 0)
        return false;
    wasSet = (ss.flags & ASYNC_LOW_LATENCY) != 0;
    if (wasSet == on)
        return true;
    if (on)
        ss.flags |= ASYNC_LOW_LATENCY;
    else
        ss.flags &= ~ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &ss) == 0;
}

// The number in a sysfs attribute ("16\n"); nullopt when the file cannot be read or holds
// none.
std::optional<int> ReadNumberFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const int value = file.readAll().trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

bool WriteNumberFile(const QString& path, int value)
{
    // Only an existing attribute is written: a file that went away with its device must
    // not be created again.
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray text = QByteArray::number(value);
    return file.write(text) == text.size() && file.flush();
}
#endif

} // namespace

CSerialPort::CSerialPort()
{
    // Errors are cleared wherever a read or write fails, so a lost device is noted the moment
    // Qt reports it.
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError)
            m_deviceLost = true;
    });
    SetTimeouts(kReadIntervalTimeoutMs, kReadPerByteTimeoutMs, kReadConstantTimeoutMs,
                kWritePerByteTimeoutMs, kWriteConstantTimeoutMs);
}

CSerialPort::~CSerialPort()
{
    Close();
}

void CSerialPort::Configure(const QString& portName, std::uint32_t baudRate, std::uint8_t parity,
                            std::uint8_t byteSize, std::uint8_t stopBits)
{
    SetPortName(portName);
    m_baudRate = baudRate;
    m_parity = parity;
    m_byteSize = byteSize;
    m_stopBits = stopBits;
}

void CSerialPort::SetPortName(const QString& portName)
{
    if (IsOpen())
        Close();
    m_portName = portName;
}

bool CSerialPort::ApplyLineSettings()
{
    // Qt applies these when it opens the device; a pseudo-terminal refuses some of them
    // (parity) when they are changed on an open port, so they are all set beforehand.
    // Flow control stays off in both directions: the protocol has none, and RTS is driven
    // by hand after the open.
    bool ok = m_port.setBaudRate(static_cast<qint32>(m_baudRate));
    ok = m_port.setDataBits(ToQtDataBits(m_byteSize)) && ok;
    ok = m_port.setParity(ToQtParity(m_parity)) && ok;
    ok = m_port.setStopBits(ToQtStopBits(m_stopBits)) && ok;
    ok = m_port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    return ok;
}

CSerialPort::EOpenFailure CSerialPort::ClassifyOpenFailure(QSerialPort::SerialPortError error,
                                                           int accessErrno)
{
    switch (error) {
    case QSerialPort::NoError:
        return EOpenFailure::None;
    case QSerialPort::DeviceNotFoundError:
        return EOpenFailure::NotFound;
    case QSerialPort::PermissionError:
        return accessErrno == EACCES || accessErrno == EPERM ? EOpenFailure::PermissionDenied
                                                             : EOpenFailure::Busy;
    case QSerialPort::UnsupportedOperationError:
        return EOpenFailure::Settings;
    default:
        return EOpenFailure::Other;
    }
}

QString CSerialPort::PermissionDeniedText(const QString& device, const QString& group)
{
    return QStringLiteral("Permission denied opening %1. Add your user to the '%2' group "
                          "(sudo usermod -aG %2 $USER), then log in again.")
        .arg(device, group);
}

QString CSerialPort::DevicePath() const
{
    if (m_portName.startsWith(QLatin1Char('/')))
        return m_portName;
    return QStringLiteral("/dev/") + m_portName;
}

QString CSerialPort::PermissionDeniedText() const
{
    // Serial devices belong to "dialout" on Debian and Ubuntu, "uucp" on Arch; name the
    // node's own group when it is a group one can join.
    QString group = QStringLiteral("dialout");
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(DevicePath()).constData(), &info) == 0 && info.st_gid != 0) {
        if (const struct group* entry = ::getgrgid(info.st_gid))
            group = QString::fromLocal8Bit(entry->gr_name);
    }
    return PermissionDeniedText(DevicePath(), group);
}

bool CSerialPort::Open()
{
    m_failed = true;
    m_openFailure = EOpenFailure::Other;
    if (IsOpen())
        Close();
    m_deviceLost = false;

    m_port.setPortName(m_portName);
    const bool settingsStored = ApplyLineSettings();

    // Exclusive (Qt holds a lock file and sets TIOCEXCL), existing devices only, no
    // overlapped I/O: Qt opens without O_CREAT and we only ever use the blocking waits.
    bool opened = m_port.open(QIODevice::ReadWrite);
    if (!opened && m_port.error() == QSerialPort::UnsupportedOperationError &&
        UnsettleLine(DevicePath())) {
        // The device opened but seemed to refuse the settings: what the last client left
        // may be all there is against them. Once more from other settings.
        m_port.clearError();
        opened = m_port.open(QIODevice::ReadWrite);
    }
    if (!opened) {
        // Either the device could not be opened, or it opened and the driver refused the
        // line settings; in the latter case Qt has already closed it again, so there is
        // no handle left on which to drive DTR and RTS.
        const QSerialPort::SerialPortError error = m_port.error();
        int accessErrno = 0;
        if (error == QSerialPort::PermissionError &&
            ::access(QFile::encodeName(DevicePath()).constData(), R_OK | W_OK) != 0)
            accessErrno = errno;
        m_openFailure = ClassifyOpenFailure(error, accessErrno);
        m_port.clearError();
        m_deviceLost = false;
        return false;
    }

    // The device accepted every line setting; the time-outs are our own read and write
    // limits and take effect from here on.
    if (settingsStored) {
        m_failed = false;
        m_openFailure = EOpenFailure::None;
    } else {
        m_openFailure = EOpenFailure::Settings;
    }

    // Drop DTR, then raise RTS, after every open: the programming cable powers its level
    // shifter from RTS. A pseudo-terminal has no modem lines and refuses both; the port
    // stays usable, so the refusal is cleared and ignored.
    m_port.setDataTerminalReady(false);
    m_port.clearError();
    m_port.setRequestToSend(true);
    m_port.clearError();

    RequestLowLatency();
    return !m_failed;
}

QString CSerialPort::LatencyTimerPath() const
{
    const QFileInfo node(DevicePath());
    const QString real = node.canonicalFilePath();
    const QString name = QFileInfo(real.isEmpty() ? node.filePath() : real).fileName();
    return m_sysfsRoot + QStringLiteral("/class/tty/") + name +
           QStringLiteral("/device/latency_timer");
}

void CSerialPort::RequestLowLatency()
{
    m_kernelLowLatency = false;
    m_kernelFlagOurs = false;
    m_latencyTimerSet = false;
    m_latencyTimerFile.clear();
    if (!m_lowLatency) {
        m_lowLatencyState = ELowLatency::Disabled;
        return;
    }
#if defined(__linux__)
    bool wasSet = false;
    m_kernelLowLatency = SetKernelLowLatency(static_cast<int>(m_port.handle()), true, wasSet);
    m_kernelFlagOurs = m_kernelLowLatency && !wasSet;

    // FTDI adapters keep their own timer besides the kernel's flag; its file is root's
    // unless a udev rule hands it over, so a timer this user may not write is left alone.
    const QString timer = LatencyTimerPath();
    if (const std::optional<int> old = ReadNumberFile(timer)) {
        if (*old == kLowLatencyTimerMs) {
            m_latencyTimerSet = true;
        } else if (WriteNumberFile(timer, kLowLatencyTimerMs)) {
            m_latencyTimerSet = true;
            m_latencyTimerFile = timer;
            m_oldLatencyTimerMs = *old;
        }
    }
#elif defined(Q_OS_WIN)
    // The FTDI driver on Windows keeps its latency timer in the device's registry key
    // ("LatencyTimer", shown under the port's Advanced settings), read when the driver
    // starts the device. Changing it takes administrator rights and a restart of the
    // device, which a program that only opens the port must not do behind the user's
    // back; so nothing is asked here, and the state says the port does not offer it.
#endif
    m_lowLatencyState =
        m_kernelLowLatency || m_latencyTimerSet ? ELowLatency::On : ELowLatency::NotOffered;
}

void CSerialPort::RestoreLatency()
{
#if defined(__linux__)
    // An adapter unplugged under the open port answers neither; nothing is left to restore.
    if (m_kernelFlagOurs) {
        bool wasSet = false;
        SetKernelLowLatency(static_cast<int>(m_port.handle()), false, wasSet);
    }
    if (!m_latencyTimerFile.isEmpty())
        WriteNumberFile(m_latencyTimerFile, m_oldLatencyTimerMs);
#endif
    m_kernelLowLatency = false;
    m_kernelFlagOurs = false;
    m_latencyTimerSet = false;
    m_latencyTimerFile.clear();
    m_lowLatencyState = ELowLatency::NotOpen;
}

CSerialPort::ELowLatency CSerialPort::LowLatencyState() const
{
    return IsOpen() ? m_lowLatencyState : ELowLatency::NotOpen;
}

QString CSerialPort::LowLatencyText() const
{
    switch (LowLatencyState()) {
    case ELowLatency::NotOpen:
        return QStringLiteral("port not open");
    case ELowLatency::Disabled:
        return QStringLiteral("off (setting)");
    case ELowLatency::NotOffered:
        return QStringLiteral("not offered by this port");
    case ELowLatency::On:
        break;
    }
    if (!m_latencyTimerSet)
        return QStringLiteral("on");
    const QString timer = QStringLiteral("latency timer %1 ms").arg(kLowLatencyTimerMs);
    return m_kernelLowLatency ? QStringLiteral("on (%1)").arg(timer)
                              : QStringLiteral("on (%1, no kernel flag)").arg(timer);
}

void CSerialPort::Close()
{
    if (m_port.isOpen()) {
        RestoreLatency();
        m_port.close();
    }
    m_port.clearError();
    m_deviceLost = false;
}

bool CSerialPort::IsOpen() const
{
    return m_port.isOpen();
}

void CSerialPort::PurgeRxTx()
{
    if (IsOpen()) {
        m_port.clear(QSerialPort::AllDirections);
        m_port.clearError();
    }
}

void CSerialPort::SetTimeouts(std::uint32_t readInterval, std::uint32_t readPerByte,
                              std::uint32_t readConstant, std::uint32_t writePerByte,
                              std::uint32_t writeConstant)
{
    m_timeouts = {readInterval, readPerByte, readConstant, writePerByte, writeConstant};
    if (IsOpen())
        m_failed = false;
}

int CSerialPort::ByteReadTimeoutMs() const
{
    return static_cast<int>(m_timeouts[1] * 1 + m_timeouts[2]);
}

int CSerialPort::ReadByte()
{
    return ReadByteWithin(ByteReadTimeoutMs());
}

int CSerialPort::ReadByteWithin(int waitMs)
{
    if (!IsOpen())
        return -1;
    // waitForReadyRead waits for *new* data even when some is already buffered, so it is
    // only called when Qt's buffer is empty; otherwise each byte would cost a full wait.
    if (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(std::max(0, waitMs))) {
        m_port.clearError();
        return -1;
    }
    char byte = 0;
    if (m_port.read(&byte, 1) != 1)
        return -1;
    return static_cast<unsigned char>(byte);
}

qint64 CSerialPort::WriteBytes(const char* data, qint64 length)
{
    if (!IsOpen() || length <= 0)
        return 0;
    if (m_port.write(data, length) != length) {
        m_port.clear(QSerialPort::Output);
        m_port.clearError();
        return 0;
    }
    const qint64 limitMs =
        static_cast<qint64>(m_timeouts[3]) * length + static_cast<qint64>(m_timeouts[4]);
    QDeadlineTimer deadline(limitMs);
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_port.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            break;
    }
    const qint64 written = length - m_port.bytesToWrite();
    if (written < length) {
        // What the driver did not take in time must never reach the line late.
        m_port.clear(QSerialPort::Output);
    }
    m_port.clearError();
    return written;
}
