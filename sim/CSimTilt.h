#pragma once

#include "link/CLinkPacket.h"

#include <cstdint>
#include <optional>

// The simulated tilt sensor at tag 0x5120 (LinkProtocol::kTagTilt). A value read answers
// the present reading in word 2 and the zero offset in word 3. Zeroing is a series of three
// value writes, each answered with the state after it:
//   1. word 2 = 0, word 3 = the new offset (offset minus reading, modulo 65536);
//   2. word 2 = 1, word 3 = 0: take the present reading as zero;
//   3. word 2 and word 3 = the reading and offset read before step 1: ends the series.
// After step 3 the offset is the one of step 1, the reading 0, and the count of zeroings
// goes up by one. A write out of this order is answered but starts the series afresh.
class CSimTilt
{
public:
    bool present = false;      // the controller has a tilt sensor
    std::uint16_t reading = 0; // present reading, raw counts
    std::uint16_t offset = 0;  // zero offset, raw counts
    bool refuseZero = false;   // step 2 is never answered (a sensor that cannot be zeroed)
    int zeroings = 0;          // completed series

    // The reply to a request for the tilt tag; nullopt when the controller stays silent.
    std::optional<CLinkRecord> Answer(const CLinkRecord& request);

private:
    enum class EStep
    {
        Idle,
        OffsetSent,
        ZeroSent
    };
    EStep m_step = EStep::Idle;
    std::uint16_t m_newOffset = 0;
    std::uint16_t m_readReading = 0;
    std::uint16_t m_readOffset = 0;
};
