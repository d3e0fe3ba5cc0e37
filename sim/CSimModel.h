#pragma once

#include "link/CLinkPacket.h"

#include <cstdint>
#include <map>
#include <optional>

// One tag of the simulated controller: its seven quantities and its status flags.
struct CSimTag
{
    std::uint16_t value = 0;
    std::uint16_t maximum = 0xFFFF;
    std::uint16_t minimum = 0;
    std::uint16_t scale = 1;
    std::uint16_t divisor = 1;
    std::uint16_t step = 1;
    std::uint16_t shift = 0;
    std::uint8_t flags = LinkProtocol::kStatusSupported;

    // The quantity an extension selects (0 value, 2 maximum ... 7 shift); nullopt otherwise.
    std::optional<std::uint16_t> Quantity(std::uint8_t extension) const;
};

// What the simulated controller knows and how it answers one request. It is pure: no port,
// no timing, no faults (those belong to CControllerSim), so later features are taught here
// and tested without a pseudo-terminal.
//
// The controller keeps one checksum word over its parameter values: value sum plus checksum
// word is constant. Every value reply carries it in word 3; a write carries the new one.
class CSimModel
{
public:
    static constexpr std::uint16_t kChecksumBase = 0xA5C3;

    // A small table: identification code 9 on tag 8 and a handful of parameters.
    static CSimModel DefaultController();

    void SetTag(std::uint16_t tag, const CSimTag& quantities);
    void RemoveTag(std::uint16_t tag);
    const CSimTag* Tag(std::uint16_t tag) const;
    const std::map<std::uint16_t, CSimTag>& Tags() const { return m_tags; }

    std::uint16_t ChecksumWord() const { return m_checksum; }
    // Sets the checksum word so that it agrees with the current values.
    void ResetChecksum();
    // Value sum plus checksum word still equals the base: every write so far carried the
    // checksum word the controller expected.
    bool ChecksumConsistent() const;

    // The reply to a request frame, or nullopt when the controller stays silent (a frame
    // that is not a request). Reads return the selected quantity; a write to the value of
    // a supported, writable tag stores the value and the checksum word of word 3. A tag the
    // controller does not have is answered with word 1 zero ("no such parameter").
    std::optional<CLinkRecord> Answer(const CLinkRecord& request);

    // Encodes a reply record with its checksum.
    static LinkFrame EncodeReply(CLinkRecord reply);

private:
    std::uint16_t ValueSum() const;

    std::map<std::uint16_t, CSimTag> m_tags;
    std::uint16_t m_checksum = kChecksumBase;
};
