#pragma once

#include "link/CLinkPacket.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// The simulated controller's two trip logs, the system log and the control log. Each keeps
// sixteen entries of a trip code and its occurrence count and one status word, at the tags
// of LinkProtocol (system log: status 0x40, codes 0x50.., counts 0x60..; control log: status
// 0x41, codes 0xA0.., counts 0xB0..).
//
// Value reads (extension 0) answer with "Supported" and the controller's checksum word in
// word 3. A write of 0 whose word 3 is twice that checksum word (modulo 65536) clears the
// entry, count or status word; any other write changes nothing. Every reply carries the
// stored value afterwards in word 2, so a clear is confirmed by a 0 there.
//
// The system log's status tag is the probe that tells a Tarn+ from a Tarn during
// identification: a controller identifying as code 9 with the system log present is a Tarn+.
// A log that is not present leaves its tags to the ordinary tag table.
class CSimLogs
{
public:
    enum class ELog
    {
        System = 0,
        Control = 1
    };

    struct SLog
    {
        bool present = false;         // the controller keeps this log
        bool tempUnavailable = false; // the status tag answers "Temp. unavailable" as well
        int length =
            LinkProtocol::kLogEntries; // entries answered with "Supported"; later ones are not
        bool refuseClear = false;      // writes are answered but clear nothing
        std::array<std::uint16_t, LinkProtocol::kLogEntries> codes{};
        std::array<std::uint16_t, LinkProtocol::kLogEntries> counts{};
        std::uint16_t statusWord = 0;
    };

    SLog& Log(ELog log) { return m_logs[static_cast<std::size_t>(log)]; }
    const SLog& Log(ELog log) const { return m_logs[static_cast<std::size_t>(log)]; }
    // Makes the log present with these (code, count) entries from entry 0 on; the others 0.
    void SetEntries(ELog log, const std::vector<std::pair<std::uint16_t, std::uint16_t>>& entries);

    // The reply to a request for a tag of a present log; nullopt for any other tag.
    // `checksumWord` is the controller's checksum word (word 3 of value replies).
    std::optional<CLinkRecord> Answer(const CLinkRecord& request, std::uint16_t checksumWord);

private:
    std::array<SLog, 2> m_logs;
};
