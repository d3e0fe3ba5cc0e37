// Drives the archive's readers directly: the first input byte picks a sequence of reads
// (strings, counts, object references with and without a required class, lists), the rest is
// the file. Anything but a clean value or a CArchiveException is a bug.
#include "data/CArchive.h"
#include "data/CErrorText.h"
#include "data/CTagFile.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t plan = data[0];
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CArchive archive(&buffer, CArchive::EMode::Load, &CTagFile::Classes());
    try {
        for (int step = 0; step < 64; ++step) {
            switch ((plan >> (step % 4 * 2)) & 3) {
            case 0:
                archive.ReadString();
                break;
            case 1:
                archive.ReadObject(step % 2 ? &CTextObject::ClassInfo() : nullptr);
                break;
            case 2: {
                CTagFile::TextList texts;
                archive.ReadObjectList(texts);
                break;
            }
            case 3:
                archive.ReadCount();
                archive.ReadClass(nullptr, nullptr);
                break;
            }
        }
    } catch (const CArchiveException&) {
    }
    return 0;
}
