#pragma once

#include "link/CLinkPacket.h"

#include <QElapsedTimer>
#include <QString>

#include <array>
#include <cstdint>

class CControllerLink;

// The ranges a communication test walks: extension (request byte 2), tag (word 1) and
// value (word 2), each from..to inclusive.
struct SCommTestRanges
{
    std::uint8_t extensionFrom = 0;
    std::uint8_t extensionTo = 0;
    std::uint16_t tagFrom = 0;
    std::uint16_t tagTo = 0;
    std::uint16_t valueFrom = 0;
    std::uint16_t valueTo = 0;

    // The largest number each field holds: the extension is a byte, tag and value words.
    static constexpr unsigned kExtensionMax = 0xFF;
    static constexpr unsigned kWordMax = 0xFFFF;

    // The numbers as entered, each cut to its field's width: an extension of 300 is 44, a
    // tag of 65536 is 0, -1 is the field's largest value.
    static SCommTestRanges FromEntries(qint64 extensionFrom, qint64 extensionTo, qint64 tagFrom,
                                       qint64 tagTo, qint64 valueFrom, qint64 valueTo);

    // Packets a run sends: the product of the three counts, 0 when any "to" is below its
    // "from". Up to 2^40 for full ranges, hence 64 bits.
    qint64 TotalPackets() const;

    bool operator==(const SCommTestRanges&) const = default;
};

class CCommTest;

// What a front end (the dialog, tavrin-cli) does with a running test.
class ICommTestObserver
{
public:
    virtual ~ICommTestObserver() = default;
    // The counters, the current packet, the progress or the time left changed.
    virtual void ShowState(const CCommTest& test) = 0;
    // A packet went unanswered: the frame sent and the reply found for it, as list lines.
    virtual void AddBadPacket(const QString& txLine, const QString& rxLine) = 0;
    // Called between two exchanges, never during one: handles waiting input. False ends the
    // run at once.
    virtual bool Pump() = 0;
};

// The communication test: a read request for every combination of the ranges (extension
// outermost, then tag, value innermost), each sent by Transact with two attempts and
// counted good when answered. No widgets; the observer shows it.
class CCommTest
{
public:
    static constexpr int kAttempts = 2;

    explicit CCommTest(CControllerLink& link) : m_link(link) {}

    // How a run ended.
    struct SResult
    {
        bool completed = false; // every combination sent (false: the observer stopped it)
        qint64 sent = 0;
        qint64 elapsedMs = 0;
        // The elapsed time divided by the packets sent; 0 when none was sent.
        qint64 MsPerPacket() const { return sent > 0 ? elapsedMs / sent : 0; }
    };

    // Clears the counters and sends the packets, reporting to `observer` after each one.
    // Afterwards the current extension, tag and value are those of the last packet sent.
    SResult Run(const SCommTestRanges& ranges, ICommTestObserver& observer);

    qint64 GoodPackets() const { return m_good; }
    qint64 BadPackets() const { return m_bad; }
    int Extension() const { return m_extension; }
    int Tag() const { return m_tag; }
    int Value() const { return m_value; }
    qint64 TotalPackets() const { return m_total; }
    qint64 PacketsDone() const { return m_done; }
    // 0..100; 0 while nothing is to be sent.
    int ProgressPercent() const { return ProgressPercent(m_done, m_total); }
    static int ProgressPercent(qint64 done, qint64 total);
    // The running average in milliseconds a packet, and the seconds it leaves for the rest.
    qint64 AverageMs() const { return m_averageMs; }
    qint64 SecondsLeft() const { return m_secondsLeft; }

    // "Tx: 0x63 0x01 0x00 0x0000 0x0000": the request for the current packet.
    QString RequestLine() const;
    // "Time left: 0 h 00 m 00 s".
    QString TimeLeftLine() const;
    // "Timing: 3 mS per packet".
    static QString TimingText(qint64 msPerPacket);

    // A frame as a bad-packet list line: `prefix`, bytes 0..2, the three words and the
    // checksum, e.g. "Tx: 0x63 0x01 0x00 0x0008 0x0000 0x0000  0x93".
    static QString FrameLine(const QString& prefix, const LinkFrame& frame);
    // The "Rx: " line for the last exchange: the reply frame the link found in its last
    // attempt (one that did not answer the request), or "Rx: Invalid reply" when no valid
    // frame came.
    static QString ReplyLine(const LinkFrame& lastReplyBytes);

private:
    void Send(int extension, int tag, int value, ICommTestObserver& observer);

    CControllerLink& m_link;
    qint64 m_good = 0;
    qint64 m_bad = 0;
    int m_extension = 0;
    int m_tag = 0;
    int m_value = 0;
    qint64 m_total = 0;
    qint64 m_done = 0;
    qint64 m_averageMs = 0;
    qint64 m_secondsLeft = 0;
    QElapsedTimer m_clock;
};
