#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>

#include <array>
#include <cstdint>

// The one serial port through which the application talks to a controller.
//
// It keeps the port name and the line settings, opens the port exactly as the controller's
// protocol needs it (19200 baud, 8 data bits, even parity, 2 stop bits, no flow control,
// DTR low, RTS high) and closes it. It does no framing and no retries: CControllerLink,
// derived from it, is the only code that reads and writes bytes.
//
// A USB-serial adapter holds a short reply until its latency timer runs out (16 ms on an
// FTDI adapter), which can more than double the time of one exchange. So, unless told
// otherwise (SetLowLatency), every Open asks the device for low latency: on Linux the
// kernel's ASYNC_LOW_LATENCY flag and, where the adapter has one that this user may write,
// a latency timer of 1 ms. A device that offers neither is used as it is. Close puts back
// what Open changed, and only that.
//
// Single-threaded: use it from the thread that created it (the UI thread).
class CSerialPort
{
public:
    // Operating-system parity codes (as stored in the settings and passed to Configure).
    enum EParity : std::uint8_t
    {
        ParityNone = 0,
        ParityOdd = 1,
        ParityEven = 2,
        ParityMark = 3,
        ParitySpace = 4
    };
    // Operating-system stop-bit codes.
    enum EStopBits : std::uint8_t
    {
        StopOne = 0,
        StopOneAndHalf = 1,
        StopTwo = 2
    };

    static constexpr const char* kUnassignedPort = "Unassigned";

    // Why the last Open failed.
    enum class EOpenFailure
    {
        None,             // the last Open succeeded (or none was tried)
        NotFound,         // no such device
        PermissionDenied, // the device node exists but this user may not read and write it
        Busy,             // another program holds the port (its lock file or TIOCEXCL)
        Settings,         // the device opened but refused the line settings
        Other,
    };
    // Classifies a failed open from Qt's error and the errno of access(R_OK | W_OK) on the
    // device node (0 when access was granted). Qt reports a port locked by another program
    // and a node without permission alike, as PermissionError; only EACCES or EPERM from
    // access() tells them apart.
    static EOpenFailure ClassifyOpenFailure(QSerialPort::SerialPortError error, int accessErrno);
    // The message for a device this user may not open, naming the usual remedy: membership
    // of the group that owns serial devices.
    static QString PermissionDeniedText(const QString& device, const QString& group);

    // Default time-outs in milliseconds: read interval, read per byte, read constant,
    // write per byte, write constant. A one-byte read gives up after 15 * 1 + 30 = 45 ms,
    // a 10-byte write after 60 * 10 + 60 = 660 ms.
    static constexpr std::uint32_t kReadIntervalTimeoutMs = 15;
    static constexpr std::uint32_t kReadPerByteTimeoutMs = 15;
    static constexpr std::uint32_t kReadConstantTimeoutMs = 30;
    static constexpr std::uint32_t kWritePerByteTimeoutMs = 60;
    static constexpr std::uint32_t kWriteConstantTimeoutMs = 60;

    // What asking for low latency came to on the port.
    enum class ELowLatency
    {
        NotOpen,    // the port is closed
        Disabled,   // the setting is off: the device was left as it was
        NotOffered, // the device offers neither the kernel flag nor a latency timer
        On,         // the kernel flag or the latency timer (or both) is in effect
    };

    // Where sysfs is mounted, for finding an adapter's latency timer.
    static constexpr const char* kSysfsRoot = "/sys";
    // The latency timer Open sets, in milliseconds.
    static constexpr int kLowLatencyTimerMs = 1;

    CSerialPort();
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Sets the port name (closing an open port) and stores the line settings; does not open.
    void Configure(const QString& portName, std::uint32_t baudRate, std::uint8_t parity,
                   std::uint8_t byteSize, std::uint8_t stopBits);
    // Closes the port if it is open, then stores the name: a device path such as
    // "/dev/ttyUSB0" or "COM3", or a bare name that Qt resolves in the device folder.
    void SetPortName(const QString& portName);
    // Opens an existing device exclusively and applies the stored line settings. True only
    // when the device opened and the driver accepted every setting. Shows no message.
    bool Open();
    void Close();
    bool IsOpen() const;
    // Discards whatever the driver holds in both directions (clear, not abort).
    void PurgeRxTx();
    // Stores the five time-outs (milliseconds). They bound every read and write; an open
    // port uses the new values from the next call on.
    void SetTimeouts(std::uint32_t readInterval, std::uint32_t readPerByte,
                     std::uint32_t readConstant, std::uint32_t writePerByte,
                     std::uint32_t writeConstant);

