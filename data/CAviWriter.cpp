#include "data/CAviWriter.h"

#include <QSaveFile>

namespace {

constexpr std::uint32_t kHasIndex = 0x10; // AVIF_HASINDEX
constexpr std::uint32_t kKeyFrame = 0x10; // AVIIF_KEYFRAME

void Put32(QByteArray& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void Put16(QByteArray& out, std::uint16_t value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

// A chunk: id, little-endian size, payload, a pad byte when the size is odd.
QByteArray Chunk(const char* id, const QByteArray& payload)
{
    QByteArray out(id, 4);
    Put32(out, static_cast<std::uint32_t>(payload.size()));
    out.append(payload);
    if (payload.size() & 1)
        out.append('\0');
    return out;
}

QByteArray List(const char* type, const QByteArray& chunks)
{
    return Chunk("LIST", QByteArray(type, 4) + chunks);
}

} // namespace

CAviWriter::CAviWriter(int width, int height, std::uint32_t frameMicroseconds)
    : m_width(width), m_height(height), m_frameMicroseconds(frameMicroseconds)
{
}

bool CAviWriter::AddFrame(const QByteArray& rgb)
{
    if (m_width <= 0 || m_height <= 0 || rgb.size() != qsizetype(m_width) * m_height * 3)
        return false;
    const qsizetype stride = (qsizetype(m_width) * 3 + 3) / 4 * 4;
    QByteArray stored(stride * m_height, '\0');
    for (int y = 0; y < m_height; ++y) {
        const char* in = rgb.constData() + qsizetype(m_height - 1 - y) * m_width * 3;
        char* out = stored.data() + y * stride;
        for (int x = 0; x < m_width; ++x) {
            out[x * 3] = in[x * 3 + 2];
            out[x * 3 + 1] = in[x * 3 + 1];
            out[x * 3 + 2] = in[x * 3];
        }
    }
    m_frames.push_back(stored);
    return true;
}

QByteArray CAviWriter::Bytes() const
{
    const auto frames = static_cast<std::uint32_t>(m_frames.size());
    const std::uint32_t frameBytes =
        static_cast<std::uint32_t>((qsizetype(m_width) * 3 + 3) / 4 * 4 * m_height);
    const std::uint32_t us = m_frameMicroseconds == 0 ? 1 : m_frameMicroseconds;

    QByteArray main;
    Put32(main, us);
    Put32(main, static_cast<std::uint32_t>(std::uint64_t(frameBytes) * 1000000u / us));
    Put32(main, 0); // padding granularity
    Put32(main, kHasIndex);
    Put32(main, frames);
    Put32(main, 0); // initial frames
    Put32(main, 1); // streams
    Put32(main, frameBytes);
    Put32(main, static_cast<std::uint32_t>(m_width));
    Put32(main, static_cast<std::uint32_t>(m_height));
    for (int i = 0; i < 4; ++i)
        Put32(main, 0);

    QByteArray stream("vids", 4);
    stream.append("DIB ", 4);
    Put32(stream, 0);        // flags
    Put16(stream, 0);        // priority
    Put16(stream, 0);        // language
    Put32(stream, 0);        // initial frames
    Put32(stream, us);       // scale: rate / scale = frames a second
    Put32(stream, 1000000u); // rate
    Put32(stream, 0);        // start
    Put32(stream, frames);   // length
    Put32(stream, frameBytes);
    Put32(stream, 0xFFFFFFFFu); // quality: default
    Put32(stream, frameBytes);  // sample size
    Put16(stream, 0);
    Put16(stream, 0);
    Put16(stream, static_cast<std::uint16_t>(m_width));
    Put16(stream, static_cast<std::uint16_t>(m_height));

    QByteArray bitmap;
    Put32(bitmap, 40);
    Put32(bitmap, static_cast<std::uint32_t>(m_width));
    Put32(bitmap, static_cast<std::uint32_t>(m_height)); // positive: bottom-up rows
    Put16(bitmap, 1);                                    // planes
    Put16(bitmap, 24);                                   // bits a pixel
    Put32(bitmap, 0);                                    // BI_RGB
    Put32(bitmap, frameBytes);
    for (int i = 0; i < 4; ++i)
        Put32(bitmap, 0); // resolution and colour counts

    const QByteArray headers = List(
        "hdrl", Chunk("avih", main) + List("strl", Chunk("strh", stream) + Chunk("strf", bitmap)));

    // Index offsets count from the 'movi' type, the usual convention.
    QByteArray movie;
    QByteArray index;
    for (const QByteArray& frame : m_frames) {
        index.append("00db", 4);
        Put32(index, kKeyFrame);
        Put32(index, static_cast<std::uint32_t>(4 + movie.size()));
        Put32(index, frameBytes);
        movie.append(Chunk("00db", frame));
    }
    const QByteArray body =
        QByteArray("AVI ", 4) + headers + List("movi", movie) + Chunk("idx1", index);
    return Chunk("RIFF", body);
}

bool CAviWriter::Save(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = Bytes();
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}
