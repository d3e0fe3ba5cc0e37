#include "sim/CSimModel.h"

using namespace LinkProtocol;

std::optional<std::uint16_t> CSimTag::Quantity(std::uint8_t extension) const
{
    switch (extension) {
    case kExtValue:
        return value;
    case kExtMaximum:
        return maximum;
    case kExtMinimum:
        return minimum;
    case kExtScale:
        return scale;
    case kExtDivisor:
        return divisor;
    case kExtStep:
        return step;
    case kExtShift:
        return shift;
    default:
        return std::nullopt;
    }
}

std::uint8_t CSimTag::StatusFor(std::uint8_t extension) const
{
    if (extension >= kExtMaximum && extension <= kExtShift &&
        (unsupportedAttributes & (1u << extension)))
        return static_cast<std::uint8_t>(flags & ~LinkProtocol::kStatusSupported);
    return flags;
}

CSimModel CSimModel::DefaultController()
{
    using namespace LinkProtocol;
    CSimModel model;
    model.SetIdentity(EControllerType::Tarn);
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
    auto in = [tag](std::uint16_t base) {
        return tag >= base && tag < base + LinkProtocol::kLogEntries;
    };
    using namespace LinkProtocol;
    return tag == kTagSystemLogStatus || tag == kTagControlLogStatus || in(kTagSystemLogCodes) ||
           in(kTagSystemLogCounts) || in(kTagControlLogCodes) || in(kTagControlLogCounts);
}

// Sizes the EEPROM, giving new bytes deterministic contents that are not all one value, so
// that reads can be checked.
void SizeEeprom(std::vector<std::uint8_t>& bytes, std::size_t size)
{
    const std::size_t old = bytes.size();
    bytes.resize(size);
    for (std::size_t i = old; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 37 + 11) & 0xFF);
}

} // namespace

bool CSimModel::SetIdentity(EControllerType type)
{
    using T = EControllerType;
    const bool older = type == T::MiraQx90 || type == T::MiraIso;
    const bool newer = (type <= T::Pallas && !older) || IsStoatVariant(type);
    if (!newer && !older)
        return false;

    for (std::uint16_t tag : {kTagIdentification, kTagSubType, kTagPlusVariant, kTagOlderFamily,
                              kTagOlderIsoVariant, kTagOlderFallback})
        m_tags.erase(tag);

    if (newer) {
        // The identification code is the type number up to the Stoat's; the four types after
        // it have codes 0x20, 0x30, 0x40 and 0x50.
        std::uint16_t code = ControllerTypeNumber(type);
        std::uint16_t subType = 0;
        if (type > T::Stoat && type <= T::Pallas)
            code =
                static_cast<std::uint16_t>(0x20 + 0x10 * (code - ControllerTypeNumber(T::Q25Q30)));
        if (type == T::TarnPlus)
            code = ControllerTypeNumber(T::Tarn);
        if (IsStoatVariant(type)) {
            code = ControllerTypeNumber(T::Stoat);
            subType = type == T::Ivor36V ? 3 : 2;
        }
        m_tags[kTagIdentification] = FixedTag(code);
        m_tags[kTagSubType] = FixedTag(subType);
        // A Tarn+ keeps the system log, whose status tag tells it from a Tarn.
        if (type == T::TarnPlus)
            m_tags[kTagPlusVariant] = FixedTag(1);
    } else {
        // The older family answers tag 8 without "Supported" and is told apart by its own
        // probe tags.
        m_tags[kTagIdentification] = FixedTag(0, 0);
        m_tags[kTagOlderFamily] = FixedTag(0);
        if (type == T::MiraIso)
            m_tags[kTagOlderIsoVariant] = FixedTag(0);
    }
    m_timers.SetFamily(type);
    m_adc.SetFamily(type);
    SizeEeprom(m_eeprom, EepromSizeFor(type));
    return true;
}

std::size_t CSimModel::EepromSizeFor(EControllerType type)
{
    using T = EControllerType;
    switch (type) {
    case T::Kv8:
    case T::Arvo:
    case T::ServoArvo:
    case T::Kt40:
    case T::ArvoPlus:
    case T::MiraQx90:
    case T::MiraIso:
        return 128;
    case T::Oriel:
    case T::Tarn:
        return 256;
    case T::TarnPlus:
        return 512;
    case T::Corvo120:
    case T::Stoat:
    case T::Q25Q30:
    case T::Ivor36V:
    case T::Ivor:
        return 1024;
    default:
        return kDefaultEepromSize;
    }
}

void CSimModel::SetIdentificationCode(std::uint16_t code)
{
    m_tags[kTagIdentification] = FixedTag(code);
}

void CSimModel::SetStatus(std::uint8_t firmware, std::uint8_t battery)
{
    m_firmware = firmware;
    m_battery = battery;
}

void CSimModel::SetTripCodes(std::uint16_t first, std::uint16_t second)
{
    m_tags[kTagTripCode1] = FixedTag(first);
    m_tags[kTagTripCode2] = FixedTag(second);
}

void CSimModel::SetTag(std::uint16_t tag, const CSimTag& quantities)
{
    m_tags[tag] = quantities;
    m_defaults.emplace(tag, quantities.value);
}

void CSimModel::ResetToDefaults()
{
    for (auto& [number, tag] : m_tags) {
        const auto it = m_defaults.find(number);
        if (!tag.fixed && it != m_defaults.end())
            tag.value = it->second;
    }
    ResetChecksum();
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

CLinkRecord CSimModel::ReplyTo(const CLinkRecord& request)
{
    CLinkRecord reply;
    reply.lead = LinkProtocol::kReplyLead;
    reply.extension = request.extension;
    reply.word1 = request.word1;
    reply.word2 = 0;
    reply.word3 = 0;
    reply.control = 0;
    return reply;
}

std::optional<CLinkRecord> CSimModel::Answer(const CLinkRecord& request)
{
    if (request.lead != LinkProtocol::kRequestLead || request.checksum != request.ComputeChecksum())
        return std::nullopt;

    CLinkRecord reply = ReplyTo(request);
    if (request.extension == kExtEepromByte)
        return AnswerEeprom(request, reply);
    if (request.extension == kExtAdcValue)
        return m_adc.Answer(request);
    if (request.word1 == kTagStatus) {
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
    if (request.word1 == kTagTilt && m_tilt.present)
        return m_tilt.Answer(request);
    if (auto timerReply = m_timers.Answer(request))
        return timerReply;
    if (request.word1 == kTagEepromDefaults && request.extension == kExtValue) {
        if (request.control == kControlWrite && request.word2 == 1)
            ResetToDefaults();
        reply.control = LinkProtocol::kStatusSupported;
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }

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
    if (request.control == kControlWrite && request.extension == kExtValue && writable) {
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
    if (request.extension == kExtValue)
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