    // Reads one byte. Returns -1 when none arrived within the one-byte read limit
    // (read per byte + read constant, 45 ms by default) or the port is closed.
    int ReadByte();
    // Reads one byte, waiting at most `waitMs` (0: only a byte that has already come, in
    // Qt's buffer or the driver's). -1 when none came or the port is closed.
    int ReadByteWithin(int waitMs);
    // Writes the bytes and waits until the driver took them, at most the write time-out for
    // that length. Returns how many bytes were handed on (0 on a closed port); whatever was
    // not taken in time is dropped.
    qint64 WriteBytes(const char* data, qint64 length);

    const QString& PortName() const { return m_portName; }
    bool OpenFailed() const { return m_failed; }
    EOpenFailure LastOpenFailure() const { return m_openFailure; }
    // The device path the port name stands for ("/dev/ttyUSB0" for "ttyUSB0").
    QString DevicePath() const;
    // PermissionDeniedText for this port's device and the group that owns its node.
    QString PermissionDeniedText() const;
    // True once the device went away under an open port (Qt's ResourceError: a USB adapter
    // unplugged, a pseudo-terminal whose far end closed). Only Close or Open clears it; the
    // port stays useless until it is opened again.
    bool DeviceLost() const { return m_deviceLost; }
    std::uint32_t BaudRate() const { return m_baudRate; }
    std::uint8_t Parity() const { return m_parity; }
    std::uint32_t RtsControl() const { return m_rtsControl; }
    std::uint8_t ByteSize() const { return m_byteSize; }
    std::uint8_t StopBits() const { return m_stopBits; }
    const std::array<std::uint32_t, 5>& Timeouts() const { return m_timeouts; }
    // Limit of a one-byte read in milliseconds.
    int ByteReadTimeoutMs() const;

    // Whether Open asks the device for low latency (default on). Takes effect at the next
    // Open; an open port keeps what its Open set.
    void SetLowLatency(bool enabled) { m_lowLatency = enabled; }
    bool LowLatency() const { return m_lowLatency; }
    // The folder sysfs is mounted on (kSysfsRoot); tests hand a temporary folder.
    void SetSysfsRoot(const QString& root) { m_sysfsRoot = root; }
    // The latency timer file of the port's device: its path resolved through symbolic
    // links (a udev name such as /dev/serial/by-id/... stands for /dev/ttyUSB0), then
    // "<sysfs root>/class/tty/<node name>/device/latency_timer". Whether it exists is not
    // checked.
    QString LatencyTimerPath() const;
    ELowLatency LowLatencyState() const;
    // True when the open port has the kernel's low-latency flag, set by Open or before.
    bool KernelLowLatency() const { return m_kernelLowLatency; }
    // True when the open port's latency timer stands at kLowLatencyTimerMs.
    bool LatencyTimerSet() const { return m_latencyTimerSet; }
    // LowLatencyState in words: "on", "on (latency timer 1 ms)", "on (latency timer 1 ms,
    // no kernel flag)", "not offered by this port", "off (setting)", "port not open".
    QString LowLatencyText() const;

    // The underlying Qt port, for inspection in tests and diagnostics only.
    const QSerialPort& Device() const { return m_port; }

private:
    bool ApplyLineSettings();
    // After Open: asks for low latency as the setting says; a device that refuses is left
    // as it is. RestoreLatency undoes exactly what this changed; a device already gone is
    // no error.
    void RequestLowLatency();
    void RestoreLatency();

    QString m_portName = QString::fromLatin1(kUnassignedPort);
    QSerialPort m_port;
    std::array<std::uint32_t, 5> m_timeouts{};
    bool m_failed = false;
    EOpenFailure m_openFailure = EOpenFailure::None;
    bool m_deviceLost = false;
    std::uint32_t m_baudRate = 19200;
    std::uint8_t m_parity = ParityEven;
    std::uint32_t m_rtsControl = 0;
    std::uint8_t m_byteSize = 8;
    std::uint8_t m_stopBits = StopTwo;

    bool m_lowLatency = true;
    ELowLatency m_lowLatencyState = ELowLatency::NotOpen;
    QString m_sysfsRoot = QString::fromLatin1(kSysfsRoot);
    bool m_kernelLowLatency = false; // the flag is set on the open port
    bool m_kernelFlagOurs = false;   // ...and Open set it
    bool m_latencyTimerSet = false;  // the timer stands at kLowLatencyTimerMs
    QString m_latencyTimerFile;      // the timer Open changed, empty when none
    int m_oldLatencyTimerMs = 0;     // ...and what it stood at before
};
