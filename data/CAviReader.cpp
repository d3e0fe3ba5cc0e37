#include "data/CAviReader.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cstring>

// What the headers say about the video stream, gathered before 'movi' is read.
struct CAviReader::SFormat
{
    bool found = false; // a video stream with a usable format
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    qint64 stride = 0; // bytes a source row, rounded up to 4
    char streamDigits[2] = {'0', '0'};
    std::array<std::array<unsigned char, 3>, 256> palette{}; // RGB; unused entries black
    std::uint32_t mainMicroseconds = 0;                      // 'avih'
    std::uint32_t streamMicroseconds = 0;                    // 'strh' scale / rate
};

namespace {

using EResult = CAviReader::EResult;

constexpr qsizetype kChunkHeader = 8;
constexpr qsizetype kMainHeaderBytes = 56;
constexpr qsizetype kStreamHeaderBytes = 32; // through dwRate; later fields are not used
constexpr qsizetype kBitmapHeaderBytes = 40;
constexpr std::uint32_t kBiRgb = 0;

std::uint32_t Le32(const QByteArray& bytes, qsizetype at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint16_t Le16(const QByteArray& bytes, qsizetype at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + at);
    return std::uint16_t(p[0] | p[1] << 8);
}

bool IsFourCc(const QByteArray& bytes, qsizetype at, const char* fourCc)
{
    return std::memcmp(bytes.constData() + at, fourCc, 4) == 0;
}

// One chunk of a list: its id sits at `id`, its payload is [data, data + size), and the
// next chunk starts at `next` (the payload is padded to an even length).
struct SChunk
{
    qsizetype id = 0;
    qsizetype data = 0;
    qsizetype size = 0;
    qsizetype next = 0;
};

// Reads the chunk header at `pos` of a list that ends at `end`. Fewer than 8 bytes left is
// the end of the list (writers leave odd padding there); a payload past `end` is truncation.
bool NextChunk(const QByteArray& bytes, qsizetype pos, qsizetype end, SChunk& chunk,
               EResult& result)
{
    result = EResult::Ok;
    if (end - pos < kChunkHeader)
        return false;
    const qint64 size = Le32(bytes, pos + 4);
    if (size > end - pos - kChunkHeader) {
        result = EResult::Truncated;
        return false;
    }
    chunk.id = pos;
    chunk.data = pos + kChunkHeader;
    chunk.size = static_cast<qsizetype>(size);
    chunk.next = std::min<qsizetype>(chunk.data + chunk.size + (chunk.size & 1), end);
    return true;
}

// A 'LIST' chunk of the given type; its chunks follow the 4-byte type.
bool IsList(const QByteArray& bytes, const SChunk& chunk, const char* type)
{
    return IsFourCc(bytes, chunk.id, "LIST") && chunk.size >= 4 &&
           IsFourCc(bytes, chunk.data, type);
}

} // namespace

void CAviReader::Clear()
{
    m_width = 0;
    m_height = 0;
    m_frameMicroseconds = kDefaultFrameMicroseconds;
    m_frames.clear();
}

CAviReader::EResult CAviReader::Load(const QString& path)
{
    Clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return EResult::CannotOpen;
    // Read one byte past the limit rather than trusting size(): devices and pipes report 0.
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return EResult::CannotOpen;
    if (bytes.size() > kMaxFileBytes)
        return EResult::TooLarge;
    return Parse(bytes);
}

CAviReader::EResult CAviReader::Parse(const QByteArray& bytes)
{
    Clear();
    if (bytes.size() > kMaxFileBytes)
        return EResult::TooLarge;
    if (bytes.size() < 12 || !IsFourCc(bytes, 0, "RIFF") || !IsFourCc(bytes, 8, "AVI "))
        return EResult::NotAvi;
    const qint64 riffSize = Le32(bytes, 4);
    if (riffSize > bytes.size() - kChunkHeader)
        return EResult::Truncated;
    const qsizetype end = kChunkHeader + static_cast<qsizetype>(riffSize);

    SFormat format;
    bool haveHeaders = false;
    qsizetype movieBegin = -1;
    qsizetype movieEnd = -1;
    SChunk chunk;
    EResult result = EResult::Ok;
    for (qsizetype pos = 12; NextChunk(bytes, pos, end, chunk, result); pos = chunk.next) {
        if (!haveHeaders && IsList(bytes, chunk, "hdrl")) {
            result = ParseHeaders(bytes, chunk.data + 4, chunk.data + chunk.size, format);
            if (result != EResult::Ok)
                return result;
            haveHeaders = true;
        } else if (movieBegin < 0 && IsList(bytes, chunk, "movi")) {
            movieBegin = chunk.data + 4;
            movieEnd = chunk.data + chunk.size;
        }
    }
    if (result != EResult::Ok)
        return result;
    if (!haveHeaders || movieBegin < 0)
        return EResult::NotAvi;
    if (!format.found)
        return EResult::Unsupported;

    result = ParseMovie(bytes, movieBegin, movieEnd, format);
    if (result == EResult::Ok && m_frames.empty())
        result = EResult::NoFrames;
    if (result != EResult::Ok) {
        Clear();
        return result;
    }
    m_width = format.width;
    m_height = format.height;
    if (format.mainMicroseconds != 0)
        m_frameMicroseconds = format.mainMicroseconds;
    else if (format.streamMicroseconds != 0)
        m_frameMicroseconds = format.streamMicroseconds;
    return EResult::Ok;
}

