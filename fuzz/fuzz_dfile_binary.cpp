// Feeds arbitrary bytes to the binary D-File reader for every controller type and checks its
// verdict against the layout table read directly: too short below H + L bytes, of another
// type when a check byte differs, and otherwise the data bytes H..H+L-1 exactly. Whatever
// the verdict, the reader keeps no more than H + L bytes of the file.
#include "data/CDFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "binary D-File invariant broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using EBinary = CDFile::EBinaryResult;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (std::uint32_t number = 0; number < kControllerTypeCount; ++number) {
        const EControllerType type = ControllerTypeFromNumber(number);
        const CDFile::SBinary binary = CDFile::ParseBinary(type, bytes);
        const CDFile::SLayout* layout = CDFile::BinaryLayout(type);
        if (!layout) {
            Check(binary.result == EBinary::NoLayout, "a type without a layout accepted");
            Check(binary.file.isEmpty() && binary.data.isEmpty(), "bytes kept without a layout");
            continue;
        }
        Check(layout->checkOffset + 1 < layout->FileLength(), "check bytes outside the file");
        Check(binary.file == bytes.left(layout->FileLength()), "file bytes kept");
        if (bytes.size() < layout->FileLength()) {
            Check(binary.result == EBinary::TooShort, "short file not refused");
            Check(binary.data.isEmpty(), "data of a short file");
            continue;
        }
        const auto at = [&](int offset) { return static_cast<std::uint8_t>(bytes[offset]); };
        const bool belongs =
            at(layout->checkOffset) == layout->checkByte &&
            (layout->secondCheck < 0 || at(layout->checkOffset + 1) == layout->secondCheck);
        if (!belongs) {
            Check(binary.result == EBinary::WrongType, "file of another type accepted");
            Check(binary.data.isEmpty(), "data of a refused file");
            continue;
        }
        Check(binary.result == EBinary::Ok, "good file refused");
        Check(binary.data == bytes.mid(layout->headerLength, layout->dataLength), "data bytes");
    }
    return 0;
}
