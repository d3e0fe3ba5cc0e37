#pragma once

#include "data/CSerializable.h"

#include <QByteArray>

#include <array>
#include <cstdint>

// A text record of the tag file: up to eight texts under a 16-bit code. Trip texts are the
// CErrorText subclass (same body; text 0 is the trip name). Texts are Windows-1252 bytes.
// Stored body: word code, word second code, int32 text count n (0..8), n strings.
class CTextObject : public CSerializable
{
public:
    static constexpr std::uint16_t kSchema = 0x0200;
    static constexpr int kMaxTexts = 8;
    static const CArchiveClass& ClassInfo();
    const CArchiveClass& Class() const override { return ClassInfo(); }
    void Serialize(CArchive& archive) override;

    // Text i for i below the count; the empty text otherwise (any i, negative included).
    QByteArray Text(int i) const;
    int TextCount() const { return m_count; }
    // Appends a text; false (nothing changed) when the record already holds eight.
    bool AddText(const QByteArray& text);

    std::uint16_t code = 0xFFFF;
    std::uint16_t code2 = 0xFFFF; // carried, not interpreted

private:
    int m_count = 0;
    std::array<QByteArray, kMaxTexts> m_texts;
};
