#include "data/CCodePage.h"

namespace {

// Code points of the bytes 0x80..0x9F.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

char16_t UnitOf(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

} // namespace

QString CCodePage::ToUnicode(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(UnitOf(static_cast<unsigned char>(bytes[i])));
    return text;
}

int CCodePage::ByteOf(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return unit;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unit)
            return 0x80 + i;
    }
    return -1;
}

QByteArray CCodePage::FromUnicode(const QString& text, bool* lossy)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool lost = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar unit = text[i];
        const int byte = ByteOf(unit.unicode());
        if (byte < 0) {
            lost = true;
            // A surrogate pair is one character and becomes one '?'.
            if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
        }
        bytes.append(static_cast<char>(byte < 0 ? '?' : byte));
    }
    if (lossy)
        *lossy = lost;
    return bytes;
}
