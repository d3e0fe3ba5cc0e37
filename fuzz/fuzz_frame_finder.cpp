// libFuzzer harness for the reply-frame finder. The input is a byte stream arriving on the
// line; it is fed to the finder one byte at a time, as an exchange does, up to the 20-byte
// receive window, and the finder's answers are checked against a plain search.
#include "link/CControllerLink.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool ValidAt(const std::uint8_t* bytes, int start)
{
    return LinkProtocol::IsValidFrame(bytes + start, LinkProtocol::kReplyLead);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int length = static_cast<int>(size < 20 ? size : 20);
    // An exact-size copy, so that any read beyond the received bytes is caught.
    std::vector<std::uint8_t> window(data, data + length);

    CControllerLink link;
    link.FindReplyFrame();
    int lastScan = 0;
    int firstFound = -1;
    for (int received = 1; received <= length; ++received) {
        const int found = link.FindReplyFrame(window.data(), received);
        if (link.ScanPosition() < lastScan)
            std::abort(); // the scan never moves back
        lastScan = link.ScanPosition();
        if (found < 0) {
            if (firstFound >= 0)
                std::abort(); // a found frame is found again after every further byte
            continue;
        }
        if (found + 10 > received || !ValidAt(window.data(), found))
            std::abort(); // only whole, valid frames
        if (firstFound < 0) {
            // It is the first valid frame to be complete: none ended earlier.
            for (int end = 10; end < received; ++end) {
                if (ValidAt(window.data(), end - 10))
                    std::abort();
            }
            if (found != received - 10)
                std::abort();
            firstFound = found;
        } else if (found != firstFound) {
            std::abort();
        }
    }

    // Arbitrary lengths on a fresh scan must stay within the bytes given.
    for (int received = 0; received <= length; ++received) {
        link.FindReplyFrame();
        const int found = link.FindReplyFrame(window.data(), received);
        if (found >= received)
            std::abort();
    }
    return 0;
}
