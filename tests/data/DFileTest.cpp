// D-File readers: the binary form's layout and check bytes by type, and the text form's
// lines, buffer and checksum, down to the lines that must refuse a file.
#include "data/CDFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using T = EControllerType;
using EBinary = CDFile::EBinaryResult;
using EText = CDFile::ETextResult;

// A binary file of `size` bytes: byte i holds i & 0xFF, except the two bytes after the
// 160-byte header.
QByteArray Binary(int size, char check, char next)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i & 0xFF);
    bytes[160] = check;
    bytes[161] = next;
    return bytes;
}

// The lines of a text D-File whose checksum holds: 1 at address 0 and 2 at address 1 sum to
// 3, complemented 0xFFFC, so 255 (0xFF) at 254 and 252 (0xFC) at 255.
const QByteArray kGoodLines = "0 1\n1 2\n254 255\n255 252\n";

} // namespace

TEST(DFileTest, BinaryFormChecksLengthAndTypeBytes)
{
    // Type 8: 160 + 89 bytes, check byte 0x02. Bytes after H + L are ignored.
    const QByteArray oriel = Binary(300, 0x02, 0x7F);
    CDFile::SBinary binary = CDFile::ParseBinary(T::Oriel, oriel);
    ASSERT_EQ(binary.result, EBinary::Ok);
    EXPECT_EQ(binary.file, oriel.left(249));
    EXPECT_EQ(binary.data, oriel.mid(160, 89));
    EXPECT_EQ(binary.data[0], 0x02) << "the check byte is the first byte programmed";

    EXPECT_EQ(CDFile::ParseBinary(T::Oriel, oriel.left(248)).result, EBinary::TooShort);
    EXPECT_EQ(CDFile::ParseBinary(T::Oriel, Binary(249, 0x01, 0)).result, EBinary::WrongType);

    // Type 10 also wants 0x0C after its check byte.
    EXPECT_EQ(CDFile::ParseBinary(T::TarnPlus, Binary(672, 0x00, 0x0C)).result, EBinary::Ok);
    EXPECT_EQ(CDFile::ParseBinary(T::TarnPlus, Binary(672, 0x00, 0x0D)).result, EBinary::WrongType);
    EXPECT_EQ(CDFile::ParseBinary(T::TarnPlus, Binary(671, 0x00, 0x0C)).result, EBinary::TooShort);

    EXPECT_EQ(CDFile::ParseBinary(T::Ivor, oriel).result, EBinary::NoLayout);
}

TEST(DFileTest, TextFormFillsTheBufferAndChecksIt)
{
    // CR LF line ends, text before and between the numbers, a later line overwriting an
    // earlier one, and values whose low byte is kept (300 -> 44; 2^32 + 257 -> 1). Addresses
    // 0..148 sum to 1 + 2 + 44 + 1 = 48; complemented 0xFFCF: 255 at 254, 207 at 255.
    CDFile::SText text = CDFile::ParseText("Oriel \xE9 settings\r\n"
                                           "addr 1 = 9\r\n"
                                           "  0,1 ; first\r\n"
                                           "1 2\r\n"
                                           "20 300\n"
                                           "21 4294967553\n"
                                           "254 255\n"
                                           "0255:207");
    EXPECT_EQ(text.result, EText::Ok);
    EXPECT_EQ(text.comment, QStringLiteral("Oriel \u00E9 settings"));
    EXPECT_EQ(text.buffer[0], 1);
    EXPECT_EQ(text.buffer[1], 2) << "the later line wins";
    EXPECT_EQ(text.buffer[20], 44);
    EXPECT_EQ(text.buffer[21], 1);
    EXPECT_EQ(text.length, 256);

    text = CDFile::ParseText("comment\n" + kGoodLines);
    EXPECT_EQ(text.result, EText::Ok);
    EXPECT_EQ(text.length, 256) << "highest address 255";
    EXPECT_EQ(text.buffer[254], 255);
    EXPECT_EQ(text.buffer[255], 252);
    EXPECT_EQ(text.buffer[2], 0) << "unset addresses hold 0";
    // A byte beyond the checksummed range changes nothing but the length.
    text = CDFile::ParseText("comment\n" + kGoodLines + "1023 7");
    EXPECT_EQ(text.result, EText::Ok);
    EXPECT_EQ(text.length, 1024);
}

TEST(DFileTest, TextLinesThatRefuseTheFile)
{
    struct SCase
    {
        QByteArray lines; // after the comment and the good lines
        EText result;
        int line;
    };
    const SCase cases[] = {
        {"1024 0\n", EText::AddressTooHigh, 6},
        // 2^32 and 2^64 + 1 wrap to 0 and 1 in 32- and 64-bit arithmetic.
        {"4294967296 0\n", EText::AddressTooHigh, 6},
        {"18446744073709551617 0\n", EText::AddressTooHigh, 6},
        {"7\n", EText::BadLine, 6},
        {"\n", EText::BadLine, 6},
        {"5 5\n\n5 5\n", EText::BadLine, 7},
    };
    for (const SCase& c : cases) {
        const CDFile::SText text = CDFile::ParseText("comment\n" + kGoodLines + c.lines);
        EXPECT_EQ(text.result, c.result) << c.lines.toStdString();
        EXPECT_EQ(text.failedLine, c.line) << c.lines.toStdString();
    }
    // An empty line straight after the comment.
    EXPECT_EQ(CDFile::ParseText("comment\n\n" + kGoodLines).result, EText::BadLine);
    EXPECT_EQ(CDFile::ParseText("").result, EText::NoComment);
    // A comment alone: nothing set, so the checksum word 0 cannot match.
    EXPECT_EQ(CDFile::ParseText("comment\n").result, EText::BadChecksum);
}

namespace {

// The process's peak resident memory in KiB (Linux), or -1.
qint64 PeakResidentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

TEST(DFileTest, ATextFileBeyondTheLimitIsRefusedUnread)
{
    QTemporaryDir dir;
    const qint64 peakBefore = PeakResidentKib();

    // A sparse 200 MB file: refused by its size, with no buffer of that size.
    QFile huge(dir.filePath(QStringLiteral("huge.txt")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(200 * 1024 * 1024));
    huge.close();
    CDFile::SText text = CDFile::LoadText(huge.fileName());
    EXPECT_EQ(text.result, EText::CannotOpen);
    EXPECT_TRUE(text.tooLarge);

    // A device without end: refused after at most the limit and one byte.
    if (QFile::exists(QStringLiteral("/dev/zero"))) {
        text = CDFile::LoadText(QStringLiteral("/dev/zero"));
        EXPECT_EQ(text.result, EText::CannotOpen);
        EXPECT_TRUE(text.tooLarge);
    }
    if (peakBefore > 0) {
        EXPECT_LT(PeakResidentKib() - peakBefore, 16 * 1024) << "KiB more at the peak";
    }

    // A file of exactly the limit is read.
    QFile full(dir.filePath(QStringLiteral("full.txt")));
    ASSERT_TRUE(full.open(QIODevice::WriteOnly));
    const QByteArray comment(CDFile::kMaxTextFileBytes - kGoodLines.size() - 1, 'c');
    full.write(comment + '\n' + kGoodLines);
    full.close();
    ASSERT_EQ(full.size(), CDFile::kMaxTextFileBytes);
    text = CDFile::LoadText(full.fileName());
    EXPECT_EQ(text.result, EText::Ok);
    EXPECT_FALSE(text.tooLarge);
}
