#pragma once

#include <cstdint>

class CSimModel;

// The identity tags a controller information request reads: version pairs (major at tag T,
// minor at T + 1) for the hardware, the firmware and the firmware of controllers that report
// it at the alternative pair, and the program checksum word (tags in LinkProtocol). They are
// fixed, read-only tags outside the parameter checksum. A controller without them answers
// "no such tag".
class CSimInfoTags
{
public:
    static void SetVersion(CSimModel& model, std::uint16_t firstTag, std::uint16_t major,
                           std::uint16_t minor);
    static void RemoveVersion(CSimModel& model, std::uint16_t firstTag);
    static void SetProgramChecksum(CSimModel& model, std::uint16_t value);
};
