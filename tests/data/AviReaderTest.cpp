// The AVI reader: the generated animation, the pixel layouts it accepts, and files that are
// cut short or lie about their sizes.
#include "data/CAviReader.h"
#include "data/CAviWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace {

using EResult = CAviReader::EResult;

// ---- A hand-written RIFF builder, so that every field can be set to a hostile value. ----

QByteArray Le32(std::uint32_t v)
{
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(char(v >> (8 * i) & 0xFF));
    return out;
}

QByteArray Le16(std::uint16_t v)
{
    return Le32(v).left(2);
}

QByteArray Chunk(const char* id, const QByteArray& payload)
{
    QByteArray out = QByteArray(id, 4) + Le32(std::uint32_t(payload.size())) + payload;
    if (payload.size() & 1)
        out.append('\0');
    return out;
}

QByteArray List(const char* type, const QByteArray& chunks)
{
    return Chunk("LIST", QByteArray(type, 4) + chunks);
}

QByteArray MainHeader(std::uint32_t microseconds)
{
    return Chunk("avih", Le32(microseconds) + QByteArray(52, '\0'));
}

QByteArray StreamHeader(const char* type, std::uint32_t scale = 1, std::uint32_t rate = 10)
{
    return Chunk("strh", QByteArray(type, 4) + QByteArray(16, '\0') + Le32(scale) + Le32(rate) +
                             QByteArray(24, '\0'));
}

QByteArray BitmapHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                        std::uint32_t compression = 0, std::uint32_t coloursUsed = 0,
                        std::uint32_t headerSize = 40)
{
    return Le32(headerSize) + Le32(std::uint32_t(width)) + Le32(std::uint32_t(height)) + Le16(1) +
           Le16(bitCount) + Le32(compression) + QByteArray(12, '\0') + Le32(coloursUsed) + Le32(0);
}

QByteArray VideoStream(const QByteArray& format)
{
    return List("strl", StreamHeader("vids") + Chunk("strf", format));
}

QByteArray Avi(const QByteArray& streams, const QByteArray& movie, std::uint32_t us = 50000)
{
    return Chunk("RIFF", QByteArray("AVI ", 4) + List("hdrl", MainHeader(us) + streams) +
                             List("movi", movie));
}

// A packed RGB pixel of a decoded frame.
struct SRgb
{
    int r, g, b;
    bool operator==(const SRgb&) const = default;
};

SRgb Pixel(const CAviReader& reader, int frame, int x, int y)
{
    const QByteArray& rgb = reader.Frame(frame);
    const auto* p =
        reinterpret_cast<const unsigned char*>(rgb.constData()) + (y * reader.Width() + x) * 3;
    return {p[0], p[1], p[2]};
}

std::ostream& operator<<(std::ostream& out, const SRgb& c)
{
    return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

} // namespace

TEST(AviReader, ReadsTheGeneratedAnimation)
{
    CAviReader reader;
    ASSERT_EQ(reader.Load(QStringLiteral(TAVRIN_UPLOAD_AVI)), EResult::Ok);
    EXPECT_EQ(reader.FrameCount(), 24);
    EXPECT_EQ(reader.Width(), 96);
    EXPECT_EQ(reader.Height(), 48);
    EXPECT_EQ(reader.FrameMicroseconds(), 80000u);
    // The computer's screen keeps its blue; the arrow starts on the cable beside it and has
    // moved on ten frames later.
    const SRgb screen{40, 90, 170};
    const SRgb arrow{240, 130, 20};
    EXPECT_EQ(Pixel(reader, 0, 20, 24), screen);
    EXPECT_EQ(Pixel(reader, 23, 20, 24), screen);
    EXPECT_EQ(Pixel(reader, 0, 36, 22), arrow);
    EXPECT_NE(Pixel(reader, 10, 36, 22), arrow);
    EXPECT_NE(reader.Frame(0), reader.Frame(10));
}

