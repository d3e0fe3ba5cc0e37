#include "data/CTextObject.h"

#include "data/CArchive.h"

namespace {

std::unique_ptr<CSerializable> CreateTextObject()
{
    return std::make_unique<CTextObject>();
}

} // namespace

const CArchiveClass& CTextObject::ClassInfo()
{
    static const CArchiveClass info{"CTextObject", kSchema, false, nullptr, &CreateTextObject};
    return info;
}

QByteArray CTextObject::Text(int i) const
{
    if (i < 0 || i >= m_count)
        return {};
    return m_texts[static_cast<std::size_t>(i)];
}

bool CTextObject::AddText(const QByteArray& text)
{
    if (m_count >= kMaxTexts)
        return false;
    m_texts[static_cast<std::size_t>(m_count++)] = text;
    return true;
}

void CTextObject::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive.WriteWord(code);
        archive.WriteWord(code2);
        archive.WriteInt32(m_count);
        for (int i = 0; i < m_count; ++i)
            archive.WriteString(m_texts[static_cast<std::size_t>(i)]);
        return;
    }
    code = archive.ReadWord();
    code2 = archive.ReadWord();
    const std::int32_t count = archive.ReadInt32();
    // A record holds at most eight texts; a count outside 0..8 is a malformed file, not
    // something to clamp and read on past.
    if (count < 0 || count > kMaxTexts)
        throw CArchiveException(EArchiveError::Generic);
    m_count = 0;
    m_texts.fill(QByteArray());
    for (std::int32_t i = 0; i < count; ++i)
        AddText(archive.ReadString());
}
