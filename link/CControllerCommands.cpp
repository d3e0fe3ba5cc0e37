// The controller command set of CControllerLink: probing, single words, identification,
// status and trip codes, and the verified EEPROM block write. The exchange itself
// (Transact) lives in CControllerLink.cpp.
#include "link/CControllerLink.h"

#include "data/CParameter.h"
#include "data/CUnitsTable.h"

#include <QThread>

namespace {

// Display names by controller type.
constexpr const char* kTypeNames[32] = {
    "KV8",          "Arvo",         "Servo Arvo",   "KT40",           "Arvo Plus",
    "Mira/QX90",    "Mira ISO",     "KV10",         "Oriel",          "Tarn",
    "Tarn+",        "Brenna",       "Corvo 120",    "Corvo 120 Test", "Stoat",
    "Q25/Q30",      "Vanta",        "Rondo",        "Pallas",         "Corin C3",
    "Unassigned20", "Unassigned21", "Unassigned22", "Unassigned23",   "Unassigned24",
    "Unassigned25", "Unassigned26", "Unassigned27", "Unassigned28",   "Unassigned29",
    "Ivor 36V",     "Ivor",
};

} // namespace

QString CControllerLink::ControllerTypeName(std::uint16_t type)
{
    if (type >= 32)
        return QStringLiteral("Unknown controller");
    return QString::fromLatin1(kTypeNames[type]);
}

std::uint16_t CControllerLink::TypeFromIdentificationCode(std::uint16_t code)
{
    if (code <= 14)
        return code;
    switch (code) {
    case 0x20:
        return 15;
    case 0x30:
        return 16;
    case 0x40:
        return 17;
    case 0x50:
        return 18;
    default:
        return kNoType;
    }
}

std::uint16_t CControllerLink::ApplySubType(std::uint16_t type, std::uint16_t subType)
{
    if (type != 14)
        return type;
    switch (subType) {
    case 2:
        return 31;
    case 3:
    case 5:
        return 30;
    default:
        // 0, 1 and 4 are the base model. Later sub-types are not known to this program;
        // they keep the base type so that the base model's parameters still apply.
        return 14;
    }
}

int CControllerLink::Probe(std::uint16_t tag, std::uint8_t extension)
{
    CLinkPacket packet;
    return Probe(tag, extension, packet);
}

