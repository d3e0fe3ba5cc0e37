#include "sim/CSimModel.h"

std::optional<std::uint16_t> CSimTag::Quantity(std::uint8_t extension) const
{
    switch (extension) {
    case 0:
        return value;
    case 2:
        return maximum;
    case 3:
        return minimum;
    case 4:
        return scale;
    case 5:
        return divisor;
    case 6:
        return step;
    case 7:
        return shift;
    default:
        return std::nullopt;
    }
}

CSimModel CSimModel::DefaultController()
{
    using namespace LinkProtocol;
    CSimModel model;
    // Identification: code 9 on tag 8, sub-type 0 on tag 9.
    model.SetTag(8, {.value = 9, .maximum = 0xFF, .flags = kStatusSupported | kStatusReadOnly});
    model.SetTag(9, {.value = 0, .maximum = 0xFF, .flags = kStatusSupported | kStatusReadOnly});
    // A few parameters with realistic limits and scaling.
    model.SetTag(0x1000, {.value = 250, .maximum = 500, .minimum = 10, .scale = 1, .divisor = 10,
                          .step = 5, .shift = 0, .flags = kStatusSupported | kStatusForeground});
    model.SetTag(0x1001, {.value = 120, .maximum = 200, .minimum = 0, .scale = 1, .divisor = 1,
                          .step = 1, .shift = 0, .flags = kStatusSupported});
    model.SetTag(0x1002, {.value = 0xFFCE, .maximum = 100, .minimum = 0xFF9C, .scale = 1,
                          .divisor = 1, .step = 1, .shift = 0,
                          .flags = kStatusSupported | kStatusSigned});
    model.SetTag(0x1003, {.value = 1, .maximum = 1, .minimum = 0, .flags = kStatusSupported});
    model.SetTag(0x1004, {.value = 2400, .maximum = 2400, .minimum = 2400,
                          .flags = kStatusSupported | kStatusReadOnly});
    model.ResetChecksum();
    return model;
}

void CSimModel::SetTag(std::uint16_t tag, const CSimTag& quantities)
{
    m_tags[tag] = quantities;
}

void CSimModel::RemoveTag(std::uint16_t tag)
{
    m_tags.erase(tag);
}

const CSimTag* CSimModel::Tag(std::uint16_t tag) const
{
    const auto it = m_tags.find(tag);
    return it == m_tags.end() ? nullptr : &it->second;
}

std::uint16_t CSimModel::ValueSum() const
{
    std::uint16_t sum = 0;
    for (const auto& [tag, quantities] : m_tags)
        sum = static_cast<std::uint16_t>(sum + quantities.value);
    return sum;
}

void CSimModel::ResetChecksum()
{
    m_checksum = static_cast<std::uint16_t>(kChecksumBase - ValueSum());
}

bool CSimModel::ChecksumConsistent() const
{
    return static_cast<std::uint16_t>(ValueSum() + m_checksum) == kChecksumBase;
}

LinkFrame CSimModel::EncodeReply(CLinkRecord reply)
{
    reply.lead = LinkProtocol::kReplyLead;
    reply.checksum = reply.ComputeChecksum();
    return reply.Encode();
}

std::optional<CLinkRecord> CSimModel::Answer(const CLinkRecord& request)
{
    if (request.lead != LinkProtocol::kRequestLead || request.checksum != request.ComputeChecksum())
        return std::nullopt;

    CLinkRecord reply;
    reply.lead = LinkProtocol::kReplyLead;
    reply.extension = request.extension;
    reply.word1 = request.word1;
    reply.word2 = 0;
    reply.word3 = 0;
    reply.control = 0;

    auto it = m_tags.find(request.word1);
    if (it == m_tags.end()) {
        reply.word1 = 0; // no such parameter
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }
    CSimTag& tag = it->second;
    const auto quantity = tag.Quantity(request.extension);
    if (!quantity) {
        // An extension this tag has no quantity for: answered, but not supported.
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }

    reply.control = tag.flags;
    const bool writable = (tag.flags & LinkProtocol::kStatusSupported) &&
                          !(tag.flags & LinkProtocol::kStatusReadOnly);
    if (request.control == LinkProtocol::kControlWrite && request.extension == 0 && writable) {
        tag.value = request.word2;
        m_checksum = request.word3;
    }
    reply.word2 = *tag.Quantity(request.extension);
    if (request.extension == 0)
        reply.word3 = m_checksum;
    reply.checksum = reply.ComputeChecksum();
    return reply;
}
