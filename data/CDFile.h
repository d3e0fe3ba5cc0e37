#pragma once

#include "link/EControllerType.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// D-Files: the contents of the first bytes of a controller's EEPROM, for one controller type.
// Two forms exist, both read here without any user interface:
//
// - Binary: a header of H bytes that is not sent, then L bytes for EEPROM addresses 0..L-1.
//   The file belongs to a type when its check byte (at offset K, the first byte programmed)
//   holds that type's value. H, L, K and the check byte come from a table per type.
// - Text: line 1 is a comment for the user; every further line holds an address and a value,
//   each a run of decimal digits, separated by anything else. The bytes go into a zero-filled
//   1024-byte buffer, later lines overwriting earlier ones, and a checksum word at addresses
//   254/255 protects addresses 0..148.
class CDFile
{
public:
    // One row of the binary form's layout table (all sizes in bytes).
    struct SLayout
    {
        EControllerType type;
        int headerLength; // H: bytes before the data, never sent
        int dataLength;   // L: bytes programmed at addresses 0..L-1
        int checkOffset;  // K: offset of the check byte in the file
        std::uint8_t checkByte;
        int secondCheck; // the byte at K + 1 must hold this value; -1 when not checked

        int FileLength() const { return headerLength + dataLength; }
    };

    // The layout of `type`'s binary form; nullptr for a type without one.
    static const SLayout* BinaryLayout(EControllerType type);

    enum class EBinaryResult
    {
        Ok,
        NoLayout,   // the type has no binary form
        CannotOpen, // the file cannot be opened for reading
        TooShort,   // fewer than H + L bytes
        WrongType,  // the check bytes do not name the type
    };

    struct SBinary
    {
        EBinaryResult result = EBinaryResult::NoLayout;
        // The first H + L bytes of the file (fewer when it is too short).
        QByteArray file;
        // The bytes to program at address 0 on (bytes H..H+L-1 of the file); empty unless Ok.
        QByteArray data;
    };

    // Checks the first H + L bytes of `bytes` (any further bytes are ignored) as a binary
    // D-File of `type`.
    static SBinary ParseBinary(EControllerType type, const QByteArray& bytes);
    // The same for the file at `path`, of which at most H + L bytes are read.
    static SBinary LoadBinary(EControllerType type, const QString& path);

    // Addresses a text D-File can set: 0..kTextBufferSize-1.
    static constexpr int kTextBufferSize = 1024;
    // The checksum covers addresses 0..kChecksumCovered-1 and is stored big-endian at
    // kChecksumAddress (high byte) and kChecksumAddress + 1 (low byte).
    static constexpr int kChecksumCovered = 149;
    static constexpr int kChecksumAddress = 254;

    enum class ETextResult
    {
        Ok,
        CannotOpen,     // the file cannot be opened for reading
        NoComment,      // the file is empty: not even a comment line
        BadLine,        // a line after the comment without two numbers (an empty one too)
        AddressTooHigh, // an address of kTextBufferSize or more
        BadChecksum,    // the checksum word does not match addresses 0..148
    };

    // The largest text D-File read, in bytes. A real one holds a few kilobytes (a comment
    // and at most 1024 short lines); anything larger is not a D-File, and reading it whole
    // (a huge file, /dev/zero) would exhaust memory.
    static constexpr qint64 kMaxTextFileBytes = 1024 * 1024;

    struct SText
    {
        ETextResult result = ETextResult::CannotOpen;
        // With CannotOpen: the file opened but holds more than kMaxTextFileBytes (or is a
        // device without end); it was refused before more than that was read.
        bool tooLarge = false;
        QString comment; // line 1, without its line end
        // 1-based number of the line that failed (BadLine, AddressTooHigh); 0 otherwise.
        int failedLine = 0;
        std::array<std::uint8_t, kTextBufferSize> buffer{};
        // Bytes to program from address 0: the highest address set + 1 (0 when none).
        int length = 0;
    };

    // Reads a text D-File from its bytes (Windows-1252; lines end in LF or CR LF). A final
    // line end does not start another line. Numbers of any length are read without
    // overflow: an address with more digits than fit stays "too high", and a value keeps the
    // low byte of the number written.
    static SText ParseText(const QByteArray& bytes);
    // The same for the file at `path`. A file of more than kMaxTextFileBytes is refused
    // (CannotOpen with tooLarge set) having read at most one byte past the limit.
    static SText LoadText(const QString& path);
    // The checksum word of a text D-File's buffer: the 16-bit sum of addresses 0..148,
    // complemented.
    static std::uint16_t TextChecksum(const std::array<std::uint8_t, kTextBufferSize>& buffer);
};
