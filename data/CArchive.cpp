#include "data/CArchive.h"

#include "data/CCodePage.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kBigIndexTag = 0x7FFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint32_t kBigClassTag = 0x80000000;
constexpr std::uint16_t kWideStringMark = 0xFFFE;

[[noreturn]] void Fail(EArchiveError cause)
{
    throw CArchiveException(cause);
}

} // namespace

CArchive::CArchive(QIODevice* device, EMode mode, const CArchiveClassTable* classes)
    : m_device(device), m_mode(mode), m_classes(classes)
{
    m_loadTable.emplace_back(); // index 0: null
}

CArchive::~CArchive() = default;

void CArchive::RequireStoring() const
{
    if (!IsStoring())
        Fail(EArchiveError::ReadOnly);
}

void CArchive::RequireLoading() const
{
    if (!IsLoading())
        Fail(EArchiveError::WriteOnly);
}

void CArchive::Close()
{
    if (m_closed)
        return;
    if (IsStoring())
        Flush();
    m_closed = true;
}

void CArchive::Flush()
{
    if (!IsStoring() || m_bufferUsed == 0)
        return;
    const qsizetype pending = m_bufferUsed;
    m_bufferUsed = 0;
    if (m_device->write(m_buffer.data(), pending) != pending)
        Fail(EArchiveError::Generic);
}

// ---- raw bytes -------------------------------------------------------------------------

void CArchive::WriteBytes(const char* data, qsizetype size)
{
    RequireStoring();
    if (m_closed)
        Fail(EArchiveError::Generic);
    while (size > 0) {
        const qsizetype room = kBufferSize - m_bufferUsed;
        const qsizetype step = std::min(room, size);
        std::memcpy(m_buffer.data() + m_bufferUsed, data, static_cast<size_t>(step));
        m_bufferUsed += step;
        data += step;
        size -= step;
        if (m_bufferUsed == kBufferSize)
            Flush();
    }
}

void CArchive::FillBuffer()
{
    if (m_closed)
        Fail(EArchiveError::EndOfFile);
    const qint64 got = m_device->read(m_buffer.data(), kBufferSize);
    if (got <= 0)
        Fail(EArchiveError::EndOfFile);
    m_bufferUsed = static_cast<qsizetype>(got);
    m_bufferPos = 0;
}

void CArchive::ReadRaw(void* out, qsizetype size)
{
    RequireLoading();
    // Most reads are a few bytes that the buffer already holds.
    if (size >= 0 && size <= m_bufferUsed - m_bufferPos) {
        std::memcpy(out, m_buffer.data() + m_bufferPos, static_cast<size_t>(size));
        m_bufferPos += size;
        return;
    }
    auto* dest = static_cast<char*>(out);
    while (size > 0) {
        if (m_bufferPos == m_bufferUsed)
            FillBuffer();
        const qsizetype step = std::min(m_bufferUsed - m_bufferPos, size);
        std::memcpy(dest, m_buffer.data() + m_bufferPos, static_cast<size_t>(step));
        m_bufferPos += step;
        dest += step;
        size -= step;
    }
}

QByteArray CArchive::ReadBytes(qsizetype size)
{
    RequireLoading();
    // On a file whose size is known, a length that runs past its end fails before anything
    // is read; on any device the array grows only by what actually arrived. A length that
    // the buffer already holds cannot run past the end, so the device (a system call for a
    // file) is asked only for longer ones.
    if (size > m_bufferUsed - m_bufferPos && !m_device->isSequential()) {
        const qint64 left = m_device->size() - m_device->pos() + (m_bufferUsed - m_bufferPos);
        if (size > left)
            Fail(EArchiveError::EndOfFile);
    }
    constexpr qsizetype kChunk = 64 * 1024;
    QByteArray out;
    while (out.size() < size) {
        const qsizetype at = out.size();
        const qsizetype step = std::min(kChunk, size - at);
        if (out.capacity() < at + step)
            out.reserve(std::max(at + step, 2 * out.capacity()));
        out.resize(at + step);
        ReadRaw(out.data() + at, step);
    }
    return out;
}

bool CArchive::AtEnd()
{
    RequireLoading();
    if (m_bufferPos < m_bufferUsed)
        return false;
    if (m_closed)
        return true;
    const qint64 got = m_device->read(m_buffer.data(), kBufferSize);
    if (got <= 0)
        return true;
    m_bufferUsed = static_cast<qsizetype>(got);
    m_bufferPos = 0;
    return false;
}

// ---- fixed-width values ----------------------------------------------------------------

void CArchive::WriteByte(std::uint8_t value)
{
    const char byte = static_cast<char>(value);
    WriteBytes(&byte, 1);
}

