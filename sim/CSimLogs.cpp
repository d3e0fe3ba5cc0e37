#include "sim/CSimLogs.h"

namespace {

struct SLogTags
{
    std::uint16_t status;
    std::uint16_t codeBase;
    std::uint16_t countBase;
};

constexpr SLogTags kTags[2] = {
    {LinkProtocol::kTagSystemLogStatus, LinkProtocol::kTagSystemLogCodes,
     LinkProtocol::kTagSystemLogCounts},
    {LinkProtocol::kTagControlLogStatus, LinkProtocol::kTagControlLogCodes,
     LinkProtocol::kTagControlLogCounts},
};

} // namespace

void CSimLogs::SetEntries(ELog log,
                          const std::vector<std::pair<std::uint16_t, std::uint16_t>>& entries)
{
    SLog& target = Log(log);
    target.present = true;
    target.codes.fill(0);
    target.counts.fill(0);
    for (std::size_t i = 0;
         i < entries.size() && i < static_cast<std::size_t>(LinkProtocol::kLogEntries); ++i) {
        target.codes[i] = entries[i].first;
        target.counts[i] = entries[i].second;
    }
}

std::optional<CLinkRecord> CSimLogs::Answer(const CLinkRecord& request, std::uint16_t checksumWord)
{
    for (std::size_t which = 0; which < m_logs.size(); ++which) {
        SLog& log = m_logs[which];
        const SLogTags& tags = kTags[which];
        if (!log.present)
            continue;

        std::uint16_t* slot = nullptr;
        bool supported = true;
        std::uint8_t extraFlags = 0;
        const int tag = request.word1;
        if (tag == tags.status) {
            slot = &log.statusWord;
            if (log.tempUnavailable)
                extraFlags = LinkProtocol::kStatusTempUnavailable;
        } else if (tag >= tags.codeBase && tag < tags.codeBase + LinkProtocol::kLogEntries) {
            const int i = tag - tags.codeBase;
            slot = &log.codes[static_cast<std::size_t>(i)];
            supported = i < log.length;
        } else if (tag >= tags.countBase && tag < tags.countBase + LinkProtocol::kLogEntries) {
            const int i = tag - tags.countBase;
            slot = &log.counts[static_cast<std::size_t>(i)];
            supported = i < log.length;
        } else {
            continue;
        }

        CLinkRecord reply;
        reply.lead = LinkProtocol::kReplyLead;
        reply.control = 0;
        reply.extension = request.extension;
        reply.word1 = request.word1;
        reply.word2 = 0;
        reply.word3 = 0;
        if (supported && request.extension == LinkProtocol::kExtValue) {
            const auto clearKey = static_cast<std::uint16_t>(2u * checksumWord);
            if (request.control == LinkProtocol::kControlWrite && request.word2 == 0 &&
                request.word3 == clearKey && !log.refuseClear)
                *slot = 0;
            reply.control = static_cast<std::uint8_t>(LinkProtocol::kStatusSupported | extraFlags);
            reply.word2 = *slot;
            reply.word3 = checksumWord;
        }
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }
    return std::nullopt;
}
