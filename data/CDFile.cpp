#include "data/CDFile.h"

#include "data/CCodePage.h"

#include <QFile>

#include <algorithm>

namespace {

using T = EControllerType;

constexpr CDFile::SLayout kLayouts[] = {
    {T::MiraQx90, 160, 73, 160, 0x00, -1},    {T::MiraIso, 160, 89, 160, 0x01, -1},
    {T::Oriel, 160, 89, 160, 0x02, -1},       {T::Tarn, 160, 212, 160, 0x09, -1},
    {T::TarnPlus, 160, 512, 160, 0x00, 0x0C},
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads the next run of decimal digits of `line` from `pos` on, skipping whatever comes
// before it. The number is kept exactly while it is below `cap` and is `cap` from then on;
// `modulo` (when not 0) keeps only the remainder instead. False when no digit is left.
bool NextNumber(const QByteArray& line, qsizetype& pos, unsigned cap, unsigned modulo,
                unsigned& number)
{
    while (pos < line.size() && !IsDigit(line[pos]))
        ++pos;
    if (pos == line.size())
        return false;
    number = 0;
    for (; pos < line.size() && IsDigit(line[pos]); ++pos) {
        const unsigned digit = static_cast<unsigned>(line[pos] - '0');
        if (modulo != 0)
            number = (number * 10 + digit) % modulo;
        else if (number < cap)
            number = number * 10 + digit < cap ? number * 10 + digit : cap;
    }
    return true;
}

} // namespace

const CDFile::SLayout* CDFile::BinaryLayout(EControllerType type)
{
    for (const SLayout& layout : kLayouts) {
        if (layout.type == type)
            return &layout;
    }
    return nullptr;
}

CDFile::SBinary CDFile::ParseBinary(EControllerType type, const QByteArray& bytes)
{
    SBinary binary;
    const SLayout* layout = BinaryLayout(type);
    if (!layout)
        return binary;
    binary.file = bytes.left(layout->FileLength());
    if (binary.file.size() < layout->FileLength()) {
        binary.result = EBinaryResult::TooShort;
        return binary;
    }
    const auto at = [&](int offset) { return static_cast<std::uint8_t>(binary.file[offset]); };
    if (at(layout->checkOffset) != layout->checkByte ||
        (layout->secondCheck >= 0 && at(layout->checkOffset + 1) != layout->secondCheck)) {
        binary.result = EBinaryResult::WrongType;
        return binary;
    }
    binary.result = EBinaryResult::Ok;
    binary.data = binary.file.mid(layout->headerLength);
    return binary;
}

CDFile::SBinary CDFile::LoadBinary(EControllerType type, const QString& path)
{
    const SLayout* layout = BinaryLayout(type);
    if (!layout)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        SBinary binary;
        binary.result = EBinaryResult::CannotOpen;
        return binary;
    }
    return ParseBinary(type, file.read(layout->FileLength()));
}

CDFile::SText CDFile::ParseText(const QByteArray& bytes)
{
    SText text;
    if (bytes.isEmpty()) {
        text.result = ETextResult::NoComment;
        return text;
    }
    QList<QByteArray> lines = bytes.split('\n');
    // "a\nb\n" holds two lines, not a third empty one.
    if (bytes.endsWith('\n'))
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    text.comment = CCodePage::ToUnicode(lines.first());

    int highest = -1;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        qsizetype pos = 0;
        unsigned address = 0;
        unsigned value = 0;
        if (!NextNumber(line, pos, kTextBufferSize, 0, address) ||
            !NextNumber(line, pos, 0, 256, value)) {
            text.result = ETextResult::BadLine;
            text.failedLine = static_cast<int>(i + 1);
            return text;
        }
        if (address >= kTextBufferSize) {
            text.result = ETextResult::AddressTooHigh;
            text.failedLine = static_cast<int>(i + 1);
            return text;
        }
        text.buffer[address] = static_cast<std::uint8_t>(value);
        highest = std::max(highest, static_cast<int>(address));
    }
    text.length = highest + 1;
    const std::uint16_t stored = static_cast<std::uint16_t>((text.buffer[kChecksumAddress] << 8) |
                                                            text.buffer[kChecksumAddress + 1]);
    text.result = TextChecksum(text.buffer) == stored ? ETextResult::Ok : ETextResult::BadChecksum;
    return text;
}

CDFile::SText CDFile::LoadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    SText tooLarge;
    tooLarge.tooLarge = true;
    // A file known to be too large is refused unread. Otherwise one byte past the limit tells
    // a file that is too large from one that just fits: a device (/dev/zero) has no size, and
    // a file may grow meanwhile.
    if (!file.isSequential() && file.size() > kMaxTextFileBytes)
        return tooLarge;
    const QByteArray bytes = file.read(kMaxTextFileBytes + 1);
    if (bytes.size() > kMaxTextFileBytes)
        return tooLarge;
    return ParseText(bytes);
}

std::uint16_t CDFile::TextChecksum(const std::array<std::uint8_t, kTextBufferSize>& buffer)
{
    std::uint16_t sum = 0;
    for (int i = 0; i < kChecksumCovered; ++i)
        sum = static_cast<std::uint16_t>(sum + buffer[static_cast<std::size_t>(i)]);
    return static_cast<std::uint16_t>(sum ^ 0xFFFF);
}
