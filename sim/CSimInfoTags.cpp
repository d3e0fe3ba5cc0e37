#include "sim/CSimInfoTags.h"

#include "sim/CSimModel.h"

namespace {

CSimTag InfoTag(std::uint16_t value)
{
    CSimTag tag;
    tag.value = value;
    tag.flags = LinkProtocol::kStatusSupported | LinkProtocol::kStatusReadOnly;
    tag.fixed = true;
    return tag;
}

} // namespace

void CSimInfoTags::SetVersion(CSimModel& model, std::uint16_t firstTag, std::uint16_t major,
                              std::uint16_t minor)
{
    model.SetTag(firstTag, InfoTag(major));
    model.SetTag(static_cast<std::uint16_t>(firstTag + 1), InfoTag(minor));
}

void CSimInfoTags::RemoveVersion(CSimModel& model, std::uint16_t firstTag)
{
    model.RemoveTag(firstTag);
    model.RemoveTag(static_cast<std::uint16_t>(firstTag + 1));
}

void CSimInfoTags::SetProgramChecksum(CSimModel& model, std::uint16_t value)
{
    model.SetTag(LinkProtocol::kTagProgramChecksum, InfoTag(value));
}
