#pragma once

#include "link/LinkProtocol.h"
#include "sim/CSimModel.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

// A request as the link sends it: read (or write) of `tag` with extension `ext`, the checksum
// filled in.
inline CLinkRecord SimRequest(std::uint16_t tag, std::uint8_t ext = 0, bool write = false,
                              std::uint16_t w2 = 0, std::uint16_t w3 = 0)
{
    CLinkRecord r;
    r.lead = LinkProtocol::kRequestLead;
    r.control = write ? LinkProtocol::kControlWrite : LinkProtocol::kControlRead;
    r.extension = ext;
    r.word1 = tag;
    r.word2 = w2;
    r.word3 = w3;
    r.checksum = r.ComputeChecksum();
    return r;
}

// A frame as the bytes on the line.
inline QByteArray FrameBytes(const LinkFrame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qsizetype>(frame.size()));
}

// What a simulator responder sends for a model's answer: the encoded reply, or silence.
inline std::optional<QByteArray> ReplyBytes(const std::optional<CLinkRecord>& reply)
{
    if (!reply)
        return std::nullopt;
    return FrameBytes(CSimModel::EncodeReply(*reply));
}
