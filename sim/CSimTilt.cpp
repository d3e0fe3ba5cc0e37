#include "sim/CSimTilt.h"

#include "link/LinkProtocol.h"

std::optional<CLinkRecord> CSimTilt::Answer(const CLinkRecord& request)
{
    CLinkRecord reply;
    reply.lead = LinkProtocol::kReplyLead;
    reply.extension = request.extension;
    reply.word1 = request.word1;
    reply.control = 0;
    if (request.extension != LinkProtocol::kExtValue) {
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }

    const bool zeroWrite =
        request.control == LinkProtocol::kControlWrite && request.word2 == 1 && request.word3 == 0;
    if (zeroWrite && refuseZero) {
        m_step = EStep::Idle;
        return std::nullopt; // every try of it, not just the first
    }
    if (request.control == LinkProtocol::kControlRead) {
        // What a read saw is what the closing write of a series must repeat.
        m_readReading = reading;
        m_readOffset = offset;
    } else if (m_step == EStep::Idle && request.word2 == 0) {
        m_newOffset = request.word3;
        m_step = EStep::OffsetSent;
    } else if (m_step == EStep::OffsetSent && zeroWrite) {
        m_step = EStep::ZeroSent;
    } else if (m_step == EStep::ZeroSent && request.word2 == m_readReading &&
               request.word3 == m_readOffset) {
        offset = m_newOffset;
        reading = 0;
        ++zeroings;
        m_step = EStep::Idle;
    } else {
        m_step = request.word2 == 0 ? EStep::OffsetSent : EStep::Idle;
        m_newOffset = request.word3;
    }
    reply.control = LinkProtocol::kStatusSupported;
    reply.word2 = reading;
    reply.word3 = offset;
    reply.checksum = reply.ComputeChecksum();
    return reply;
}
