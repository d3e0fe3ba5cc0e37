#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// Writes an uncompressed AVI video: one video stream of 24-bit bottom-up BI_RGB frames in
// '00db' chunks, with the main and stream headers and an 'idx1' index, the form CAviReader
// and the platform's own players read. Used to build the confirmation window's animation.
class CAviWriter
{
public:
    // `width` and `height` in pixels (1 .. CAviReader::kMaxSide); each frame is shown for
    // `frameMicroseconds`.
    CAviWriter(int width, int height, std::uint32_t frameMicroseconds);

    // Adds a frame of packed top-down RGB, width * height * 3 bytes; false (and nothing
    // added) when the size differs.
    bool AddFrame(const QByteArray& rgb);
    int FrameCount() const { return static_cast<int>(m_frames.size()); }

    // The whole file.
    QByteArray Bytes() const;
    // Writes Bytes() to `path` through QSaveFile; false when that fails.
    bool Save(const QString& path) const;

private:
    int m_width;
    int m_height;
    std::uint32_t m_frameMicroseconds;
    std::vector<QByteArray> m_frames; // as stored: bottom-up BGR rows padded to 4 bytes
};