CAviReader::EResult CAviReader::ParseHeaders(const QByteArray& bytes, qsizetype begin,
                                             qsizetype end, SFormat& format)
{
    SChunk chunk;
    EResult result = EResult::Ok;
    int streamIndex = 0;
    for (qsizetype pos = begin; NextChunk(bytes, pos, end, chunk, result); pos = chunk.next) {
        if (IsFourCc(bytes, chunk.id, "avih")) {
            if (chunk.size < kMainHeaderBytes)
                return EResult::Malformed;
            format.mainMicroseconds = Le32(bytes, chunk.data);
        } else if (IsList(bytes, chunk, "strl")) {
            // Only the first video stream is played; later streams are counted for their
            // chunk ids but not looked at.
            if (!format.found) {
                result = ParseStreamList(bytes, chunk.data + 4, chunk.data + chunk.size,
                                         streamIndex, format);
                if (result != EResult::Ok)
                    return result;
            }
            ++streamIndex;
        }
    }
    return result;
}

CAviReader::EResult CAviReader::ParseStreamList(const QByteArray& bytes, qsizetype begin,
                                                qsizetype end, int streamIndex, SFormat& format)
{
    SChunk chunk;
    EResult result = EResult::Ok;
    bool video = false;
    qsizetype formatAt = -1;
    qsizetype formatSize = 0;
    for (qsizetype pos = begin; NextChunk(bytes, pos, end, chunk, result); pos = chunk.next) {
        if (IsFourCc(bytes, chunk.id, "strh")) {
            if (chunk.size < kStreamHeaderBytes)
                return EResult::Malformed;
            video = IsFourCc(bytes, chunk.data, "vids");
            const std::uint64_t scale = Le32(bytes, chunk.data + 20);
            const std::uint64_t rate = Le32(bytes, chunk.data + 24);
            if (rate != 0) {
                const std::uint64_t us = scale * 1000000u / rate;
                format.streamMicroseconds =
                    static_cast<std::uint32_t>(std::min<std::uint64_t>(us, UINT32_MAX));
            }
        } else if (IsFourCc(bytes, chunk.id, "strf")) {
            formatAt = chunk.data;
            formatSize = chunk.size;
        }
    }
    if (result != EResult::Ok)
        return result;
    // Chunk ids carry the stream number in two decimal digits.
    if (!video || streamIndex > 99) {
        format.streamMicroseconds = 0;
        return EResult::Ok;
    }
    if (formatAt < 0 || formatSize < kBitmapHeaderBytes)
        return EResult::Malformed;

    const qint64 headerSize = Le32(bytes, formatAt);
    const qint64 width = static_cast<std::int32_t>(Le32(bytes, formatAt + 4));
    const qint64 height = static_cast<std::int32_t>(Le32(bytes, formatAt + 8));
    const int bitCount = Le16(bytes, formatAt + 14);
    const std::uint32_t compression = Le32(bytes, formatAt + 16);
    const std::uint32_t coloursUsed = Le32(bytes, formatAt + 32);
    if (headerSize < kBitmapHeaderBytes || headerSize > formatSize || width <= 0 || height == 0)
        return EResult::Malformed;
    if (compression != kBiRgb || (bitCount != 8 && bitCount != 24 && bitCount != 32))
        return EResult::Unsupported;
    if (width > kMaxSide || height > kMaxSide || -height > kMaxSide)
        return EResult::TooLarge;

    format.width = static_cast<int>(width);
    format.height = static_cast<int>(height < 0 ? -height : height);
    format.topDown = height < 0;
    format.bitCount = bitCount;
    format.stride = (width * bitCount + 31) / 32 * 4;
    format.streamDigits[0] = static_cast<char>('0' + streamIndex / 10);
    format.streamDigits[1] = static_cast<char>('0' + streamIndex % 10);
    if (bitCount == 8) {
        // The palette follows the header: biClrUsed entries (256 when 0) of blue, green,
        // red, reserved. Entries the chunk does not hold stay black.
        const qint64 wanted = coloursUsed == 0 ? 256 : std::min<qint64>(coloursUsed, 256);
        const qint64 present = (formatSize - headerSize) / 4;
        const qsizetype paletteAt = formatAt + static_cast<qsizetype>(headerSize);
        for (qint64 i = 0; i < std::min(wanted, present); ++i) {
            const auto* quad =
                reinterpret_cast<const unsigned char*>(bytes.constData() + paletteAt + i * 4);
            format.palette[static_cast<size_t>(i)] = {quad[2], quad[1], quad[0]};
        }
    }
    format.found = true;
    return EResult::Ok;
}