TEST(AviReader, WriterOutputReadsBackPixelForPixel)
{
    // Width 3 pads each stored row from 9 to 12 bytes; rows are stored bottom-up in BGR.
    CAviWriter writer(3, 2, 40000);
    QByteArray first, second;
    for (int i = 0; i < 18; ++i) {
        first.append(char(i * 13));
        second.append(char(255 - i * 7));
    }
    ASSERT_TRUE(writer.AddFrame(first));
    ASSERT_TRUE(writer.AddFrame(second));
    EXPECT_FALSE(writer.AddFrame(QByteArray(17, '\0')));
    EXPECT_EQ(writer.FrameCount(), 2);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.avi"));
    ASSERT_TRUE(writer.Save(path));
    CAviReader reader;
    ASSERT_EQ(reader.Load(path), EResult::Ok);
    EXPECT_EQ(reader.Width(), 3);
    EXPECT_EQ(reader.Height(), 2);
    EXPECT_EQ(reader.FrameMicroseconds(), 40000u);
    ASSERT_EQ(reader.FrameCount(), 2);
    EXPECT_EQ(reader.Frame(0), first);
    EXPECT_EQ(reader.Frame(1), second);
}

TEST(AviReader, PalettisedAndThirtyTwoBitFrames)
{
    // 8 bits, bottom-up, width 3 (rows padded to 4), two palette entries: index 5 lies
    // outside the palette and comes out black.
    const QByteArray palette = QByteArray("\x10\x20\x30\x00\xF0\xE0\xD0\x00", 8);
    const QByteArray rows = QByteArray("\x01\x00\x05\x00\x00\x01\x01\x00", 8); // bottom row first
    CAviReader reader;
    ASSERT_EQ(
        reader.Parse(Avi(VideoStream(BitmapHeader(3, 2, 8, 0, 2) + palette), Chunk("00db", rows))),
        EResult::Ok);
    EXPECT_EQ(Pixel(reader, 0, 0, 0), (SRgb{0x30, 0x20, 0x10}));
    EXPECT_EQ(Pixel(reader, 0, 1, 0), (SRgb{0xD0, 0xE0, 0xF0}));
    EXPECT_EQ(Pixel(reader, 0, 0, 1), (SRgb{0xD0, 0xE0, 0xF0}));
    EXPECT_EQ(Pixel(reader, 0, 2, 1), (SRgb{0, 0, 0}));

    // 32 bits, top-down (negative height), in an interleaved 'rec ' list, after an audio
    // stream so that the frames are '01dc'; other chunks are passed over.
    const QByteArray audio = List("strl", StreamHeader("auds") + Chunk("strf", QByteArray(16, 0)));
    const QByteArray top = QByteArray("\x01\x02\x03\xFF", 4);
    const QByteArray bottom = QByteArray("\x04\x05\x06\x00", 4);
    const QByteArray movie = Chunk("01wb", QByteArray(5, 'a')) + Chunk("JUNK", {}) +
                             List("rec ", Chunk("01dc", top + bottom)) + Chunk("00db", {}) +
                             Chunk("01dc", {});
    ASSERT_EQ(reader.Parse(Avi(audio + VideoStream(BitmapHeader(1, -2, 32)), movie, 0)),
              EResult::Ok);
    EXPECT_EQ(reader.FrameCount(), 1); // the empty '01dc' adds nothing
    EXPECT_EQ(Pixel(reader, 0, 0, 0), (SRgb{3, 2, 1}));
    EXPECT_EQ(Pixel(reader, 0, 0, 1), (SRgb{6, 5, 4}));
    EXPECT_EQ(reader.FrameMicroseconds(), 100000u); // from the stream's rate: 1 / 10 s
}

TEST(AviReader, EveryTruncationFailsCleanly)
{
    CAviWriter writer(3, 2, 40000);
    writer.AddFrame(QByteArray(18, 'x'));
    writer.AddFrame(QByteArray(18, 'y'));
    const QByteArray whole = writer.Bytes();
    CAviReader reader;
    ASSERT_EQ(reader.Parse(whole), EResult::Ok);
    for (qsizetype length = 0; length < whole.size(); ++length) {
        const EResult result = reader.Parse(whole.left(length));
        EXPECT_NE(result, EResult::Ok) << "length " << length;
        EXPECT_EQ(reader.FrameCount(), 0) << "length " << length;
        EXPECT_EQ(reader.Width(), 0) << "length " << length;
    }
    // The same file whose outer size claims more than is present.
    QByteArray lying = whole;
    lying.replace(4, 4, Le32(std::uint32_t(whole.size())));
    EXPECT_EQ(reader.Parse(lying), EResult::Truncated);
}

