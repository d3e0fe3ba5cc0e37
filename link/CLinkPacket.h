#pragma once

#include "link/LinkProtocol.h"

#include <array>
#include <cstdint>

// The 10-byte frame of the controller protocol (layout in LinkProtocol.h) and one
// request/reply exchange.

using LinkFrame = std::array<std::uint8_t, LinkProtocol::kFrameSize>;

namespace LinkProtocol {
// Complement of the 8-bit sum of the first nine bytes.
std::uint8_t FrameChecksum(const std::uint8_t* frame);
// First byte is `lead` and the ten bytes sum to 0xFF (mod 256).
bool IsValidFrame(const std::uint8_t* frame, std::uint8_t lead);
} // namespace LinkProtocol

// One side of an exchange: the fields of a frame, words in host order.
struct CLinkRecord
{
    std::uint8_t lead = 0xFF;
    std::uint8_t control = 0xFF; // control byte of a request, status byte of a reply
    std::uint8_t extension = 0xFF;
    std::uint16_t word1 = 0xFFFF;
    std::uint16_t word2 = 0xFFFF;
    std::uint16_t word3 = 0xFFFF;
    std::uint8_t checksum = 0xFF;

    // Bytes 0..9 with the stored checksum as byte 9.
    LinkFrame Encode() const;
    // Takes every field, the checksum included, from the ten bytes.
    static CLinkRecord Decode(const std::uint8_t* frame);
    // The checksum the fields call for.
    std::uint8_t ComputeChecksum() const;

    bool operator==(const CLinkRecord&) const = default;
};

// One exchange: a request and the reply decoded for it. A new packet has every byte and word
// of both records set to all ones. Packets are short-lived values on the caller's stack.
class CLinkPacket
{
public:
    // Read request: lead 0x63, control 1, the given extension and words.
    void SetRequest(std::uint16_t word1, std::uint8_t extension, std::uint16_t word2 = 0,
                    std::uint16_t word3 = 0);
    void SetRead();
    void SetWrite();
    // Recomputes the request checksum after a field was changed directly.
    void UpdateChecksum();

    // Lead 0x72, extension echoed and a checksum that matches the first nine bytes.
    bool IsReplyValid() const;
    // Same extension and same word 1 as the request.
    bool ReplyMatchesRequest() const;
    bool ReplyWord1IsZero() const { return reply.word1 == 0; }
    bool ReplyHasStatus(std::uint8_t bits) const { return (reply.control & bits) == bits; }
    bool IsSupported() const { return ReplyHasStatus(LinkProtocol::kStatusSupported); }
    bool IsReadOnly() const { return ReplyHasStatus(LinkProtocol::kStatusReadOnly); }
    bool IsTempUnavailable() const { return ReplyHasStatus(LinkProtocol::kStatusTempUnavailable); }
    std::uint8_t ReplyStatus() const { return reply.control; }

    CLinkRecord request;
    CLinkRecord reply;
};