int CControllerLink::Probe(std::uint16_t tag, std::uint8_t extension, CLinkPacket& packet)
{
    packet.SetRequest(tag, extension);
    if (!Transact(packet, kCommandAttempts, NoSuchTagAnswers))
        return ProbeNoReply;
    if (packet.ReplyWord1IsZero())
        return ProbeNoSuchTag;
    if (packet.IsSupported())
        return packet.IsTempUnavailable() ? ProbeTempUnavailable : ProbeSupported;
    return ProbeNotSupported;
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

bool CControllerLink::WriteWord(std::uint16_t tag, std::uint8_t extension, std::uint16_t value,
                                std::uint16_t aux)
{
    CLinkPacket packet;
    packet.SetRequest(tag, extension, value, aux);
    packet.SetWrite();
    return Transact(packet, kCommandAttempts);
}

int CControllerLink::Identify(std::uint16_t& type)
{
    type = kNoType;
    CLinkPacket packet;
    int result = Probe(kTagIdentification, ExtValue, packet);

    if (result == ProbeSupported) {
        type = TypeFromIdentificationCode(packet.reply.word2);
        if (type == 9 && Probe(kTagPlusVariant, ExtValue) == ProbeSupported)
            type = 10;
        CLinkPacket subType;
        if (Probe(kTagSubType, ExtValue, subType) == ProbeSupported)
            type = ApplySubType(type, subType.reply.word2);
        result = 0;
    } else if (result == ProbeNotSupported) {
        // The older family has no identification tag; it is told apart by which of its
        // own tags it supports.
        const int older = Probe(kTagOlderFamily, ExtValue);
        if (older == ProbeSupported || older == ProbeTempUnavailable) {
            type = 5;
            const int iso = Probe(kTagOlderIsoVariant, ExtValue);
            if (iso == ProbeSupported || iso == ProbeTempUnavailable)
                type = 6;
            result = 0;
        } else if (older == ProbeNotSupported) {
            const int fallback = Probe(kTagOlderFallback, ExtValue);
            if (fallback == ProbeSupported || fallback == ProbeTempUnavailable) {
                type = 5;
                result = 0;
            } else {
                result = ProbeNotSupported;
            }
        } else {
            result = older;
        }
    }

    SetReplyTimeout(type == kSlowReplyType ? kSlowReplyTimeoutMs : kDefaultReplyTimeoutMs);
    return result;
}

int CControllerLink::ReadFixedTag(std::uint16_t tag, std::uint16_t& value)
{
    CLinkPacket packet;
    packet.SetRequest(tag, ExtValue);
    if (!Transact(packet, kCommandAttempts)) {
        value = 0xFFFF;
        return ProbeNoReply;
    }
    value = packet.reply.word2;
    return 0;
}

int CControllerLink::ReadControllerStatus(std::uint16_t& byte)
{
    const int result = ReadFixedTag(kTagStatus, byte);
    if (result == 0)
        byte &= 0x00FF;
    return result;
}

int CControllerLink::ReadTripCode1(std::uint16_t& code)
{
    return ReadFixedTag(kTagTripCode1, code);
}

int CControllerLink::ReadTripCode2(std::uint16_t& code)
{
    return ReadFixedTag(kTagTripCode2, code);
}

bool CControllerLink::WriteBytesVerified(std::uint16_t type, const std::uint8_t* data,
                                         std::uint16_t length, std::uint16_t startAddress)
{
    std::uint16_t connected = kNoType;
    if (Identify(connected) != 0 || connected != type)
        return false;
    if (length == 0 || data == nullptr)
        return false;

    for (std::uint16_t i = 0; i < length; ++i) {
        const auto address = static_cast<std::uint16_t>(startAddress + i);
        CLinkPacket write;
        write.SetRequest(address, ExtEepromByte, data[i], 0);
        write.SetWrite();
        if (!Transact(write, kByteBlockAttempts))
            return false;
        CLinkPacket read;
        read.SetRequest(address, ExtEepromByte);
        if (!Transact(read, kByteBlockAttempts))
            return false;
        if ((read.reply.word2 & 0xFF) != data[i])
            return false;
        QThread::msleep(kByteWritePauseMs);
    }
    return true;
}

int CControllerLink::ReadParameter(std::uint16_t tag, std::uint16_t unitsCode, CParameter& record)
{
    record.unitsCode = unitsCode;
    m_lastReadFailure = ReadFailureNoReply;
    CLinkPacket packet;
    packet.SetRequest(tag, ExtValue);
    if (!Transact(packet, kCommandAttempts, NoSuchTagAnswers) || !packet.IsReplyValid())
        return ReadFailed;
    m_lastReadFailure = ReadFailureRefused;
    if (!packet.ReplyMatchesRequest())
        return packet.ReplyWord1IsZero() ? ReadNoSuchParameter : ReadFailed;

    record.supported = packet.IsSupported();
    if (!record.supported)
        return ReadFailed;
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
        {ExtMaximum, &CParameter::maximum, CUnitsTable::DefaultMaximum(unitsCode)},
        {ExtMinimum, &CParameter::minimum, 0},
        {ExtScale, &CParameter::scale, 1},
        {ExtDivisor, &CParameter::div, 1},
        {ExtStep, &CParameter::step, 1},
        {ExtShift, &CParameter::shift, 0},
    };
    for (const SAttribute& attribute : attributes) {
        CLinkPacket read;
        read.SetRequest(tag, attribute.extension);
        if (!Transact(read, kCommandAttempts)) {
            m_lastReadFailure = ReadFailureNoReply;
            return ReadFailed;
        }
        std::uint16_t word = read.IsSupported() ? read.reply.word2 : attribute.fallback;
        // A zero multiplier or divisor would make every displayed value 0 or undefined.
        if (word == 0 && (attribute.extension == ExtScale || attribute.extension == ExtDivisor))
            word = 1;
        record.*attribute.field = word;
    }
    m_lastReadFailure = ReadFailureNone;
    return ReadOk;
}

int CControllerLink::WriteParameter(const CParameter& record)
{
    CLinkPacket packet;
    packet.SetRequest(record.tagNumber, record.extension);
    m_lastWriteCurrent.reset();
    if (!Transact(packet, kCommandAttempts))
        return WriteNoReply;
    m_lastWriteCurrent = packet.reply.word2;
    if (!packet.IsSupported())
        return WriteNotSupported;
    if (packet.IsReadOnly())
        return WriteReadOnly;

    // The controller keeps a checksum word over its stored values; moving this value by d
    // moves the checksum word by -d so that the sum stays the same.
    const std::uint16_t newValue = record.value;
    packet.request.word2 = newValue;
    packet.request.word3 =
        static_cast<std::uint16_t>(packet.reply.word3 + packet.reply.word2 - newValue);
    packet.SetWrite();
    if (!Transact(packet, kCommandAttempts))
        return WriteNoReply;

    packet.SetRead();
    QThread::msleep(kWriteSettleMs);
    if (!Transact(packet, kWriteReadBackAttempts))
        return WriteNoReply;
    return packet.reply.word2 == newValue ? WriteOk : WriteMismatch;
}
