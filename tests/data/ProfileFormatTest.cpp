#include "data/CParameterSet.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using EStatus = CParameterSet::EStatus;

// Header 0x0101, two records, controller type 10, then the two records.
// clang-format off
const QByteArray kTwoRecords = QByteArray::fromHex(
    "0101"
    "02000000"
    "0a00"
    // ext tag  value csum disp max  min  scale div shift step unit flags checksum
    "00" "0001" "0a00" "3412" "0800" "e803" "0000" "0100" "0100" "0000" "0100" "0900" "48"
    "3c170000"
    "81" "efbe" "ffff" "0000" "01ff" "ff7f" "0080" "feff" "0300" "0201" "0500" "1800" "ff"
    "97bf0400");
// clang-format on

std::unique_ptr<CParameter> RecordA()
{
    auto p = std::make_unique<CParameter>();
    p->tagNumber = 0x0100;
    p->value = 10;
    p->checksumWord = 0x1234;
    p->displayWord = 0x0008;
    p->maximum = 1000;
    p->scale = 1;
    p->div = 1;
    p->step = 1;
    p->unitsCode = 9;
    p->supported = true;
    p->isSigned = true;
    return p;
}

std::unique_ptr<CParameter> RecordB()
{
    auto p = std::make_unique<CParameter>();
    p->extension = 0x81;
    p->tagNumber = 0xBEEF;
    p->value = 0xFFFF;
    p->displayWord = 0xFF01;
    p->maximum = 0x7FFF;
    p->minimum = 0x8000;
    p->scale = 0xFFFE;
    p->div = 3;
    p->shift = 0x0102;
    p->step = 5;
    p->unitsCode = 24;
    p->SetFlagsByte(0xFF);
    return p;
}

QByteArray StoreToBytes(const CParameterSet& set)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(set.Store(buffer).Ok());
    return buffer.data();
}

CParameterSet::Result LoadFromBytes(CParameterSet& set, const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return set.Load(buffer);
}

// A profile of the given records with the checksum of record `index` moved so that
// recomputed - stored = d.
QByteArray WithChecksumOffset(const QByteArray& profile, int index, qint32 d)
{
    QByteArray bytes = profile;
    const qsizetype at = CParameterSet::kHeaderSize + index * CParameter::kStoredSize + 24;
    quint32 stored = quint8(bytes[at]) | quint8(bytes[at + 1]) << 8 | quint8(bytes[at + 2]) << 16 |
                     quint32(quint8(bytes[at + 3])) << 24;
    stored -= quint32(d);
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(stored >> (8 * i));
    return bytes;
}

TEST(ProfileFormat, StoresByteExactly)
{
    CParameterSet set;
    set.SetDataControllerType(10);
    set.Append(RecordA());
    set.Append(RecordB());
    EXPECT_EQ(StoreToBytes(set).toHex(), kTwoRecords.toHex());
    // Storing sets each record's checksum to the sum it wrote.
    EXPECT_EQ(set.Parameters()[0]->recordChecksum, 0x173Cu);
    EXPECT_EQ(set.Parameters()[1]->recordChecksum, 0x4BF97u);
}

TEST(ProfileFormat, LoadsByteExactly)
{
    CParameterSet set;
    const auto result = LoadFromBytes(set, kTwoRecords);
    ASSERT_TRUE(result.Ok()) << result.errorText.toStdString();
    EXPECT_EQ(set.HeaderWord(), 0x0101);
    EXPECT_EQ(set.DataControllerType(), 10);
    EXPECT_FALSE(set.IsEmpty());
    ASSERT_EQ(set.RecordCount(), 2);

    auto a = RecordA();
    a->recordChecksum = 0x173C;
    auto b = RecordB();
    b->recordChecksum = 0x4BF97;
    EXPECT_EQ(*set.Parameters()[0], *a);
    EXPECT_EQ(*set.Parameters()[1], *b);

    EXPECT_EQ(StoreToBytes(set), kTwoRecords);
}

TEST(ProfileFormat, EmptyProfileKeepsItsTypeAndHeaderWord)
{
    // A profile without records may carry any header word: a document that was never read
    // had no defined one. Storing it again writes the loaded word back, not the read default.
    const QByteArray empty = QByteArray::fromHex("0302000000001e00");
    CParameterSet set;
    set.Append(RecordA());
    const auto result = LoadFromBytes(set, empty);
    ASSERT_TRUE(result.Ok()) << result.errorText.toStdString();
    EXPECT_EQ(set.RecordCount(), 0);
    EXPECT_EQ(set.DataControllerType(), 30);
    EXPECT_FALSE(set.IsEmpty());
    EXPECT_EQ(StoreToBytes(set), empty);

    CParameterSet fresh;
    EXPECT_TRUE(fresh.IsEmpty());
    EXPECT_EQ(StoreToBytes(fresh), QByteArray::fromHex("010100000000ffff"));
}

