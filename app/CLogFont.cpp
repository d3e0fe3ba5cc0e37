#include "app/CLogFont.h"

#include <QtEndian>

#include <cstring>

CLogFont CLogFont::FromPointSize(int tenthsOfPoint, const QByteArray& face)
{
    CLogFont font;
    // Points to pixels at the screen's resolution, as a negative height (character height
    // without the internal leading).
    font.height = -((kScreenDpi * tenthsOfPoint + 360) / 720);
    font.faceName = face.left(kFaceSize - 1);
    return font;
}

QByteArray CLogFont::Encode() const
{
    QByteArray bytes(kSize, '\0');
    char* p = bytes.data();
    const std::int32_t ints[5] = {height, width, escapement, orientation, weight};
    for (int i = 0; i < 5; ++i)
        qToLittleEndian<std::int32_t>(ints[i], p + 4 * i);
    const std::uint8_t flags[8] = {italic,       underline,     strikeOut, charSet,
                                   outPrecision, clipPrecision, quality,   pitchAndFamily};
    std::memcpy(p + 20, flags, 8);
    const QByteArray face = faceName.left(kFaceSize - 1);
    std::memcpy(p + 28, face.constData(), static_cast<std::size_t>(face.size()));
    return bytes;
}

bool CLogFont::Decode(const QByteArray& bytes, CLogFont& font)
{
    if (bytes.size() != kSize)
        return false;
    const char* p = bytes.constData();
    std::int32_t* ints[5] = {&font.height, &font.width, &font.escapement, &font.orientation,
                             &font.weight};
    for (int i = 0; i < 5; ++i)
        *ints[i] = qFromLittleEndian<std::int32_t>(p + 4 * i);
    std::uint8_t* flags[8] = {&font.italic,  &font.underline,     &font.strikeOut,
                              &font.charSet, &font.outPrecision,  &font.clipPrecision,
                              &font.quality, &font.pitchAndFamily};
    for (int i = 0; i < 8; ++i)
        *flags[i] = static_cast<std::uint8_t>(p[20 + i]);
    const QByteArray face(p + 28, kFaceSize);
    const qsizetype end = face.indexOf('\0');
    font.faceName = end < 0 ? face : face.left(end);
    return true;
}
