#pragma once

#include <QByteArray>
#include <QString>

// The 8-bit code page of the data files: Windows-1252. Texts of tag files, profiles and the
// built-in tables stay as these bytes in memory and become QString only where they are shown.
//
// Conversion is table-driven and needs no codec plug-in: bytes 0x00..0x7F and 0xA0..0xFF are
// the same code points as Latin-1; 0x80..0x9F carry the typographic extras (euro sign, quotes,
// dashes...). The five bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character and map to the
// control code points of the same value, so every byte string survives a round trip.
class CCodePage
{
public:
    // Windows-1252 bytes to text.
    static QString ToUnicode(const QByteArray& bytes);
    // Text to Windows-1252 bytes. A character the code page cannot hold becomes '?', and
    // `lossy` (when given) is set.
    static QByteArray FromUnicode(const QString& text, bool* lossy = nullptr);
    // One UTF-16 code unit to its Windows-1252 byte, or -1 when it has none.
    static int ByteOf(char16_t unit);
};
