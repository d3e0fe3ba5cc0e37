#include "link/CLinkPacket.h"

namespace LinkProtocol {

std::uint8_t FrameChecksum(const std::uint8_t* frame)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kFrameSize - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + frame[i]);
    return static_cast<std::uint8_t>(sum ^ 0xFF);
}

bool IsValidFrame(const std::uint8_t* frame, std::uint8_t lead)
{
    return frame[0] == lead && frame[kFrameSize - 1] == FrameChecksum(frame);
}

} // namespace LinkProtocol

LinkFrame CLinkRecord::Encode() const
{
    return {lead,
            control,
            extension,
            static_cast<std::uint8_t>(word1 >> 8),
            static_cast<std::uint8_t>(word1 & 0xFF),
            static_cast<std::uint8_t>(word2 >> 8),
            static_cast<std::uint8_t>(word2 & 0xFF),
            static_cast<std::uint8_t>(word3 >> 8),
            static_cast<std::uint8_t>(word3 & 0xFF),
            checksum};
}

CLinkRecord CLinkRecord::Decode(const std::uint8_t* frame)
{
    CLinkRecord r;
    r.lead = frame[0];
    r.control = frame[1];
    r.extension = frame[2];
    r.word1 = static_cast<std::uint16_t>((frame[3] << 8) | frame[4]);
    r.word2 = static_cast<std::uint16_t>((frame[5] << 8) | frame[6]);
    r.word3 = static_cast<std::uint16_t>((frame[7] << 8) | frame[8]);
    r.checksum = frame[9];
    return r;
}

std::uint8_t CLinkRecord::ComputeChecksum() const
{
    return LinkProtocol::FrameChecksum(Encode().data());
}

void CLinkPacket::SetRequest(std::uint16_t word1, std::uint8_t extension, std::uint16_t word2,
                             std::uint16_t word3)
{
    request.lead = LinkProtocol::kRequestLead;
    request.control = LinkProtocol::kControlRead;
    request.extension = extension;
    request.word1 = word1;
    request.word2 = word2;
    request.word3 = word3;
    UpdateChecksum();
}

void CLinkPacket::SetRead()
{
    request.control = LinkProtocol::kControlRead;
    UpdateChecksum();
}

void CLinkPacket::SetWrite()
{
    request.control = LinkProtocol::kControlWrite;
    UpdateChecksum();
}

void CLinkPacket::UpdateChecksum()
{
    request.checksum = request.ComputeChecksum();
}

bool CLinkPacket::IsReplyValid() const
{
    return reply.lead == LinkProtocol::kReplyLead && reply.extension == request.extension &&
           reply.checksum == reply.ComputeChecksum();
}

bool CLinkPacket::ReplyMatchesRequest() const
{
    return reply.extension == request.extension && reply.word1 == request.word1;
}
