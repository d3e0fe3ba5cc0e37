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

std::uint8_t CSimTag::StatusFor(std::uint8_t extension) const
{
    if (extension >= 2 && extension <= 7 && (unsupportedAttributes & (1u << extension)))
        return static_cast<std::uint8_t>(flags & ~LinkProtocol::kStatusSupported);
    return flags;
}

CSimModel CSimModel::DefaultController()
{
    using namespace LinkProtocol;
    CSimModel model;
    model.SetIdentity(9);
    model.SetTripCodes(0, 0);
    // A few parameters with realistic limits and scaling.
    model.SetTag(0x1000, {.value = 250,
                          .maximum = 500,
                          .minimum = 10,
                          .scale = 1,
                          .divisor = 10,
                          .step = 5,
                          .shift = 0,
                          .flags = kStatusSupported | kStatusForeground});
    model.SetTag(0x1001, {.value = 120,
                          .maximum = 200,
                          .minimum = 0,
                          .scale = 1,
                          .divisor = 1,
                          .step = 1,
                          .shift = 0,
                          .flags = kStatusSupported});
    model.SetTag(0x1002, {.value = 0xFFCE,
                          .maximum = 100,
                          .minimum = 0xFF9C,
                          .scale = 1,
                          .divisor = 1,
                          .step = 1,
                          .shift = 0,
                          .flags = kStatusSupported | kStatusSigned});
    model.SetTag(0x1003, {.value = 1, .maximum = 1, .minimum = 0, .flags = kStatusSupported});
    model.SetTag(0x1004, {.value = 2400,
                          .maximum = 2400,
                          .minimum = 2400,
                          .flags = kStatusSupported | kStatusReadOnly});
    model.ResetChecksum();
    return model;
}

namespace {

CSimTag FixedTag(std::uint16_t value, std::uint8_t flags = LinkProtocol::kStatusSupported |
                                                           LinkProtocol::kStatusReadOnly)
{
    CSimTag tag;
    tag.value = value;
    tag.maximum = 0xFFFF;
    tag.flags = flags;
    tag.fixed = true;
    return tag;
}

// The status, code and count tags of either log.
bool IsLogTag(std::uint16_t tag)
{
    auto in = [tag](std::uint16_t base) { return tag >= base && tag < base + CSimLogs::kEntries; };
    return tag == CSimLogs::kSystemStatusTag || tag == CSimLogs::kControlStatusTag ||
           in(CSimLogs::kSystemCodeBase) || in(CSimLogs::kSystemCountBase) ||
           in(CSimLogs::kControlCodeBase) || in(CSimLogs::kControlCountBase);
}

std::vector<std::uint8_t> DefaultEeprom()
{
    // Deterministic contents that are not all one value, so that reads can be checked.
    std::vector<std::uint8_t> bytes(CSimModel::kDefaultEepromSize);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 37 + 11) & 0xFF);
    return bytes;
}

} // namespace

bool CSimModel::SetIdentity(int type)
{
    using namespace LinkProtocol;
    const bool newer =
        (type >= 0 && type <= 18 && type != 5 && type != 6) || type == 30 || type == 31;
    if (!newer && type != 5 && type != 6)
        return false;

    for (std::uint16_t tag : {8, 9, 64, 0x1B20, 0x3403, 0x3428})
        m_tags.erase(tag);

    if (newer) {
        std::uint16_t code = static_cast<std::uint16_t>(type);
        std::uint16_t subType = 0;
        if (type >= 15 && type <= 18)
            code = static_cast<std::uint16_t>(0x20 + 0x10 * (type - 15));
        if (type == 10)
            code = 9;
        if (type == 30 || type == 31) {
            code = 14;
            subType = type == 30 ? 3 : 2;
        }
        m_tags[8] = FixedTag(code);
        m_tags[9] = FixedTag(subType);
        if (type == 10)
            m_tags[64] = FixedTag(1);
    } else {
        // The older family answers tag 8 without "Supported" and is told apart by its own
        // probe tags.
        m_tags[8] = FixedTag(0, 0);
        m_tags[0x1B20] = FixedTag(0);
        if (type == 6)
            m_tags[0x3403] = FixedTag(0);
    }
    if (m_eeprom.empty())
        m_eeprom = DefaultEeprom();
    return true;
}

void CSimModel::SetIdentificationCode(std::uint16_t code)
{
    m_tags[8] = FixedTag(code);
}

void CSimModel::SetStatus(std::uint8_t firmware, std::uint8_t battery)
{
    m_firmware = firmware;
    m_battery = battery;
}

void CSimModel::SetTripCodes(std::uint16_t first, std::uint16_t second)
{
    m_tags[32] = FixedTag(first);
    m_tags[48] = FixedTag(second);
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
    for (const auto& [tag, quantities] : m_tags) {
        if (!quantities.fixed)
            sum = static_cast<std::uint16_t>(sum + quantities.value);
    }
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

    if (request.extension == 0x81)
        return AnswerEeprom(request, reply);
    if (request.word1 == 0xFFFF) {
        // Controller status: firmware byte in word 2, battery reading where the extension
        // would be echoed.
        reply.control = LinkProtocol::kStatusSupported | LinkProtocol::kStatusReadOnly;
        reply.extension = m_battery;
        reply.word2 = m_firmware;
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }

    if (auto logReply = m_logs.Answer(request, m_checksum))
        return logReply;

    auto it = m_tags.find(request.word1);
    if (it == m_tags.end() && IsLogTag(request.word1)) {
        // A controller without a log still knows the log's tags: it answers them without
        // "Supported", which is how the log window tells "not kept" from silence.
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }
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

    reply.control = tag.StatusFor(request.extension);
    const bool writable = (tag.flags & LinkProtocol::kStatusSupported) &&
                          !(tag.flags & LinkProtocol::kStatusReadOnly);
    if (request.control == LinkProtocol::kControlWrite && request.extension == 0 && writable) {
        // Like a controller, keep the value within the tag's limits; a write beyond them
        // reads back as the limit.
        const bool isSigned = tag.flags & LinkProtocol::kStatusSigned;
        auto number = [isSigned](std::uint16_t w) {
            return isSigned ? static_cast<int>(static_cast<std::int16_t>(w)) : static_cast<int>(w);
        };
        std::uint16_t value = request.word2;
        if (number(tag.minimum) <= number(tag.maximum)) {
            if (number(value) > number(tag.maximum))
                value = tag.maximum;
            if (number(value) < number(tag.minimum))
                value = tag.minimum;
        }
        // The checksum word follows what is actually stored.
        m_checksum = static_cast<std::uint16_t>(request.word3 + request.word2 - value);
        tag.value = value;
    }
    reply.word2 = *tag.Quantity(request.extension);
    if (request.extension == 0)
        reply.word3 = m_checksum;
    reply.checksum = reply.ComputeChecksum();
    return reply;
}

std::optional<CLinkRecord> CSimModel::AnswerEeprom(const CLinkRecord& request, CLinkRecord reply)
{
    if (request.word1 >= m_eeprom.size()) {
        reply.word1 = 0; // beyond the EEPROM: no such address
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }
    std::uint8_t& byte = m_eeprom[request.word1];
    if (request.control == LinkProtocol::kControlWrite && !m_stuckEeprom.count(request.word1))
        byte = static_cast<std::uint8_t>(request.word2 & 0xFF);
    reply.control = LinkProtocol::kStatusSupported;
    reply.word2 = byte;
    reply.checksum = reply.ComputeChecksum();
    return reply;
}
