#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Reads the frames of an uncompressed AVI video: a RIFF 'AVI ' file whose first video stream
// ('strh' type 'vids') has a BITMAPINFOHEADER format ('strf') with BI_RGB compression and 8
// (palettised), 24 or 32 bits a pixel, bottom-up or top-down, and whose frames are the
// stream's '##db' / '##dc' chunks in 'movi' (also inside 'rec ' lists). This is what the
// confirmation window's animation plays; anything else is refused with a result code.
//
// Every size in the file is checked against the bytes actually present before it is used,
// and the file, the picture and the decoded frames have fixed upper limits, so a truncated
// or hostile file costs at most those limits and never crashes. A chunk that runs past its
// parent (a truncated file) fails the whole file: a partial animation is not worth showing.
//
// Frames come out as packed RGB, 3 bytes a pixel, top row first, width * 3 bytes a row with
// no padding (the layout of QImage::Format_RGB888 with that stride).
class CAviReader
{
public:
    enum class EResult
    {
        Ok,
        CannotOpen,  // the file could not be opened or read
        NotAvi,      // not a RIFF 'AVI ' file, or no 'hdrl' / 'movi'
        Truncated,   // a chunk or list runs past its parent or the end of the file
        Malformed,   // a header is too short, or a frame is shorter than its picture
        Unsupported, // no video stream, compressed, or a pixel depth other than 8, 24 or 32
        TooLarge,    // past kMaxFileBytes, kMaxSide or kMaxDecodedBytes
        NoFrames,    // well formed but without a single frame
    };

    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    static constexpr int kMaxSide = 2048;                        // pixels, each way
    static constexpr qint64 kMaxDecodedBytes = 32 * 1024 * 1024; // all frames, as RGB
    static constexpr std::uint32_t kDefaultFrameMicroseconds = 100000;

    // Reads and decodes the file at `path` (up to kMaxFileBytes; a longer file or device is
    // refused without reading the rest). On failure the reader holds no frames.
    EResult Load(const QString& path);
    // The same for the bytes of a file already in memory.
    EResult Parse(const QByteArray& bytes);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int FrameCount() const { return static_cast<int>(m_frames.size()); }
    // Time a frame is shown: the main header's microseconds per frame, else the stream's
    // scale / rate, else kDefaultFrameMicroseconds.
    std::uint32_t FrameMicroseconds() const { return m_frameMicroseconds; }
    // Frame `index` (0 .. FrameCount() - 1) as packed top-down RGB.
    const QByteArray& Frame(int index) const { return m_frames.at(static_cast<size_t>(index)); }

    static QString ResultText(EResult result);

private:
    struct SFormat;
    EResult ParseHeaders(const QByteArray& bytes, qsizetype begin, qsizetype end, SFormat& format);
    EResult ParseStreamList(const QByteArray& bytes, qsizetype begin, qsizetype end,
                            int streamIndex, SFormat& format);
    EResult ParseMovie(const QByteArray& bytes, qsizetype begin, qsizetype end,
                       const SFormat& format);
    EResult AddFrame(const char* data, qsizetype size, const SFormat& format);
    void Clear();

    int m_width = 0;
    int m_height = 0;
    std::uint32_t m_frameMicroseconds = kDefaultFrameMicroseconds;
    std::vector<QByteArray> m_frames;
};
