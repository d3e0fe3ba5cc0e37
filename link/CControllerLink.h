#pragma once

#include "link/CLinkPacket.h"
#include "link/CSerialPort.h"

#include <array>
#include <cstdint>

// The controller link: the serial port plus the one routine, Transact, through which every
// exchange with a controller passes. Higher layers build packets and call Transact; nothing
// else reads from or writes to the port.
//
// One exchange at a time, on the thread that owns the link: the receive window and the scan
// position are shared by all exchanges.
class CControllerLink : public CSerialPort
{
public:
    // Reply time-out per attempt right after construction, in milliseconds.
    static constexpr std::uint32_t kDefaultReplyTimeoutMs = 50;
    // Bytes an attempt may store while looking for the reply frame.
    static constexpr int kReceiveWindowSize = 20;
    // Attempts per exchange used by the command set.
    static constexpr int kCommandAttempts = 2;
    static constexpr int kByteBlockAttempts = 3;
    static constexpr int kWriteReadBackAttempts = 50;
    // A request whose word 1 is above this is answered by any valid frame.
    static constexpr std::uint16_t kAnyReplyWord1 = 0xFFF0;

    CControllerLink();

    // Sends the request of `packet` and waits for a valid reply frame that answers it
    // (same extension and word 1, or any valid frame when word 1 > 0xFFF0). Each attempt
    // purges the port, writes the 10 request bytes and reads byte by byte until the reply
    // time-out has passed (the last read may add up to one byte-read limit, 45 ms). True
    // when a reply was accepted and decoded into packet.reply within `attempts` attempts;
    // otherwise packet.reply holds whatever frame was decoded last (or all ones).
    // Never shows a message and never closes the port.
    bool Transact(CLinkPacket& packet, int attempts);

    void SetReplyTimeout(std::uint32_t milliseconds) { m_replyTimeoutMs = milliseconds; }
    std::uint32_t ReplyTimeout() const { return m_replyTimeoutMs; }

    // The ten raw bytes of the last decoded reply frame of the current (or last) attempt;
    // all 0xFF when none was decoded since that attempt began.
    const LinkFrame& LastReplyBytes() const { return m_lastReply; }

    // Position of a valid reply frame (lead 0x72, bytes summing to 0xFF) among the first
    // `length` bytes of `window`, or -1. The scan starts at the persistent scan position,
    // which only moves forward past candidates ruled out and stays on a frame it found, so
    // the first valid frame of an attempt is found again after every further byte. Positions
    // at or beyond `length` read as 0xFF.
    int FindReplyFrame(const std::uint8_t* window, int length);
    // Resets the scan position to 0.
    void FindReplyFrame() { m_scanPos = 0; }
    int ScanPosition() const { return m_scanPos; }

private:
    bool RunAttempt(CLinkPacket& packet);

    std::uint32_t m_replyTimeoutMs = kDefaultReplyTimeoutMs;
    std::array<std::uint8_t, kReceiveWindowSize> m_window{};
    LinkFrame m_transmit{};
    LinkFrame m_lastReply{};
    int m_scanPos = 0;
};