TEST(ProfileFormat, ChecksumWindowEdges)
{
    for (qint32 d : {-3, -2, 0, 4, 5}) {
        SCOPED_TRACE(d);
        CParameterSet set;
        const auto result = LoadFromBytes(set, WithChecksumOffset(kTwoRecords, 1, d));
        const bool accepted = d >= -2 && d <= 4;
        EXPECT_EQ(result.Ok(), accepted);
        EXPECT_EQ(set.RecordCount(), accepted ? 2 : 1);
        // An accepted record carries the recomputed checksum, not the stored one.
        EXPECT_EQ(set.Parameters()[0]->recordChecksum, 0x173Cu);
        if (accepted) {
            EXPECT_EQ(set.Parameters()[1]->recordChecksum, 0x4BF97u);
        }
    }
}

TEST(ProfileFormat, RefusedRecordStopsTheLoadAndKeepsThoseBefore)
{
    CParameterSet three;
    three.SetDataControllerType(9);
    three.Append(RecordA());
    three.Append(RecordB());
    auto c = RecordA();
    c->tagNumber = 0x0300;
    three.Append(std::move(c));
    const QByteArray bytes = WithChecksumOffset(StoreToBytes(three), 1, 7);

    CParameterSet set;
    const auto result = LoadFromBytes(set, bytes);
    EXPECT_EQ(result.status, EStatus::BadChecksum);
    EXPECT_EQ(result.refusedRecord, 1);
    EXPECT_EQ(result.errorText, "Incorrect checksum in the PRF file");
    ASSERT_EQ(set.RecordCount(), 1); // the third record is not read
    EXPECT_EQ(set.Parameters()[0]->tagNumber, 0x0100);
    EXPECT_EQ(set.DataControllerType(), 9);
    EXPECT_FALSE(set.IsEmpty());
    EXPECT_EQ(set.FindParameter(0x0300), nullptr);

    // The set stays consistent: storing it gives a one-record profile.
    EXPECT_EQ(StoreToBytes(set).size(), CParameterSet::kHeaderSize + CParameter::kStoredSize);
}

TEST(ProfileFormat, ChecksumDifferenceWrapsAsSigned32Bit)
{
    EXPECT_TRUE(CParameter::IsChecksumAccepted(0xFFFFFFFF, 0));  // d = +1
    EXPECT_TRUE(CParameter::IsChecksumAccepted(1, 0xFFFFFFFF));  // d = -2
    EXPECT_FALSE(CParameter::IsChecksumAccepted(2, 0xFFFFFFFF)); // d = -3
    EXPECT_FALSE(CParameter::IsChecksumAccepted(0x80000000, 0));
}

TEST(ProfileFormat, TruncatedFilesFailWithEndOfFileAndKeepNothing)
{
    for (qsizetype size : {qsizetype(0), qsizetype(1), qsizetype(7), qsizetype(8),
                           qsizetype(8 + 27), qsizetype(8 + 28 + 27)}) {
        SCOPED_TRACE(size);
        CParameterSet set;
        set.Append(RecordA());
        set.SetDataControllerType(5);
        const auto result = LoadFromBytes(set, kTwoRecords.left(size));
        EXPECT_EQ(result.status, EStatus::ArchiveError);
        EXPECT_EQ(result.archiveCause, EArchiveError::EndOfFile);
        EXPECT_EQ(result.errorText, size < CParameterSet::kHeaderSize
                                        ? "the file is too short to be a profile"
                                        : "the file ends early (before its last parameter)");
        EXPECT_EQ(set.RecordCount(), 0);
        EXPECT_TRUE(set.IsEmpty());
        EXPECT_EQ(set.DataControllerType(), CParameterSet::kNoControllerType);
    }
}

TEST(ProfileFormat, HostileRecordCounts)
{
    // A count of 2^31 - 1 over one record: the file runs out, nothing is reserved for it.
    QByteArray huge = kTwoRecords.left(8 + 28);
    huge.replace(2, 4, QByteArray::fromHex("ffffff7f"));
    CParameterSet set;
    auto result = LoadFromBytes(set, huge);
    EXPECT_EQ(result.status, EStatus::ArchiveError);
    EXPECT_EQ(result.archiveCause, EArchiveError::EndOfFile);
    EXPECT_EQ(set.RecordCount(), 0);

    // No profile announces a negative count, nor fewer records than it holds.
    QByteArray negative = kTwoRecords;
    negative.replace(2, 4, QByteArray::fromHex("ffffffff"));
    result = LoadFromBytes(set, negative);
    EXPECT_EQ(result.status, EStatus::NotAProfile);
    EXPECT_EQ(result.errorText,
              "it is not a profile (it announces a negative number of parameters)");
    EXPECT_EQ(set.DataControllerType(), CParameterSet::kNoControllerType);

    QByteArray fewer = kTwoRecords;
    fewer[2] = 1;
    result = LoadFromBytes(set, fewer);
    EXPECT_EQ(result.status, EStatus::NotAProfile);
    EXPECT_EQ(result.errorText,
              "it is not a profile (more bytes follow the 1 parameter(s) it announces)");
    EXPECT_EQ(set.RecordCount(), 0);
}

