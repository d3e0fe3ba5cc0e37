#include "sim/CSimTagTable.h"

#include "data/COptionTextTable.h"
#include "data/CTagFile.h"
#include "data/CUnitsTable.h"

#include <algorithm>
#include <set>

namespace SimTagTable {
namespace {

// A small, stable hash so that every run of the simulator holds the same values.
std::uint32_t Mix(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

struct SRange
{
    int minimum;
    int maximum;
    int scale;
    int divisor;
    int step;
    int shift;
    bool isSigned;
};

// Raw limits and scaling that suit each units code.
SRange RangeForUnits(int units, std::uint32_t hash)
{
    switch (units) {
    case 1: // hexadecimal
        return {0, 0xFF, 1, 1, 1, 0, false};
    case 2: // volts: raw counts of 0.2 V
        return {90, 240, 1, 5, 1, 0, false};
    case 3: // decivolts
        return {0, 100, 1, 1, 1, 0, false};
    case 4: // amps: raw counts of 2 A
        return {0, 150 + static_cast<int>(hash % 4) * 25, 2, 1, 1, 0, false};
    case 5: // milliohms
        return {0, 1000, 1, 1, 5, 0, false};
    case 6: // celsius, with negative limits
        return {-20, 69, 1, 1, 1, 0, true};
    case 7: // percent of 255 counts
        return {0, 255, 100, 255, 1, 0, false};
    case 8: // amp hours
        return {10, 600, 1, 1, 5, 0, false};
    case 9: // seconds
        return {0, 60, 1, 1, 1, 0, false};
    case 10: // centiseconds in steps of 5
        return {0, 500, 1, 1, 5, 0, false};
    case 11: // minutes
        return {0, 60, 1, 1, 1, 0, false};
    case 12: // hours
        return {0, 24, 1, 1, 1, 0, false};
    case 13: // a printable character
        return {32, 126, 1, 1, 1, 0, false};
    case 14: // degrees, signed around the centre
        return {-180, 179, 1, 1, 1, 0, true};
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20: // two-state
        return {0, 1, 1, 1, 1, 0, false};
    case 21: // rpm in steps of 50
        return {0, 6000, 1, 1, 50, 0, false};
    case 22: // hertz
        return {1, 100, 1, 1, 1, 0, false};
    case 23: // milliseconds in steps of 10
        return {0, 1000, 1, 1, 10, 0, false};
    case 24: // millivolts with an offset
        return {0, 500, 2, 1, 1, 100, false};
    default: // plain integers
        return {0, 100 + static_cast<int>(hash % 10) * 100, 1, 1, 1, 0, false};
    }
}

} // namespace

int AddParameters(CSimModel& model, const CTagFile& tags, EControllerType type)
{
    using namespace LinkProtocol;
    int added = 0;
    std::set<std::uint16_t> made; // the first record of a number in file order wins
    for (const auto& info : tags.Tags()) {
        if (!info->AppliesToType(type))
            continue;
        const CSimTag* existing = model.Tag(info->tag);
        if ((existing && existing->fixed) || !made.insert(info->tag).second)
            continue;

        const std::uint32_t hash = Mix(info->tag * 2654435761u + static_cast<std::uint32_t>(type));
        SRange range = RangeForUnits(info->unitsCode, hash);
        // A value shown with a percent sign after it is a share: 0..100.
        if (info->PresentationCode() == 3 && !CUnitsTable::IsTwoState(info->unitsCode))
            range = {0, 100, 1, 1, 1, 0, false};
        if (const auto* row = COptionTextTable::FindRow(info->tag, static_cast<quint16>(type))) {
            const int texts = std::max(1, COptionTextTable::ListLength(row->list));
            const int maximum = row->mode == COptionTextTable::EMode::Index
                                    ? texts - 1
                                    : (1 << std::min(texts - 1, 15)) - 1;
            range = {0, maximum, 1, 1, 1, 0, false};
        }

        CSimTag tag;
        const int steps = (range.maximum - range.minimum) / std::max(range.step, 1);
        const int value = range.minimum + static_cast<int>((hash >> 8) % (steps + 1)) * range.step;
        tag.value = static_cast<std::uint16_t>(value);
        tag.maximum = static_cast<std::uint16_t>(range.maximum);
        tag.minimum = static_cast<std::uint16_t>(range.minimum);
        tag.scale = static_cast<std::uint16_t>(range.scale);
        tag.divisor = static_cast<std::uint16_t>(range.divisor);
        tag.step = static_cast<std::uint16_t>(range.step);
        tag.shift = static_cast<std::uint16_t>(range.shift);
        tag.flags = kStatusSupported;
        if (range.isSigned)
            tag.flags |= kStatusSigned;
        if (hash % 11 == 0)
            tag.flags |= kStatusReadOnly;
        if (hash % 7 == 0 && !CUnitsTable::IsTwoState(info->unitsCode))
            tag.flags |= kStatusForeground;
        model.SetTag(info->tag, tag);
        ++added;
    }
    model.ResetChecksum();
    return added;
}

} // namespace SimTagTable
