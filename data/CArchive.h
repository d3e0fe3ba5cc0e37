#pragma once

#include "data/CArchiveClassTable.h"
#include "data/CArchiveException.h"
#include "data/CSerializable.h"

#include <QByteArray>
#include <QHash>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QIODevice;

// The serialisation scheme of every data file: one archive wraps one open device in one
// direction, store or load, for one pass from start to end.
//
// Encoding (no padding, no alignment, every integer little-endian):
//   byte 1, word 2, dword/int32 4, qword 8 bytes.
//   string: length prefix, then the characters (8-bit, no terminator). Prefix of n: n < 0xFF
//     byte n; else FF, then n < 0xFFFE word n; else FFFF, then n < 0xFFFFFFFF dword n; else
//     dword FFFFFFFF and qword n. On load, FF FE FF starts a string of 16-bit characters
//     (UTF-16LE) whose length follows by the same rules; it is converted to Windows-1252.
//   count: n < 0xFFFF word n; else word FFFF and dword n.
//   object reference: 0000 null; an object already in this file: its index as a word (or
//     7FFF and a dword); a new object: its class reference, then its body. Class reference:
//     a class already in this file: 8000|index (or 7FFF and dword 80000000|index); a new
//     class: FFFF, word schema, word name length, the name. Classes and objects share one
//     index sequence starting at 1, in order of first appearance.
//
// Errors throw CArchiveException. Nothing a file says is trusted for an allocation: strings
// and lists grow only as their bytes actually arrive, so a hostile length fails with the
// end-of-file cause instead of exhausting memory.
//
// The archive neither opens nor closes the device. It reads and writes through a 4096-byte
// buffer; a storing archive writes its buffer out in Close() (not in the destructor, so an
// archive abandoned by an exception leaves nothing half-written behind it).
class CArchive
{
public:
    enum class EMode
    {
        Store,
        Load
    };
    static constexpr int kBufferSize = 4096;
    static constexpr int kMaxClassNameLength = 63;
    static constexpr std::uint32_t kMaxStringLength = 0x7FFFFFFF;

    // `device` must be open for the direction and outlive the archive. `classes` names what a
    // loading archive may create (and must outlive it); a storing archive does not need it.
    CArchive(QIODevice* device, EMode mode, const CArchiveClassTable* classes = nullptr);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_mode == EMode::Store; }
    bool IsLoading() const { return m_mode == EMode::Load; }
    QIODevice* Device() const { return m_device; }

    // Store: writes out the buffer. Either mode: the archive can no longer be used.
    void Close();
    // Store: writes out the buffer and keeps going.
    void Flush();

    // Fixed-width values.
    void WriteByte(std::uint8_t value);
    void WriteWord(std::uint16_t value);
    void WriteDWord(std::uint32_t value);
    void WriteInt32(std::int32_t value) { WriteDWord(static_cast<std::uint32_t>(value)); }
    void WriteQWord(std::uint64_t value);
    void WriteBytes(const char* data, qsizetype size);
    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDWord();
    std::int32_t ReadInt32() { return static_cast<std::int32_t>(ReadDWord()); }
    std::uint64_t ReadQWord();
    // Exactly `size` bytes, or the end-of-file error; grows as the bytes arrive.
    QByteArray ReadBytes(qsizetype size);
    // Load: true when no byte is left to read (the device is asked only when the buffer is
    // used up; what it returns stays buffered for the next read).
    bool AtEnd();

    // Strings: 8-bit characters (Windows-1252), no terminator.
    void WriteString(const QByteArray& text);
    QByteArray ReadString();
    // List counts.
    void WriteCount(std::uint32_t count);
    std::uint32_t ReadCount();

    // Store an object reference (null, back-reference or class reference and body).
    void WriteObject(CSerializable* object);
    void WriteClass(const CArchiveClass& cls);

    // Loads an object reference. With `required`, the class found must be it or derive
    // from it (else bad class). Returns nullptr for a null reference, the same object for a
    // back-reference. Objects the archive creates stay owned by it until taken with
    // ReadOwnedObject, and live at most as long as the archive otherwise.
    CSerializable* ReadObject(const CArchiveClass* required = nullptr);
    // Loads an object reference and hands the object over. The reference must introduce a
    // new object (or refer to one not yet handed over): a null, or an object already handed
    // to an owner, fails with the generic cause, since an owning list cannot hold either.
    std::unique_ptr<CSerializable> ReadOwnedObject(const CArchiveClass& required);
    // Loads a class reference; `schema` receives the stored schema.
    const CArchiveClass& ReadClass(const CArchiveClass* required, std::uint16_t* schema);
    // The schema stored with the class of the object being loaded (for versionable classes).
    std::uint16_t LoadSchema() const { return m_loadSchema; }

    // Counted object lists of owned records: the count, then one object reference each.
    template <class T> void WriteObjectList(const std::vector<std::unique_ptr<T>>& list)
    {
        WriteCount(static_cast<std::uint32_t>(list.size()));
        for (const auto& item : list)
            WriteObject(item.get());
    }
    // Appends to `list`; records of class T or derived from it only.
    template <class T> void ReadObjectList(std::vector<std::unique_ptr<T>>& list)
    {
        const std::uint32_t count = ReadCount();
        // No reserve(): the count is only what the file claims.
        for (std::uint32_t i = 0; i < count; ++i) {
            std::unique_ptr<CSerializable> object = ReadOwnedObject(T::ClassInfo());
            list.emplace_back(static_cast<T*>(object.release()));
        }
    }

private:
    struct SLoadEntry
    {
        const CArchiveClass* cls = nullptr;  // set for a class entry
        std::uint16_t schema = 0;            // class entry: schema as stored
        CSerializable* object = nullptr;     // set for an object entry
        std::unique_ptr<CSerializable> held; // object entry not yet handed over
    };

    void RequireStoring() const;
    void RequireLoading() const;
    void FillBuffer();
    void ReadRaw(void* out, qsizetype size);
    std::uint32_t ReadStringLength(bool* wide);
    std::uint32_t ReadTag(std::uint16_t* word);
    const CArchiveClass& LoadClassTag(std::uint16_t word, std::uint32_t tag,
                                      const CArchiveClass* required, std::uint16_t* schema);
    std::uint32_t LoadObjectIndex(const CArchiveClass* required);
    void WriteIndex(std::uint32_t index, std::uint32_t classBit);

    QIODevice* m_device;
    EMode m_mode;
    const CArchiveClassTable* m_classes;
    bool m_closed = false;

    std::array<char, kBufferSize> m_buffer{};
    qsizetype m_bufferUsed = 0; // store: bytes waiting; load: bytes in the buffer
    qsizetype m_bufferPos = 0;  // load: next byte to hand out

    // Store: index of each class and object written so far.
    QHash<const void*, std::uint32_t> m_storeMap;
    // Load: entry i is index i; entry 0 is null.
    std::vector<SLoadEntry> m_loadTable;
    std::uint32_t m_nextIndex = 1;
    std::uint16_t m_loadSchema = 0;
};