TEST(ProfileFormat, PlainlyForeignFilesAreRefusedAndKeepNothing)
{
    // Bytes of no format at all: the header word is one no program writes before records.
    const QByteArray noise = QByteArray::fromHex("8b3f1d0000005a17c4e2907d11f0a3b6"
                                                 "5e08d97c44a12f3b6609e8d35c7f1e20");
    // Records under a header word that only a read sets.
    QByteArray foreignHeader = kTwoRecords;
    foreignHeader[0] = 0x03;
    foreignHeader[1] = 0x02;
    // A whole profile with one byte too many.
    const QByteArray trailing = kTwoRecords + QByteArray(1, '\0');
    const QByteArray emptyWithTail = QByteArray::fromHex("0101000000001e00ff");
    const std::pair<QByteArray, const char*> cases[] = {
        {noise, "it is not a profile (it starts with the word 0x3f8b, which no profile with "
                "parameters carries)"},
        {foreignHeader, "it is not a profile (it starts with the word 0x0203, which no profile "
                        "with parameters carries)"},
        {trailing, "it is not a profile (more bytes follow the 2 parameter(s) it announces)"},
        {emptyWithTail, "it is not a profile (more bytes follow the 0 parameter(s) it announces)"},
    };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(text);
        CParameterSet set;
        set.Append(RecordA());
        set.SetHeaderWord(0x0203);
        set.SetDataControllerType(5);
        const auto result = LoadFromBytes(set, bytes);
        EXPECT_EQ(result.status, EStatus::NotAProfile);
        EXPECT_EQ(result.errorText, text);
        EXPECT_EQ(set.RecordCount(), 0);
        EXPECT_TRUE(set.IsEmpty());
        EXPECT_EQ(set.HeaderWord(), CParameterSet::kReadHeaderWord);
        EXPECT_EQ(set.DataControllerType(), CParameterSet::kNoControllerType);
    }
}

TEST(ProfileFormat, DuplicateTagsKeepTheFirstRecord)
{
    CParameterSet source;
    source.Append(RecordA());
    source.Append(RecordB());
    source.Append(RecordA())->value = 99;

    CParameterSet set;
    const auto result = LoadFromBytes(set, StoreToBytes(source));
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.duplicatesRemoved, 1);
    ASSERT_EQ(set.RecordCount(), 2);
    EXPECT_EQ(set.FindParameter(0x0100), set.Parameters()[0].get());
    EXPECT_EQ(set.FindParameter(0x0100)->value, 10);
    EXPECT_EQ(set.FindParameter(0xBEEF), set.Parameters()[1].get());
    EXPECT_EQ(set.FindParameter(0x0101), nullptr);
}

TEST(ProfileFormat, RemoveDuplicateTagsKeepsOrderAndCounts)
{
    CParameterSet set;
    for (quint16 tag : {5, 1, 5, 2, 1, 5, 0xFFFF, 0xFFFF}) {
        auto p = std::make_unique<CParameter>();
        p->tagNumber = tag;
        p->value = quint16(set.RecordCount());
        set.Append(std::move(p));
    }
    EXPECT_EQ(set.RemoveDuplicateTags(), 4);
    std::vector<std::pair<quint16, quint16>> kept;
    for (const auto& p : set.Parameters())
        kept.emplace_back(p->tagNumber, p->value);
    const std::vector<std::pair<quint16, quint16>> expected = {{5, 0}, {1, 1}, {2, 3}, {0xFFFF, 6}};
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(set.RemoveDuplicateTags(), 0);
}

TEST(ProfileFile, SaveReplacesTheWholeFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("machine.prf");

    CParameterSet three;
    three.Append(RecordA());
    three.Append(RecordB());
    three.Append(RecordB())->tagNumber = 7;
    ASSERT_TRUE(three.SaveFile(path).Ok());

    // A shorter set saved over it leaves exactly its own bytes.
    CParameterSet two;
    ASSERT_TRUE(LoadFromBytes(two, kTwoRecords).Ok());
    ASSERT_TRUE(two.SaveFile(path).Ok());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), kTwoRecords);

    CParameterSet loaded;
    ASSERT_TRUE(loaded.LoadFile(path).Ok());
    EXPECT_EQ(loaded.RecordCount(), 2);
}

TEST(ProfileFile, MissingFilesAndFoldersAreReportedNotThrown)
{
    QTemporaryDir dir;
    CParameterSet set;
    set.Append(RecordA());
    auto result = set.LoadFile(dir.filePath("absent.prf"));
    EXPECT_EQ(result.status, EStatus::OpenFailed);
    EXPECT_EQ(result.errorText, "the file does not exist");
    EXPECT_EQ(set.LoadFile(dir.path()).errorText, "it is a folder, not a profile");
    EXPECT_EQ(set.RecordCount(), 0);

    CParameterSet one;
    one.Append(RecordA());
    result = one.SaveFile(dir.filePath("no/such/folder/x.prf"));
    EXPECT_EQ(result.status, EStatus::OpenFailed);
    EXPECT_FALSE(QFile::exists(dir.filePath("no/such/folder/x.prf")));
}

} // namespace
