#pragma once

#include "data/CE2Object.h"
#include "link/EControllerType.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A copy of a controller's EEPROM: the owned byte records in address order from 0 and the
// controller type they came from (32 bits, as stored in the file). The EEPROM utilities read
// it from a controller, show it, save it and write it back into a controller of the same type.
//
// Binary file (*.eep): dword controller type, little-endian, then one byte per record; the
// i-th byte is address i. Text dump: the file's own full path and "\n", then
// "ADDR %03d DATA %03d\n" per record. Only the binary form loads back.
//
// A load is all or nothing: a file that fails to load leaves the image empty. Addresses are
// 16-bit, so an image holds at most kMaxBytes records.
class CEepromImage
{
public:
    static constexpr std::uint32_t kNoControllerType = ControllerTypeNumber(EControllerType::None);
    static constexpr qsizetype kTypeFieldSize = 4;
    static constexpr qsizetype kMaxBytes = 0x10000;

    enum class EStatus
    {
        Ok,
        OpenFailed,  // the file could not be opened (errorText from the file system)
        ReadFailed,  // reading stopped early
        TooShort,    // fewer than the 4 bytes of the controller type
        TooLarge,    // more than kMaxBytes data bytes
        WriteFailed, // the file could not be written; an existing file is left untouched
    };
    struct SResult
    {
        EStatus status = EStatus::Ok;
        QString errorText; // empty for Ok; otherwise what is wrong, without the file name
        bool Ok() const { return status == EStatus::Ok; }
    };

    using List = std::vector<std::unique_ptr<CE2Object>>;

    CEepromImage() = default;
    CEepromImage(const CEepromImage&) = delete;
    CEepromImage& operator=(const CEepromImage&) = delete;

    std::uint32_t ControllerType() const { return m_type; }
    void SetControllerType(std::uint32_t type) { m_type = type; }
    // The type as the link names it; None for a stored number beyond 16 bits.
    EControllerType Controller() const;
    // Whether the image may be written into a controller identified as `connected`: the
    // same type, and never an image of no identified type.
    bool MatchesController(EControllerType connected) const;

    bool IsEmpty() const { return m_records.empty(); }
    int Count() const { return static_cast<int>(m_records.size()); }
    const List& Records() const { return m_records; }
    // Appends `data` at the next address (the record count). False when the image is full.
    bool Append(std::uint8_t data);
    // Removes every record and forgets the controller type.
    void Clear();

    QByteArray ToBinary() const;
    // The text dump with `fullPath` as its first line.
    QByteArray ToText(const QString& fullPath) const;
    // Replaces the image with the binary form in `contents`.
    SResult Load(const QByteArray& contents);
    // Whether the bytes look like text rather than an image: none has its top bit set.
    static bool LooksLikeText(const QByteArray& contents);

    // Reads a file's bytes for Load, without reading on past what an image can hold.
    static SResult ReadFile(const QString& path, QByteArray& contents);
    SResult LoadFile(const QString& path);
    // Saves through QSaveFile in the binary form or as the text dump (whose first line is
    // the absolute path, with native separators).
    SResult SaveFile(const QString& path, bool binary) const;

    // The list line of a record: "%04d:   %.3d   0x%.02X" with address, data, data.
    static QString ListLine(const CE2Object& record);

private:
    List m_records;
    std::uint32_t m_type = kNoControllerType;
};
