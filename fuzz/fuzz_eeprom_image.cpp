// Feeds arbitrary bytes to the EEPROM image loader and checks what it kept against a direct
// reading of the same bytes: under 4 bytes or over 65536 data bytes the file is refused and
// the image left empty; otherwise the type is the first dword, little-endian, and every
// further byte a record at its own index. A loaded image must store back to the same bytes.
// The same bytes read as archived byte records must fail cleanly at their end.
#include "data/CArchive.h"
#include "data/CEepromImage.h"

#include <QBuffer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "EEPROM image invariant broken: %s\n", what);
    std::abort();
}

// A load must replace whatever the image held.
void Prefill(CEepromImage& image)
{
    image.SetControllerType(9);
    image.Append(0x12);
    image.Append(0x34);
}

void ReadRecords(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    CArchive archive(&buffer, CArchive::EMode::Load);
    qsizetype read = 0;
    try {
        for (;;) {
            CE2Object record;
            record.Serialize(archive);
            Check(record.valid == 1, "loaded record not valid");
            read += 3;
        }
    } catch (const CArchiveException&) {
    }
    Check(read <= bytes.size() && bytes.size() - read < 3, "records read past or short of the end");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CEepromImage image;
    Prefill(image);
    const CEepromImage::SResult result = image.Load(bytes);

    bool text = true;
    for (std::size_t i = 0; i < size; ++i)
        text = text && data[i] < 0x80;
    Check(CEepromImage::LooksLikeText(bytes) == text, "text scan");
    ReadRecords(bytes);

    const qsizetype dataBytes = bytes.size() - CEepromImage::kTypeFieldSize;
    if (dataBytes < 0 || dataBytes > CEepromImage::kMaxBytes) {
        Check(!result.Ok() && !result.errorText.isEmpty(), "malformed file not refused");
        Check(result.status == (dataBytes < 0 ? CEepromImage::EStatus::TooShort
                                              : CEepromImage::EStatus::TooLarge),
              "refusal cause");
        Check(image.IsEmpty() && image.ControllerType() == CEepromImage::kNoControllerType,
              "refused file left records or a type");
        return 0;
    }
    Check(result.Ok() && result.errorText.isEmpty(), "good file not loaded");
    const std::uint32_t type = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 |
                               std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24;
    Check(image.ControllerType() == type, "controller type");
    Check(image.Count() == dataBytes, "record count");
    for (int i = 0; i < image.Count(); ++i) {
        const CE2Object& record = *image.Records()[std::size_t(i)];
        Check(record.address == i && record.valid == 1, "record address");
        Check(record.data == data[std::size_t(i) + 4], "record data");
        (void)CEepromImage::ListLine(record);
    }
    Check(image.MatchesController(image.Controller()) ==
              (type != CEepromImage::kNoControllerType && type <= 0xFFFF),
          "an image matches exactly a controller of its own identified type");
    Check(image.ToBinary() == bytes, "stored form differs from the file");
    Check(image.ToText(QStringLiteral("/x")).count('\n') == image.Count() + 1, "text lines");
    return 0;
}
