#include "ops/tools/CControllerInfo.h"

#include "data/CParameterText.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/tools/CTripNames.h"
#include "res/StringTable.h"

namespace {
// The string-table texts carry printf formats.
QByteArray Format(EString id)
{
    return LoadString(id).toUtf8();
}
} // namespace

// The types whose status reply carries the firmware byte and a raw battery reading.
bool CControllerInfo::HasFirmwareStatus(EControllerType type)
{
    return IsTarnFamily(type) || type == EControllerType::Corvo120;
}

bool CControllerInfo::ReadProgramChecksum(EControllerType type, int& checksum)
{
    if (!IsTarnFamily(type))
        return false;
    // A controller without the tag says so at once ("no such tag"): no checksum, and no
    // waiting out every attempt, which would also leave the next "no such tag" unbelievable.
    CLinkPacket packet;
    packet.SetRequest(LinkProtocol::kTagProgramChecksum, LinkProtocol::kExtValue);
    if (!m_link.Transact(packet, CControllerLink::kCommandAttempts,
                         CControllerLink::NoSuchTagAnswers) ||
        packet.ReplyWord1IsZero())
        return false;
    // The controller keeps this word low byte first: frame byte 5 is its low byte.
    const LinkFrame& frame = m_link.LastReplyBytes();
    checksum = frame[5] | (frame[6] << 8);
    return true;
}

CControllerInfo::SUnitIdentity CControllerInfo::ReadUnitIdentity(EControllerType type)
{
    SUnitIdentity identity;
    const auto pair = [](std::uint16_t major, std::uint16_t minor) {
        return QStringLiteral("%1.%2").arg(major).arg(minor);
    };
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    if (m_link.ReadVersionPair(LinkProtocol::kTagHardwareVersion, major, minor))
        identity.hardware = pair(major, minor);
    if (m_link.ReadVersionPair(LinkProtocol::kTagFirmwareVersion, major, minor) ||
        m_link.ReadVersionPair(LinkProtocol::kTagFirmwareVersionAlt, major, minor))
        identity.firmware = pair(major, minor);
    std::uint16_t firmwareByte = 0;
    if (identity.firmware.isEmpty() && HasFirmwareStatus(type) &&
        m_link.ReadControllerStatus(firmwareByte) == EFixedTagResult::Answered)
        identity.firmware = QString::number(firmwareByte);
    int checksum = 0;
    if (ReadProgramChecksum(type, checksum))
        identity.checksum = QStringLiteral("0x") + HexWord(unsigned(checksum));
    return identity;
}

QString CControllerInfo::Build()
{
    m_link.Identify(m_type);
    QString text = LoadString(EString::ControllerIdLabel) +
                   CControllerLink::ControllerTypeName(m_type) + QLatin1Char('\n');

    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    if (m_link.ReadVersionPair(LinkProtocol::kTagHardwareVersion, major, minor))
        text += QString::asprintf(Format(EString::HardwareLine).constData(), major, minor);

    if (m_link.ReadVersionPair(LinkProtocol::kTagFirmwareVersion, major, minor)) {
        text += QString::asprintf(Format(EString::FirmwareLine).constData(), major, minor);
    } else if (m_link.ReadVersionPair(LinkProtocol::kTagFirmwareVersionAlt, major, minor)) {
        text += QString::asprintf(Format(EString::FirmwareLineAlt).constData(), major, minor);
    } else if (HasFirmwareStatus(m_type)) {
        std::uint16_t firmware = 0;
        if (m_link.ReadControllerStatus(firmware) == EFixedTagResult::Answered) {
            // The battery reading travels in reply byte 2, where other replies echo the
            // extension.
            const std::uint8_t battery = m_link.LastReplyBytes()[2];
            text += QString::asprintf(Format(EString::FirmwareByte).constData(), int(firmware)) +
                    QLatin1Char('\n');
            text += QString::asprintf(Format(EString::BatteryLine).constData(),
                                      battery / kBatteryCountsPerVolt);
        }
    }

    int checksum = 0;
    if (ReadProgramChecksum(m_type, checksum))
        text += QString::asprintf(Format(EString::ChecksumLine).constData(), checksum);

    std::uint16_t trip = 0;
    if (m_link.ReadTripCode1(trip) != EFixedTagResult::Answered)
        return LoadString(EString::CommsLost);
    if (trip == 0 && m_link.ReadTripCode2(trip) != EFixedTagResult::Answered)
        trip = 0;
    if (trip != 0) {
        text += QString::asprintf(Format(EString::TripCodeLine).constData(), int(trip));
        if (const auto name = CTripNames::Find(m_tags, trip))
            text += QString::asprintf(Format(EString::TripTypeLine).constData(),
                                      name->toUtf8().constData());
    }

    if (text.isEmpty())
        text = LoadString(EString::NoInformation);
    return text;
}

QString CControllerInfo::Show(CTavrinDoc& doc)
{
    QString text;
    {
        CTransferSession session(doc);
        CControllerInfo info(doc.Link(), doc.Tags());
        text = info.Build();
        doc.SetConnectedType(info.IdentifiedType());
    }
    doc.Prompt().Message(text, IUserPrompt::EIcon::Information, QString::fromLatin1(kCaption));
    return text;
}