TEST(AviReader, HostileHeadersAreRefused)
{
    const QByteArray frame = Chunk("00db", QByteArray(8, '\0'));
    struct SCase
    {
        const char* what;
        QByteArray file;
        EResult expected;
    };
    const SCase cases[] = {
        {"wave file", Chunk("RIFF", QByteArray("WAVE", 4) + Chunk("fmt ", QByteArray(16, 0))),
         EResult::NotAvi},
        {"no movie list",
         Chunk("RIFF", QByteArray("AVI ", 4) +
                           List("hdrl", MainHeader(1) + VideoStream(BitmapHeader(1, 1, 24)))),
         EResult::NotAvi},
        {"audio only",
         Avi(List("strl", StreamHeader("auds") + Chunk("strf", QByteArray(16, 0))), frame),
         EResult::Unsupported},
        {"no frames", Avi(VideoStream(BitmapHeader(1, 1, 24)), Chunk("JUNK", "ab")),
         EResult::NoFrames},
        {"short main header",
         Chunk("RIFF", QByteArray("AVI ", 4) +
                           List("hdrl", Chunk("avih", QByteArray(20, 0)) +
                                            VideoStream(BitmapHeader(1, 1, 24))) +
                           List("movi", frame)),
         EResult::Malformed},
        {"short format", Avi(VideoStream(QByteArray(8, 0)), frame), EResult::Malformed},
        {"header size past its chunk",
         Avi(VideoStream(BitmapHeader(1, 1, 24, 0, 0, 0xFFFFFFFF)), frame), EResult::Malformed},
        {"zero width", Avi(VideoStream(BitmapHeader(0, 1, 24)), frame), EResult::Malformed},
        {"zero height", Avi(VideoStream(BitmapHeader(1, 0, 24)), frame), EResult::Malformed},
        {"negative width", Avi(VideoStream(BitmapHeader(-1, 1, 24)), frame), EResult::Malformed},
        {"huge width", Avi(VideoStream(BitmapHeader(INT32_MAX, 1, 24)), frame), EResult::TooLarge},
        {"most negative height", Avi(VideoStream(BitmapHeader(1, INT32_MIN, 24)), frame),
         EResult::TooLarge},
        {"16 bits", Avi(VideoStream(BitmapHeader(1, 1, 16)), frame), EResult::Unsupported},
        {"compressed", Avi(VideoStream(BitmapHeader(1, 1, 24, 0x47504A4D)), frame),
         EResult::Unsupported},
        {"frame shorter than its picture", Avi(VideoStream(BitmapHeader(2, 2, 24)), frame),
         EResult::Malformed},
        {"chunk size past its list",
         Avi(VideoStream(BitmapHeader(1, 1, 24)) + QByteArray("JUNK\xFF\xFF\xFF\xFF", 8), frame),
         EResult::Truncated},
    };
    CAviReader reader;
    for (const SCase& c : cases) {
        EXPECT_EQ(reader.Parse(c.file), c.expected) << c.what;
        EXPECT_EQ(reader.FrameCount(), 0) << c.what;
    }
}

TEST(AviReader, SizeLimitsBoundWhatIsRead)
{
    CAviReader reader;
    // Three 2048 x 2048 palettised frames fit the file limit but decode past the frame limit.
    const QByteArray picture(2048 * 2048, '\0');
    const QByteArray big =
        Avi(VideoStream(BitmapHeader(2048, 2048, 8)),
            Chunk("00db", picture) + Chunk("00db", picture) + Chunk("00db", picture));
    ASSERT_LE(big.size(), CAviReader::kMaxFileBytes);
    EXPECT_EQ(reader.Parse(big), EResult::TooLarge);
    EXPECT_EQ(reader.FrameCount(), 0);
    EXPECT_EQ(reader.Parse(QByteArray(CAviReader::kMaxFileBytes + 1, '\0')), EResult::TooLarge);

    // An endless device is read only up to the limit.
    if (QFile::exists(QStringLiteral("/dev/zero"))) {
        EXPECT_EQ(reader.Load(QStringLiteral("/dev/zero")), EResult::TooLarge);
    }
    QTemporaryDir dir;
    EXPECT_EQ(reader.Load(dir.filePath(QStringLiteral("missing.avi"))), EResult::CannotOpen);
    EXPECT_EQ(reader.Load(dir.path()), EResult::CannotOpen);
}
