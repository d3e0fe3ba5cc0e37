// Feeds arbitrary bytes to the text D-File reader and checks it against a direct reading of
// the lines: the comment, the first line that refuses the file (no two digit runs; an address
// of 1024 or more however many digits it has), and for a file it keeps, the buffer, the
// length and the checksum. A kept buffer written out again as lines must read back the same.
#include "data/CDFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using EText = CDFile::ETextResult;

void Check(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "text D-File invariant broken: %s\n", what);
    std::abort();
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The digit runs of a line, as text.
std::vector<std::string> Runs(const std::string& line)
{
    std::vector<std::string> runs;
    std::string run;
    for (char c : line + ' ') {
        if (IsDigit(c)) {
            run += c;
        } else if (!run.empty()) {
            runs.push_back(run);
            run.clear();
        }
    }
    return runs;
}

// A digit run's value, or -1 when it is 1024 or more.
int Address(const std::string& run)
{
    const std::size_t first = run.find_first_not_of('0');
    if (first == std::string::npos)
        return 0;
    if (run.size() - first > 4)
        return -1;
    const int value = std::stoi(run.substr(first));
    return value < CDFile::kTextBufferSize ? value : -1;
}

int LowByte(const std::string& run)
{
    int value = 0;
    for (char c : run)
        value = (value * 10 + (c - '0')) % 256;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const CDFile::SText text =
        CDFile::ParseText(QByteArray(input.data(), static_cast<qsizetype>(input.size())));
    if (input.empty()) {
        Check(text.result == EText::NoComment, "empty file not refused");
        return 0;
    }

    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        std::string line = input.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.empty())
        lines.emplace_back(); // a file of one line end: an empty comment
    // Windows-1252 gives one character a byte.
    Check(text.comment.size() == static_cast<qsizetype>(lines[0].size()), "comment length");

    std::uint8_t buffer[CDFile::kTextBufferSize] = {};
    int highest = -1;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> runs = Runs(lines[i]);
        const int number = static_cast<int>(i + 1);
        if (runs.size() < 2) {
            Check(text.result == EText::BadLine && text.failedLine == number, "bad line");
            return 0;
        }
        const int address = Address(runs[0]);
        if (address < 0) {
            Check(text.result == EText::AddressTooHigh && text.failedLine == number,
                  "address too high");
            return 0;
        }
        buffer[address] = static_cast<std::uint8_t>(LowByte(runs[1]));
        highest = std::max(highest, address);
    }
    Check(text.failedLine == 0, "failed line of a file without a bad line");
    Check(text.length == highest + 1, "length");
    for (int i = 0; i < CDFile::kTextBufferSize; ++i)
        Check(text.buffer[static_cast<std::size_t>(i)] == buffer[i], "buffer byte");
    unsigned sum = 0;
    for (int i = 0; i < CDFile::kChecksumCovered; ++i)
        sum += buffer[i];
    const unsigned stored = (unsigned(buffer[254]) << 8) | buffer[255];
    const bool matches = ((sum & 0xFFFF) ^ 0xFFFF) == stored;
    Check(text.result == (matches ? EText::Ok : EText::BadChecksum), "checksum verdict");

    // Written out again as plain lines, the buffer reads back as it is.
    QByteArray again = "comment\n";
    for (int i = 0; i < text.length; ++i)
        again += QByteArray::number(i) + ' ' + QByteArray::number(buffer[i]) + '\n';
    const CDFile::SText back = CDFile::ParseText(again);
    Check(back.result == text.result && back.length == text.length && back.buffer == text.buffer,
          "round trip");
    return 0;
}