CAviReader::EResult CAviReader::ParseMovie(const QByteArray& bytes, qsizetype begin, qsizetype end,
                                           const SFormat& format)
{
    const char db[4] = {format.streamDigits[0], format.streamDigits[1], 'd', 'b'};
    const char dc[4] = {format.streamDigits[0], format.streamDigits[1], 'd', 'c'};
    const auto isFrame = [&](const SChunk& c) {
        return std::memcmp(bytes.constData() + c.id, db, 4) == 0 ||
               std::memcmp(bytes.constData() + c.id, dc, 4) == 0;
    };

    SChunk chunk;
    EResult result = EResult::Ok;
    for (qsizetype pos = begin; NextChunk(bytes, pos, end, chunk, result); pos = chunk.next) {
        if (IsList(bytes, chunk, "rec ")) {
            // Interleaved files group a frame with its audio; one level deep, no further.
            SChunk inner;
            const qsizetype innerEnd = chunk.data + chunk.size;
            for (qsizetype at = chunk.data + 4; NextChunk(bytes, at, innerEnd, inner, result);
                 at = inner.next) {
                if (isFrame(inner) && inner.size > 0) {
                    result = AddFrame(bytes.constData() + inner.data, inner.size, format);
                    if (result != EResult::Ok)
                        return result;
                }
            }
            if (result != EResult::Ok)
                return result;
        } else if (isFrame(chunk) && chunk.size > 0) {
            // An empty frame chunk repeats the previous picture; skipping it only shortens
            // the loop, which the animation does not mind.
            result = AddFrame(bytes.constData() + chunk.data, chunk.size, format);
            if (result != EResult::Ok)
                return result;
        }
    }
    return result;
}

CAviReader::EResult CAviReader::AddFrame(const char* data, qsizetype size, const SFormat& format)
{
    if (size < format.stride * format.height)
        return EResult::Malformed;
    const qint64 rowBytes = qint64(format.width) * 3;
    const qint64 frameBytes = rowBytes * format.height;
    if (qint64(m_frames.size() + 1) * frameBytes > kMaxDecodedBytes)
        return EResult::TooLarge;

    QByteArray rgb(static_cast<qsizetype>(frameBytes), Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(rgb.data());
    for (int y = 0; y < format.height; ++y) {
        const int sourceRow = format.topDown ? y : format.height - 1 - y;
        const auto* in = reinterpret_cast<const unsigned char*>(data) + sourceRow * format.stride;
        for (int x = 0; x < format.width; ++x, out += 3) {
            switch (format.bitCount) {
            case 8: {
                const auto& entry = format.palette[in[x]];
                out[0] = entry[0];
                out[1] = entry[1];
                out[2] = entry[2];
                break;
            }
            case 24:
                out[0] = in[x * 3 + 2];
                out[1] = in[x * 3 + 1];
                out[2] = in[x * 3];
                break;
            default: // 32: blue, green, red, unused
                out[0] = in[x * 4 + 2];
                out[1] = in[x * 4 + 1];
                out[2] = in[x * 4];
                break;
            }
        }
    }
    m_frames.push_back(std::move(rgb));
    return EResult::Ok;
}

QString CAviReader::ResultText(EResult result)
{
    switch (result) {
    case EResult::Ok:
        return QStringLiteral("ok");
    case EResult::CannotOpen:
        return QStringLiteral("cannot open the file");
    case EResult::NotAvi:
        return QStringLiteral("not an AVI file");
    case EResult::Truncated:
        return QStringLiteral("truncated");
    case EResult::Malformed:
        return QStringLiteral("malformed header or frame");
    case EResult::Unsupported:
        return QStringLiteral("not an uncompressed 8, 24 or 32-bit video");
    case EResult::TooLarge:
        return QStringLiteral("too large");
    case EResult::NoFrames:
        return QStringLiteral("no frames");
    }
    return QString();
}
