#pragma once

#include <cstdint>

class CSimModel;

// The identity tags a controller information request reads: version pairs (major at tag T,
// minor at T + 1) for the hardware (10), the firmware (12) and the firmware of controllers
// that report it at 14, and the program checksum word at 0x7FC0. They are fixed, read-only
// tags outside the parameter checksum. A controller without them answers "no such tag".
class CSimInfoTags
{
public:
    static constexpr std::uint16_t kHardwareVersion = 10;
    static constexpr std::uint16_t kFirmwareVersion = 12;
    static constexpr std::uint16_t kFirmwareVersionAlt = 14;
    static constexpr std::uint16_t kProgramChecksum = 0x7FC0;

    static void SetVersion(CSimModel& model, std::uint16_t firstTag, std::uint16_t major,
                           std::uint16_t minor);
    static void RemoveVersion(CSimModel& model, std::uint16_t firstTag);
    static void SetProgramChecksum(CSimModel& model, std::uint16_t value);
};
