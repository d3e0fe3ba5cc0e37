#pragma once

#include "data/CTagFile.h"
#include "link/EControllerType.h"
#include "link/LinkProtocol.h"
#include "sim/CSimModel.h"
#include "sim/CSimTagTable.h"

#include <cstdint>

// A controller of `type` without trips whose parameters are those the tag file gives the type.
inline CSimModel ModelWithTagFile(const CTagFile& tags, EControllerType type)
{
    CSimModel model;
    model.SetIdentity(type);
    model.SetTripCodes(0, 0);
    SimTagTable::AddParameters(model, tags, type);
    return model;
}

// Clears the read-only flag of every parameter the model does not hold fixed, so that any
// record can be written back, and renews the checksum word.
inline void MakeAllWritable(CSimModel& model)
{
    for (const auto& [number, tag] : model.Tags()) {
        if (tag.fixed)
            continue;
        CSimTag copy = tag;
        copy.flags &= static_cast<std::uint8_t>(~LinkProtocol::kStatusReadOnly);
        model.SetTag(number, copy);
    }
    model.ResetChecksum();
}
