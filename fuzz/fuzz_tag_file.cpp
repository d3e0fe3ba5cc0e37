// Feeds arbitrary bytes to the tag-file loader. It must either load a file with tags or refuse
// the input (with an archive cause when the archive failed), never crash, and never keep half
// a file.
#include "data/CTagFile.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CTagFile tags;
    const CTagLoadResult result = tags.Load(&buffer, QStringLiteral("fuzz"));
    const bool malformed = result.status == CTagLoadResult::EStatus::Malformed;
    if (!result.Ok() &&
        (!tags.Tags().empty() || !tags.Texts().empty() || malformed != bool(result.cause)))
        std::abort();
    if (result.Ok() && tags.Tags().empty())
        std::abort();
    // Exercise the lookups over whatever loaded.
    for (const auto& tag : tags.Tags()) {
        if (!tags.FindTag(tag->tag, CTagInfo::kNoControllerType))
            std::abort();
    }
    for (const auto& text : tags.Texts()) {
        if (!tags.FindText(text->code) || text->TextCount() > CTextObject::kMaxTexts)
            std::abort();
    }
    return 0;
}