void CArchive::WriteWord(std::uint16_t value)
{
    const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
    WriteBytes(bytes, 2);
}

void CArchive::WriteDWord(std::uint32_t value)
{
    char bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    WriteBytes(bytes, 4);
}

void CArchive::WriteQWord(std::uint64_t value)
{
    char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    WriteBytes(bytes, 8);
}

std::uint8_t CArchive::ReadByte()
{
    unsigned char byte = 0;
    ReadRaw(&byte, 1);
    return byte;
}

std::uint16_t CArchive::ReadWord()
{
    unsigned char bytes[2];
    ReadRaw(bytes, 2);
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t CArchive::ReadDWord()
{
    unsigned char bytes[4];
    ReadRaw(bytes, 4);
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

std::uint64_t CArchive::ReadQWord()
{
    unsigned char bytes[8];
    ReadRaw(bytes, 8);
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

// ---- strings and counts ----------------------------------------------------------------

void CArchive::WriteString(const QByteArray& text)
{
    RequireStoring();
    const auto n = static_cast<std::uint64_t>(text.size());
    if (n < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(n));
    } else {
        WriteByte(0xFF);
        if (n < 0xFFFE) {
            WriteWord(static_cast<std::uint16_t>(n));
        } else {
            WriteWord(0xFFFF);
            if (n < 0xFFFFFFFF) {
                WriteDWord(static_cast<std::uint32_t>(n));
            } else {
                WriteDWord(0xFFFFFFFF);
                WriteQWord(n);
            }
        }
    }
    WriteBytes(text.constData(), text.size());
}

std::uint32_t CArchive::ReadStringLength(bool* wide)
{
    *wide = false;
    std::uint8_t byte = ReadByte();
    if (byte < 0xFF)
        return byte;
    std::uint16_t word = ReadWord();
    if (word == kWideStringMark) {
        // 16-bit characters; the length follows by the same rules, starting with a byte.
        *wide = true;
        byte = ReadByte();
        if (byte < 0xFF)
            return byte;
        word = ReadWord();
    }
    if (word < 0xFFFF)
        return word;
    const std::uint32_t dword = ReadDWord();
    if (dword < 0xFFFFFFFF) {
        if (dword > kMaxStringLength)
            Fail(EArchiveError::Generic);
        return dword;
    }
    const std::uint64_t qword = ReadQWord();
    if (qword > kMaxStringLength)
        Fail(EArchiveError::Generic);
    return static_cast<std::uint32_t>(qword);
}

QByteArray CArchive::ReadString()
{
    RequireLoading();
    bool wide = false;
    const std::uint32_t length = ReadStringLength(&wide);
    if (!wide)
        return ReadBytes(static_cast<qsizetype>(length));
    const QByteArray units = ReadBytes(2 * static_cast<qsizetype>(length));
    QString text(static_cast<qsizetype>(length), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto lo = static_cast<unsigned char>(units[2 * i]);
        const auto hi = static_cast<unsigned char>(units[2 * i + 1]);
        text[i] = QChar(static_cast<char16_t>(lo | (hi << 8)));
    }
    return CCodePage::FromUnicode(text);
}

void CArchive::WriteCount(std::uint32_t count)
{
    if (count < 0xFFFF) {
        WriteWord(static_cast<std::uint16_t>(count));
    } else {
        WriteWord(0xFFFF);
        WriteDWord(count);
    }
}

std::uint32_t CArchive::ReadCount()
{
    const std::uint16_t word = ReadWord();
    if (word != 0xFFFF)
        return word;
    return ReadDWord();
}

// ---- object and class references -------------------------------------------------------

void CArchive::WriteIndex(std::uint32_t index, std::uint32_t classBit)
{
    if (index < kBigIndexTag) {
        WriteWord(static_cast<std::uint16_t>(index | (classBit ? kClassTag : 0)));
    } else {
        WriteWord(kBigIndexTag);
        WriteDWord(index | classBit);
    }
}

void CArchive::WriteClass(const CArchiveClass& cls)
{
    RequireStoring();
    if (cls.schema == CArchiveClass::kNoSchema)
        Fail(EArchiveError::NotSupported);
    const auto found = m_storeMap.constFind(&cls);
    if (found != m_storeMap.constEnd()) {
        WriteIndex(found.value(), kBigClassTag);
        return;
    }
    const auto length = static_cast<std::uint16_t>(std::strlen(cls.name));
    WriteWord(kNewClassTag);
    WriteWord(cls.schema);
    WriteWord(length);
    WriteBytes(cls.name, length);
    m_storeMap.insert(&cls, m_nextIndex++);
}

void CArchive::WriteObject(CSerializable* object)
{
    RequireStoring();
    if (!object) {
        WriteWord(0);
        return;
    }
    const auto found = m_storeMap.constFind(object);
    if (found != m_storeMap.constEnd()) {
        WriteIndex(found.value(), 0);
        return;
    }
    WriteClass(object->Class());
    m_storeMap.insert(object, m_nextIndex++);
    object->Serialize(*this);
}

std::uint32_t CArchive::ReadTag(std::uint16_t* word)
{
    *word = ReadWord();
    if (*word == kBigIndexTag)
        return ReadDWord();
    return (static_cast<std::uint32_t>(*word & kClassTag) << 16) | (*word & 0x7FFFu);
}

const CArchiveClass& CArchive::LoadClassTag(std::uint16_t word, std::uint32_t tag,
                                            const CArchiveClass* required, std::uint16_t* schema)
{
    const CArchiveClass* cls = nullptr;
    std::uint16_t stored = 0;
    if (word == kNewClassTag) {
        stored = ReadWord();
        const std::uint16_t length = ReadWord();
        if (length > kMaxClassNameLength)
            Fail(EArchiveError::BadClass);
        // A class record is whole or it names no class: a name cut short by the end of the
        // file is a bad class, not a short value.
        QByteArray name;
        try {
            name = ReadBytes(length);
        } catch (const CArchiveException& error) {
            if (error.Cause() != EArchiveError::EndOfFile)
                throw;
            Fail(EArchiveError::BadClass);
        }
        cls = m_classes ? m_classes->Find(name) : nullptr;
        if (!cls || cls->schema == CArchiveClass::kNoSchema)
            Fail(EArchiveError::BadClass);
        if (!cls->versionable && stored != cls->schema)
            Fail(EArchiveError::BadSchema);
        SLoadEntry entry;
        entry.cls = cls;
        entry.schema = stored;
        m_loadTable.push_back(std::move(entry));
    } else {
        const std::uint32_t index = tag & ~kBigClassTag;
        // An object entry is not a class: referring to one here is as bad as an index that
        // was never entered.
        if (index == 0 || index >= m_loadTable.size() || !m_loadTable[index].cls)
            Fail(EArchiveError::BadIndex);
        cls = m_loadTable[index].cls;
        stored = m_loadTable[index].schema;
    }
    if (required && !cls->IsDerivedFrom(*required))
        Fail(EArchiveError::BadClass);
    *schema = stored;
    return *cls;
}

const CArchiveClass& CArchive::ReadClass(const CArchiveClass* required, std::uint16_t* schema)
{
    RequireLoading();
    std::uint16_t word = 0;
    const std::uint32_t tag = ReadTag(&word);
    if (!(tag & kBigClassTag))
        Fail(EArchiveError::BadIndex); // an object index where a class belongs
    std::uint16_t stored = 0;
    const CArchiveClass& cls = LoadClassTag(word, tag, required, &stored);
    if (schema)
        *schema = stored;
    return cls;
}

std::uint32_t CArchive::LoadObjectIndex(const CArchiveClass* required)
{
    RequireLoading();
    std::uint16_t word = 0;
    const std::uint32_t tag = ReadTag(&word);
    if (!(tag & kBigClassTag)) {
        if (tag == 0)
            return 0;
        // A class entry where an object belongs is as bad as an index never entered.
        if (tag >= m_loadTable.size() || !m_loadTable[tag].object)
            Fail(EArchiveError::BadIndex);
        if (required && !m_loadTable[tag].object->Class().IsDerivedFrom(*required))
            Fail(EArchiveError::BadClass);
        return tag;
    }

    std::uint16_t schema = 0;
    const CArchiveClass& cls = LoadClassTag(word, tag, required, &schema);
    SLoadEntry entry;
    entry.held = cls.create();
    entry.object = entry.held.get();
    const auto index = static_cast<std::uint32_t>(m_loadTable.size());
    m_loadTable.push_back(std::move(entry));
    // Serialize may load further objects; each level reads its own class's schema.
    const std::uint16_t outerSchema = m_loadSchema;
    m_loadSchema = schema;
    m_loadTable[index].object->Serialize(*this);
    m_loadSchema = outerSchema;
    return index;
}

CSerializable* CArchive::ReadObject(const CArchiveClass* required)
{
    const std::uint32_t index = LoadObjectIndex(required);
    return index == 0 ? nullptr : m_loadTable[index].object;
}

std::unique_ptr<CSerializable> CArchive::ReadOwnedObject(const CArchiveClass& required)
{
    const std::uint32_t index = LoadObjectIndex(&required);
    if (index == 0 || !m_loadTable[index].held)
        Fail(EArchiveError::Generic);
    return std::move(m_loadTable[index].held);
}
