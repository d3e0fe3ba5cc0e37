// Feeds arbitrary bytes to the ADC channel file loader, and the same bytes as UTF-8 to the
// channel source reader. A file either fails with an archive error or gives channels that
// store and load back field for field, after taking at least their own encoded size from
// the input (so a claimed count cannot make records out of nothing). A source that parses
// must compile into a file that loads back to the same channels.
#include "data/CADCChannel.h"
#include "data/CAdcChannelSource.h"
#include "data/CArchive.h"

#include <QBuffer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "ADC channel file invariant broken: %s\n", what);
    std::abort();
}

// The smallest encoded record: a class back-reference, 29 fixed bytes and two empty strings.
constexpr qsizetype kMinRecordBytes = 2 + 29 + 2;

std::vector<CADCChannel> Load(const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return CADCChannel::ReadFile(&buffer);
}

QByteArray Store(const std::vector<CADCChannel>& channels)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CADCChannel::WriteFile(&buffer, channels);
    return buffer.data();
}

void CheckRoundTrip(const std::vector<CADCChannel>& channels)
{
    const std::vector<CADCChannel> again = Load(Store(channels));
    Check(again.size() == channels.size(), "record count after a round trip");
    for (std::size_t i = 0; i < channels.size(); ++i)
        Check(again[i].SameFields(channels[i]), "fields after a round trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const std::vector<CADCChannel> channels = Load(bytes);
        Check(static_cast<qsizetype>(channels.size()) * kMinRecordBytes <= bytes.size(),
              "more records than the bytes can hold");
        CheckRoundTrip(channels);
    } catch (const CArchiveException& error) {
        Check(error.Cause() != EArchiveError::ReadOnly && error.Cause() != EArchiveError::WriteOnly,
              "a direction error while loading");
    }

    std::vector<CADCChannel> parsed;
    QString error;
    if (CAdcChannelSource::Parse(QString::fromUtf8(bytes), parsed, &error)) {
        Check(error.isEmpty(), "an error text on success");
        CheckRoundTrip(parsed);
    } else {
        Check(parsed.empty() && error.startsWith(QStringLiteral("line ")), "a failed parse");
    }
    return 0;
}
