// The controller command set of CControllerLink: probing, single words, identification,
// status and trip codes, and the verified EEPROM block write. The exchange itself
// (Transact) lives in CControllerLink.cpp.
#include "link/CControllerLink.h"

#include "data/CParameter.h"
#include "data/CUnitsTable.h"

#include <QThread>

using namespace LinkProtocol;

namespace {

// Display names by controller type.
constexpr const char* kTypeNames[kControllerTypeCount] = {
    "KV8",          "Arvo",         "Servo Arvo",   "KT40",           "Arvo Plus",
    "Mira/QX90",    "Mira ISO",     "KV10",         "Oriel",          "Tarn",
    "Tarn+",        "Brenna",       "Corvo 120",    "Corvo 120 Test", "Stoat",
    "Q25/Q30",      "Vanta",        "Rondo",        "Pallas",         "Corin C3",
    "Unassigned20", "Unassigned21", "Unassigned22", "Unassigned23",   "Unassigned24",
    "Unassigned25", "Unassigned26", "Unassigned27", "Unassigned28",   "Unassigned29",
    "Ivor 36V",     "Ivor",
};

} // namespace

QString CControllerLink::ControllerTypeName(EControllerType type)
{
    const std::uint16_t number = ControllerTypeNumber(type);
    if (number >= kControllerTypeCount)
        return QStringLiteral("Unknown controller");
    return QString::fromLatin1(kTypeNames[number]);
}

EControllerType CControllerLink::TypeFromIdentificationCode(std::uint16_t code)
{
    // The codes up to the Stoat's are the type numbers themselves; the later types have
    // codes of their own.
    if (code <= ControllerTypeNumber(EControllerType::Stoat))
        return ControllerTypeFromNumber(code);
    switch (code) {
    case 0x20:
        return EControllerType::Q25Q30;
    case 0x30:
        return EControllerType::Vanta;
    case 0x40:
        return EControllerType::Rondo;
    case 0x50:
        return EControllerType::Pallas;
    default:
        return EControllerType::None;
    }
}

EControllerType CControllerLink::ApplySubType(EControllerType type, std::uint16_t subType)
{
    if (type != EControllerType::Stoat)
        return type;
    switch (subType) {
    case 2:
        return EControllerType::Ivor;
    case 3:
    case 5:
        return EControllerType::Ivor36V;
    default:
        // 0, 1 and 4 are the base model. Later sub-types are not known to this program;
        // they keep the base type so that the base model's parameters still apply.
        return EControllerType::Stoat;
    }
}

EProbeResult CControllerLink::Probe(std::uint16_t tag, std::uint8_t extension)
{
    CLinkPacket packet;
    return Probe(tag, extension, packet);
}

EProbeResult CControllerLink::Probe(std::uint16_t tag, std::uint8_t extension, CLinkPacket& packet)
{
    packet.SetRequest(tag, extension);
    if (!Transact(packet, kCommandAttempts, NoSuchTagAnswers))
        return EProbeResult::NoReply;
    if (packet.ReplyWord1IsZero())
        return EProbeResult::NoSuchTag;
    if (packet.IsSupported())
        return packet.IsTempUnavailable() ? EProbeResult::TempUnavailable : EProbeResult::Supported;
    return EProbeResult::NotSupported;
}

bool CControllerLink::ReadWord(std::uint16_t tag, std::uint8_t extension, std::uint16_t& value)
{
    CLinkPacket packet;
    packet.SetRequest(tag, extension);
    if (!Transact(packet, kCommandAttempts))
        return false;
    value = packet.reply.word2;
    return true;
}

bool CControllerLink::ReadVersionPair(std::uint16_t tag, std::uint16_t& major, std::uint16_t& minor)
{
    std::uint16_t words[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        CLinkPacket packet;
        packet.SetRequest(static_cast<std::uint16_t>(tag + i), LinkProtocol::kExtValue);
        if (!Transact(packet, kVersionAttempts, NoSuchTagAnswers) || packet.ReplyWord1IsZero() ||
            !packet.IsSupported())
            return false;
        words[i] = packet.reply.word2;
    }
    major = words[0];
    minor = words[1];
    return true;
}

bool CControllerLink::WriteWord(std::uint16_t tag, std::uint8_t extension, std::uint16_t value,
                                std::uint16_t aux)
{
    CLinkPacket packet;
    packet.SetRequest(tag, extension, value, aux);
    packet.SetWrite();
    return Transact(packet, kCommandAttempts);
}

namespace {

// A probe that found the tag, whether or not its value is available just now.
bool Found(EProbeResult result)
{
    return result == EProbeResult::Supported || result == EProbeResult::TempUnavailable;
}

// The result of an identification that a probe ended: the same value.
EIdentifyResult Failure(EProbeResult result)
{
    return static_cast<EIdentifyResult>(result);
}

} // namespace

