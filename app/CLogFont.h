#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// A font description kept byte-exact in the 60-byte record that the settings have always
// stored (the main and the title print font): five little-endian 32-bit fields (height, width,
// escapement, orientation, weight), eight bytes (italic, underline, strike-out, character set,
// output precision, clip precision, quality, pitch and family) and a 32-byte face name. Conversion
// to and from a QFont happens where fonts are used (printing).
struct CLogFont
{
    static constexpr int kSize = 60;
    static constexpr int kFaceSize = 32;
    // Pixels per logical inch that point sizes are converted with.
    static constexpr int kScreenDpi = 96;

    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    QByteArray faceName; // 8-bit, at most 31 characters

    // A font of `tenthsOfPoint` (120 = 12 points) in `face`, with its height in screen
    // pixels as a negative character height, every other field zero.
    static CLogFont FromPointSize(int tenthsOfPoint, const QByteArray& face);
    QByteArray Encode() const;
    // False when the record is not exactly 60 bytes.
    static bool Decode(const QByteArray& bytes, CLogFont& font);

    bool operator==(const CLogFont&) const = default;
};
