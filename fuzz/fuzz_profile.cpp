// Feeds arbitrary bytes to the profile loader and checks what it kept against a direct reading
// of the same bytes: header word, controller type, every record up to the first refused
// checksum, later duplicates of a tag number dropped; a negative count, records under a header
// word other than the read's, or bytes after the records refuse the file. A failed load must
// leave the set as a new document's; a set that loaded must store and load back to the same
// records; the loader must answer the same through a device and through an archive.
#include "data/CArchive.h"
#include "data/CParameterSet.h"

#include <QBuffer>

#include <bit>
#include <bitset>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

void Check(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "profile invariant broken: %s\n", what);
    std::abort();
}

// Little-endian reads straight from the input, independent of the archive.
class CByteReader
{
public:
    CByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Has(std::size_t n) const { return m_size - m_pos >= n; }
    bool AtEnd() const { return m_pos == m_size; }
    std::uint32_t Read(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= std::uint32_t(m_data[m_pos + std::size_t(i)]) << (8 * i);
        m_pos += std::size_t(bytes);
        return value;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// What a correct load of the bytes holds.
struct SExpected
{
    bool truncated = false;
    bool notAProfile = false;
    quint16 header = 0;
    quint16 type = 0;
    int refused = -1;
    int duplicates = 0;
    std::vector<CParameter> records; // after duplicate removal
};

SExpected Expect(const std::uint8_t* data, std::size_t size)
{
    SExpected expected;
    CByteReader in(data, size);
    if (!in.Has(CParameterSet::kHeaderSize)) {
        expected.truncated = true;
        return expected;
    }
    expected.header = quint16(in.Read(2));
    const auto count = qint32(in.Read(4));
    expected.type = quint16(in.Read(2));
    if (count < 0 || (count > 0 && expected.header != CParameterSet::kReadHeaderWord)) {
        expected.notAProfile = true;
        return expected;
    }
    std::bitset<65536> seen;
    for (qint32 i = 0; i < count; ++i) {
        if (!in.Has(CParameter::kStoredSize)) {
            expected.truncated = true;
            return expected;
        }
        CParameter p;
        p.extension = quint8(in.Read(1));
        quint32 sum = p.extension;
        quint16* const words[] = {&p.tagNumber, &p.value,   &p.checksumWord, &p.displayWord,
                                  &p.maximum,   &p.minimum, &p.scale,        &p.div,
                                  &p.shift,     &p.step,    &p.unitsCode};
        for (quint16* word : words) {
            *word = quint16(in.Read(2));
            sum += *word;
        }
        const auto flags = quint8(in.Read(1));
        p.SetFlagsByte(flags);
        sum += quint32(std::popcount(flags));
        const quint32 stored = in.Read(4);
        const auto d = qint32(sum - stored);
        if (d < -2 || d > 4) {
            expected.refused = int(i);
            break;
        }
        // A kept record carries the checksum recomputed from its fields.
        p.recordChecksum = sum;
        if (seen.test(p.tagNumber)) {
            ++expected.duplicates;
            continue;
        }
        seen.set(p.tagNumber);
        expected.records.push_back(p);
    }
    if (expected.refused < 0 && !in.AtEnd())
        expected.notAProfile = true;
    return expected;
}

void CheckAgainst(const SExpected& expected, const CParameterSet& set,
                  const CParameterSet::Result& result)
{
    using EStatus = CParameterSet::EStatus;
    if (expected.truncated || expected.notAProfile) {
        // All or nothing: a refused file leaves the set as a new document's.
        if (expected.truncated) {
            Check(result.status == EStatus::ArchiveError, "truncated file not refused");
            Check(result.archiveCause == EArchiveError::EndOfFile, "truncation not end of file");
        } else {
            Check(result.status == EStatus::NotAProfile, "foreign file not refused");
        }
        Check(!result.errorText.isEmpty(), "refusal without a text");
        Check(set.RecordCount() == 0 && set.IsEmpty(), "failed load kept records");
        Check(set.HeaderWord() == CParameterSet::kReadHeaderWord &&
                  set.DataControllerType() == CParameterSet::kNoControllerType,
              "failed load kept header or type");
        return;
    }
    if (expected.refused >= 0) {
        Check(result.status == EStatus::BadChecksum, "bad checksum not reported");
        Check(result.refusedRecord == expected.refused, "wrong refused record");
        Check(!result.errorText.isEmpty(), "checksum refusal without a text");
    } else {
        Check(result.status == EStatus::Ok, "good file not loaded");
        Check(result.errorText.isEmpty(), "success with an error text");
    }
    Check(!set.IsEmpty(), "loaded set still marked empty");
    Check(set.HeaderWord() == expected.header, "header word");
    Check(set.DataControllerType() == expected.type, "controller type");
    Check(result.duplicatesRemoved == expected.duplicates, "duplicate count");
    Check(set.RecordCount() == int(expected.records.size()), "record count");
    for (std::size_t i = 0; i < expected.records.size(); ++i) {
        const CParameter& got = *set.Parameters()[i];
        Check(got == expected.records[i], "record differs from its bytes");
        Check(got.recordChecksum == got.ComputeChecksum(), "kept checksum not recomputed");
        Check(set.FindParameter(got.tagNumber) == &got, "FindParameter misses a record");
    }
}

// The display side of every kept record, with the record's own codes: whatever a profile
// holds must convert and format without undefined behaviour.
void Display(const CParameterSet& set)
{
    const quint16 type = set.DataControllerType();
    for (const auto& parameter : set.Parameters()) {
        const CParameter& p = *parameter;
        const int code = p.PresentationCode();
        (void)p.ValueText(p.unitsCode, code, type);
        (void)p.MinimumText(p.unitsCode, code, type);
        (void)p.MaximumText(p.unitsCode, code, type);
        (void)p.FromDisplay(p.ValueDisplay());
        (void)p.FromDisplay(p.MaximumDisplay() * 65537);
        (void)p.StepDisplay();
        (void)p.TwoState();
    }
}

// A set that already holds something, so that a load must replace it.
void Prefill(CParameterSet& set)
{
    set.SetHeaderWord(0x5A5A);
    set.SetDataControllerType(ControllerTypeNumber(EControllerType::Tarn));
    auto p = std::make_unique<CParameter>();
    p->tagNumber = 0x1234;
    set.Append(std::move(p));
    set.SetEmpty(false);
}

bool SameRecords(const CParameterSet& a, const CParameterSet& b)
{
    if (a.RecordCount() != b.RecordCount() || a.HeaderWord() != b.HeaderWord() ||
        a.DataControllerType() != b.DataControllerType())
        return false;
    for (int i = 0; i < a.RecordCount(); ++i)
        if (!(*a.Parameters()[std::size_t(i)] == *b.Parameters()[std::size_t(i)]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const SExpected expected = Expect(data, size);
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // Through a device.
    CParameterSet set;
    Prefill(set);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const CParameterSet::Result result = set.Load(static_cast<QIODevice&>(buffer));
    CheckAgainst(expected, set, result);

    // Through an archive the caller made.
    CParameterSet viaArchive;
    Prefill(viaArchive);
    QBuffer second(&bytes);
    second.open(QIODevice::ReadOnly);
    CArchive archive(&second, CArchive::EMode::Load);
    const CParameterSet::Result archived = viaArchive.Load(archive);
    CheckAgainst(expected, viaArchive, archived);

    if (expected.truncated || expected.notAProfile)
        return 0;
    Display(set);

    // Store and load back: the same records, exactly 8 + 28 bytes each, nothing refused.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    Check(set.Store(static_cast<QIODevice&>(out)).Ok(), "store to memory failed");
    QByteArray stored = out.data();
    Check(stored.size() ==
              CParameterSet::kHeaderSize + qsizetype(set.RecordCount()) * CParameter::kStoredSize,
          "stored size");
    QBuffer back(&stored);
    back.open(QIODevice::ReadOnly);
    CParameterSet reloaded;
    const CParameterSet::Result again = reloaded.Load(static_cast<QIODevice&>(back));
    Check(again.Ok() && again.duplicatesRemoved == 0, "stored set does not load cleanly");
    Check(SameRecords(set, reloaded), "round trip changed the records");
    return 0;
}