EProbeResult CControllerLink::ProbeVariant(std::uint16_t tag, CLinkPacket& packet)
{
    EProbeResult result = EProbeResult::NoReply;
    for (int probe = 0; probe < kVariantProbes && result == EProbeResult::NoReply; ++probe)
        result = Probe(tag, kExtValue, packet);
    return result;
}

EIdentifyResult CControllerLink::Identify(EControllerType& type)
{
    type = EControllerType::None;
    CLinkPacket packet;
    const EProbeResult probe = Probe(kTagIdentification, kExtValue, packet);
    EIdentifyResult result = Failure(probe);

    if (probe == EProbeResult::Supported) {
        type = TypeFromIdentificationCode(packet.reply.word2);
        result = EIdentifyResult::Identified;
        if (type == EControllerType::Tarn) {
            const EProbeResult plus = ProbeVariant(kTagPlusVariant, packet);
            if (plus == EProbeResult::Supported)
                type = EControllerType::TarnPlus;
            else if (plus == EProbeResult::NoReply)
                result = EIdentifyResult::NoReply;
        }
        if (result == EIdentifyResult::Identified) {
            CLinkPacket subType;
            const EProbeResult sub = ProbeVariant(kTagSubType, subType);
            if (sub == EProbeResult::Supported)
                type = ApplySubType(type, subType.reply.word2);
            else if (sub == EProbeResult::NoReply && type == EControllerType::Stoat)
                result = EIdentifyResult::NoReply;
        }
        if (result != EIdentifyResult::Identified)
            type = EControllerType::None;
    } else if (probe == EProbeResult::NotSupported) {
        // The older family has no identification tag; it is told apart by which of its
        // own tags it supports.
        const EProbeResult older = Probe(kTagOlderFamily, kExtValue);
        if (Found(older)) {
            type = EControllerType::MiraQx90;
            result = EIdentifyResult::Identified;
            const EProbeResult iso = ProbeVariant(kTagOlderIsoVariant, packet);
            if (Found(iso)) {
                type = EControllerType::MiraIso;
            } else if (iso == EProbeResult::NoReply) {
                type = EControllerType::None;
                result = EIdentifyResult::NoReply;
            }
        } else if (older == EProbeResult::NotSupported) {
            if (Found(Probe(kTagOlderFallback, kExtValue))) {
                type = EControllerType::MiraQx90;
                result = EIdentifyResult::Identified;
            } else {
                result = EIdentifyResult::NotRecognised;
            }
        } else {
            result = Failure(older);
        }
    }

    SetReplyTimeout(type == kSlowReplyType ? kSlowReplyTimeoutMs : kDefaultReplyTimeoutMs);
    return result;
}

EFixedTagResult CControllerLink::ReadFixedTag(std::uint16_t tag, std::uint16_t& value)
{
    CLinkPacket packet;
    packet.SetRequest(tag, kExtValue);
    if (!Transact(packet, kCommandAttempts)) {
        value = 0xFFFF;
        return EFixedTagResult::NoReply;
    }
    value = packet.reply.word2;
    return EFixedTagResult::Answered;
}

EFixedTagResult CControllerLink::ReadControllerStatus(std::uint16_t& byte)
{
    const EFixedTagResult result = ReadFixedTag(kTagStatus, byte);
    if (result == EFixedTagResult::Answered)
        byte &= 0x00FF;
    return result;
}

EFixedTagResult CControllerLink::ReadTripCode1(std::uint16_t& code)
{
    return ReadFixedTag(kTagTripCode1, code);
}

EFixedTagResult CControllerLink::ReadTripCode2(std::uint16_t& code)
{
    return ReadFixedTag(kTagTripCode2, code);
}

bool CControllerLink::ReadEepromByte(std::uint16_t address, std::uint8_t& byte)
{
    CLinkPacket read;
    read.SetRequest(address, kExtEepromByte);
    if (!Transact(read, kByteBlockAttempts))
        return false;
    byte = static_cast<std::uint8_t>(read.reply.word2 & 0xFF);
    return true;
}

bool CControllerLink::WriteEepromByteVerified(std::uint16_t address, std::uint8_t byte)
{
    CLinkPacket write;
    write.SetRequest(address, kExtEepromByte, byte, 0);
    write.SetWrite();
    if (!Transact(write, kByteBlockAttempts))
        return false;
    std::uint8_t readBack = 0;
    return ReadEepromByte(address, readBack) && readBack == byte;
}

EVerifiedWriteResult CControllerLink::WriteBytesVerified(EControllerType type,
                                                         const std::uint8_t* data,
                                                         std::uint16_t length,
                                                         std::uint16_t startAddress,
                                                         const ByteProgress& progress)
{
    EControllerType connected = EControllerType::None;
    if (Identify(connected) != EIdentifyResult::Identified || connected != type)
        return EVerifiedWriteResult::OtherType;
    if (length == 0 || data == nullptr)
        return EVerifiedWriteResult::NothingToWrite;

    for (std::uint16_t i = 0; i < length; ++i) {
        if (!WriteEepromByteVerified(static_cast<std::uint16_t>(startAddress + i), data[i]))
            return EVerifiedWriteResult::NotVerified;
        if (progress)
            progress(i + 1);
        QThread::msleep(kByteWritePauseMs);
    }
    return EVerifiedWriteResult::Verified;
}

EReadResult CControllerLink::ReadParameter(std::uint16_t tag, std::uint16_t unitsCode,
                                           CParameter& record)
{
    record.unitsCode = unitsCode;
    m_lastReadFailure = EReadFailure::NoReply;
    CLinkPacket packet;
    packet.SetRequest(tag, kExtValue);
    if (!Transact(packet, kCommandAttempts, NoSuchTagAnswers) || !packet.IsReplyValid())
        return EReadResult::Failed;
    m_lastReadFailure = EReadFailure::Refused;
    if (!packet.ReplyMatchesRequest())
        return packet.ReplyWord1IsZero() ? EReadResult::NoSuchParameter : EReadResult::Failed;

    record.supported = packet.IsSupported();
    if (!record.supported)
        return EReadResult::Failed;
    record.tagNumber = packet.reply.word1;
    record.value = packet.reply.word2;
    record.checksumWord = packet.reply.word3;
    record.extension = packet.reply.extension;
    record.SetFlagsByte(packet.ReplyStatus());

    struct SAttribute
    {
        std::uint8_t extension;
        std::uint16_t CParameter::*field;
        std::uint16_t fallback;
    };
    const SAttribute attributes[] = {
        {kExtMaximum, &CParameter::maximum, CUnitsTable::DefaultMaximum(unitsCode)},
        {kExtMinimum, &CParameter::minimum, 0},
        {kExtScale, &CParameter::scale, 1},
        {kExtDivisor, &CParameter::div, 1},
        {kExtStep, &CParameter::step, 1},
        {kExtShift, &CParameter::shift, 0},
    };
    for (const SAttribute& attribute : attributes) {
        CLinkPacket read;
        read.SetRequest(tag, attribute.extension);
        if (!Transact(read, kCommandAttempts)) {
            m_lastReadFailure = EReadFailure::NoReply;
            return EReadResult::Failed;
        }
        std::uint16_t word = read.IsSupported() ? read.reply.word2 : attribute.fallback;
        // A zero multiplier or divisor would make every displayed value 0 or undefined.
        if (word == 0 && (attribute.extension == kExtScale || attribute.extension == kExtDivisor))
            word = 1;
        record.*attribute.field = word;
    }
    m_lastReadFailure = EReadFailure::None;
    return EReadResult::Read;
}

EWriteResult CControllerLink::WriteParameter(const CParameter& record,
                                             const BeforeWrite& beforeWrite)
{
    CLinkPacket packet;
    packet.SetRequest(record.tagNumber, record.extension);
    m_lastWriteCurrent.reset();
    if (!Transact(packet, kCommandAttempts))
        return EWriteResult::NoReply;
    m_lastWriteCurrent = packet.reply.word2;
    if (!packet.IsSupported())
        return EWriteResult::NotSupported;
    if (packet.IsReadOnly())
        return EWriteResult::ReadOnly;
    if (beforeWrite && !beforeWrite({packet.reply.word1, packet.reply.word2, packet.reply.word3,
                                     packet.reply.extension, packet.ReplyStatus()}))
        return EWriteResult::NotBackedUp;

    // The controller keeps a checksum word over its stored values; moving this value by d
    // moves the checksum word by -d so that the sum stays the same.
    const std::uint16_t newValue = record.value;
    packet.request.word2 = newValue;
    packet.request.word3 =
        static_cast<std::uint16_t>(packet.reply.word3 + packet.reply.word2 - newValue);
    packet.SetWrite();
    if (!Transact(packet, kCommandAttempts))
        return EWriteResult::NoReply;

    packet.SetRead();
    QThread::msleep(kWriteSettleMs);
    if (!Transact(packet, kWriteReadBackAttempts))
        return EWriteResult::NoReply;
    return packet.reply.word2 == newValue ? EWriteResult::Confirmed : EWriteResult::ReadBackDiffers;
}
