// Tag files: record bodies to the byte, loading all-or-nothing, lookups and the choice of the
// newest file.
#include "data/CArchive.h"
#include "data/CErrorText.h"
#include "data/CTagFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

std::unique_ptr<CTagInfo> MakeTag(std::uint16_t number, std::uint32_t mask, const char* name)
{
    auto tag = std::make_unique<CTagInfo>();
    tag->tag = number;
    tag->controllerMask = mask;
    tag->name = name;
    return tag;
}

std::unique_ptr<CTextObject> MakeText(bool trip, std::uint16_t code,
                                      std::initializer_list<const char*> texts)
{
    std::unique_ptr<CTextObject> record =
        trip ? std::make_unique<CErrorText>() : std::make_unique<CTextObject>();
    record->code = code;
    for (const char* text : texts)
        record->AddText(text);
    return record;
}

QByteArray StoreBytes(const CTagFile& file)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    file.Store(&buffer);
    return bytes;
}

CTagLoadResult LoadBytes(CTagFile& file, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return file.Load(&buffer, QStringLiteral("test.tag"));
}

QByteArray SampleFile()
{
    QFile file(QStringLiteral(TAVRIN_SAMPLE_TAG_FILE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << TAVRIN_SAMPLE_TAG_FILE;
    return file.readAll();
}

// A small file written out by hand: one tag, one trip text, one plain text record.
const QByteArray kHandFile =
    Bytes({0x01, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x02, 0x08, 0x00}) + "CTagInfo" +
    Bytes({0x02, 0x00, 0x00, 0x1F, 0x07, 0x00, 0x10, 0x00, 0x14, 0x00, // priv tag spare units grp
           0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00,
           0x06, 0x00, 0x07, 0x00, 0x09, 0x81, // display word 0x8109
           0x00, 0x06, 0x00, 0x00,             // mask: types 9, 10
           0x34, 0x12,                         // spare 2
           0x05}) +
    "Inhib" + Bytes({0x00, 0x12}) + "No Help Available " +
    Bytes({0x00, 0x00, 0x02, 0x00, 0xFF, 0xFF, 0x00, 0x02, 0x0A, 0x00}) + "CErrorText" +
    Bytes({0x01, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x04}) + "Trip" +
    Bytes({0xFF, 0xFF, 0x00, 0x02, 0x0B, 0x00}) + "CTextObject" +
    Bytes({0x05, 0x00, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x01, 'a', 0x00});

TEST(TagFile, RecordBodiesMatchTheHandWrittenFile)
{
    auto tag = MakeTag(0x1F00, 0x600, "Inhib");
    tag->privilege = 2;
    tag->spare1 = 7;
    tag->unitsCode = 16;
    tag->group = 20;
    tag->presentationWords = {1, 2, 3, 4, 5, 6, 7};
    tag->displayWord = 0x8109;
    tag->spare2 = 0x1234;
    tag->help = "No Help Available ";
    CTagFile::TagList tags;
    tags.push_back(std::move(tag));
    CTagFile::TextList texts;
    texts.push_back(MakeText(true, 1, {"Trip"}));
    texts.push_back(MakeText(false, 5, {"a", ""}));
    CTagFile file;
    file.SetContents(1, std::move(tags), std::move(texts));
    EXPECT_EQ(StoreBytes(file), kHandFile);

    CTagFile loaded;
    ASSERT_TRUE(LoadBytes(loaded, kHandFile).Ok());
    ASSERT_EQ(loaded.Tags().size(), 1u);
    const CTagInfo& t = *loaded.Tags()[0];
    EXPECT_EQ(t.privilege, 2);
    EXPECT_EQ(t.tag, 0x1F00);
    EXPECT_EQ(t.spare1, 7);
    EXPECT_EQ(t.unitsCode, 16);
    EXPECT_EQ(t.group, 20);
    EXPECT_EQ(t.presentationWords[6], 7);
    EXPECT_EQ(t.displayWord, 0x8109);
    EXPECT_EQ(t.PresentationCode(), 4);
    EXPECT_EQ(t.controllerMask, 0x600u);
    EXPECT_EQ(t.spare2, 0x1234);
    EXPECT_EQ(t.name, "Inhib");
    EXPECT_FALSE(t.HasHelp());
    ASSERT_EQ(loaded.Texts().size(), 2u);
    EXPECT_EQ(&loaded.Texts()[0]->Class(), &CErrorText::ClassInfo());
    EXPECT_EQ(&loaded.Texts()[1]->Class(), &CTextObject::ClassInfo());
    EXPECT_EQ(loaded.Texts()[1]->TextCount(), 2);
    EXPECT_EQ(loaded.Texts()[1]->Text(0), "a");
    EXPECT_EQ(loaded.Texts()[1]->Text(5), QByteArray());
    EXPECT_EQ(loaded.Texts()[1]->Text(-1), QByteArray());
    EXPECT_EQ(loaded.TagCount(), 1);
}

TEST(TagFile, LaterTagsReferToTheClassByIndex)
{
    CTagFile::TagList tags;
    tags.push_back(MakeTag(1, 1, ""));
    tags.push_back(MakeTag(2, 1, ""));
    CTagFile file;
    file.SetContents(2, std::move(tags), {});
    const QByteArray bytes = StoreBytes(file);
    // tag count, list count, class record (6 + 8 bytes), first body (35 bytes), then 0x8001.
    const qsizetype second = 2 + 2 + 6 + 8 + 35;
    EXPECT_EQ(bytes.mid(second, 2), Bytes({0x01, 0x80}));
    EXPECT_EQ(bytes.size(), second + 2 + 35 + 2 + 2);
}

TEST(TagFile, MalformedFilesLeaveNothingBehind)
{
    struct SCase
    {
        const char* what;
        QByteArray bytes;
        EArchiveError cause;
    };
    QByteArray badSchema = kHandFile;
    badSchema[6] = 0x01; // CTagInfo schema 0x0201
    QByteArray unknownClass = kHandFile;
    unknownClass[10 + 7] = 'X'; // "CTagInfX"
    QByteArray tooManyTexts = kHandFile;
    const qsizetype count = tooManyTexts.indexOf("CTextObject") + 11 + 4;
    tooManyTexts[count] = 9;
    QByteArray wrongList = kHandFile;
    wrongList.replace("CTagInfo", 8, "CTextObj", 8); // an unknown name of the same length
    QByteArray textInTagList = Bytes({0x01, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x00, 0x02, 0x0A, 0x00}) +
                               "CErrorText" + Bytes({1, 0, 0, 0, 0, 0, 0, 0});
    const SCase cases[] = {
        {"schema 0x0201", badSchema, EArchiveError::BadSchema},
        {"unknown class", unknownClass, EArchiveError::BadClass},
        {"nine texts", tooManyTexts, EArchiveError::Generic},
        {"unknown name", wrongList, EArchiveError::BadClass},
        {"text in the tag list", textInTagList, EArchiveError::BadClass},
        {"empty file", QByteArray(), EArchiveError::EndOfFile},
    };
    for (const SCase& c : cases) {
        CTagFile file;
        ASSERT_TRUE(LoadBytes(file, kHandFile).Ok());
        const CTagLoadResult result = LoadBytes(file, c.bytes);
        EXPECT_EQ(result.status, CTagLoadResult::EStatus::Malformed) << c.what;
        EXPECT_EQ(result.cause, c.cause) << c.what;
        EXPECT_TRUE(result.message.contains(QStringLiteral("test.tag"))) << c.what;
        EXPECT_TRUE(file.Tags().empty()) << c.what;
        EXPECT_TRUE(file.Texts().empty()) << c.what;
        EXPECT_EQ(file.FindTag(0x1F00, CTagInfo::kNoControllerType), nullptr) << c.what;
        EXPECT_EQ(file.FindText(1), nullptr) << c.what;
    }
}

// Whole archives that are no tag file: installed, they would leave every record nameless.
TEST(TagFile, FilesWithoutTagsOrWithBytesAfterTheEndAreRefused)
{
    QByteArray noise(5 * 1024, '\0');
    std::uint32_t seed = 0x2545F491;
    for (char& byte : noise) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<char>(seed >> 24);
    }
    CTagFile::TextList texts;
    texts.push_back(MakeText(true, 1, {"Trip"}));
    CTagFile textsOnly;
    textsOnly.SetContents(0, {}, std::move(texts));
    const struct
    {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"eight-byte empty file", QByteArray(8, '\0')},
        {"100 zero bytes", QByteArray(100, '\0')},
        {"texts but no tag", StoreBytes(textsOnly)},
        {"valid file and 5 KB of noise", SampleFile() + noise},
        {"valid file and one zero byte", kHandFile + QByteArray(1, '\0')},
    };
    for (const auto& c : cases) {
        CTagFile file;
        ASSERT_TRUE(LoadBytes(file, kHandFile).Ok());
        const CTagLoadResult result = LoadBytes(file, c.bytes);
        EXPECT_EQ(result.status, CTagLoadResult::EStatus::NotATagFile) << c.what;
        EXPECT_TRUE(result.message.contains(QStringLiteral("test.tag"))) << c.what;
        EXPECT_TRUE(file.Tags().empty() && file.Texts().empty()) << c.what;
    }
}

TEST(TagFile, SampleFileTruncatedAnywhereFailsCleanly)
{
    const QByteArray whole = SampleFile();
    ASSERT_GT(whole.size(), 1000);
    // A cut inside a class record's name leaves a name that is no class (bad class); a cut
    // anywhere else is the end of the file.
    std::vector<std::pair<qsizetype, qsizetype>> names; // [first byte, end) of each name
    for (const char* name : {"CTagInfo", "CTextObject", "CErrorText"}) {
        for (qsizetype at = whole.indexOf(name); at >= 0; at = whole.indexOf(name, at + 1))
            names.emplace_back(at, at + qsizetype(std::strlen(name)));
    }
    ASSERT_GE(names.size(), 2u);
    for (qsizetype size = 0; size < whole.size(); ++size) {
        CTagFile file;
        const CTagLoadResult result = LoadBytes(file, whole.left(size));
        const bool inName = std::any_of(names.begin(), names.end(), [size](const auto& n) {
            return size >= n.first && size < n.second;
        });
        ASSERT_EQ(result.cause, inName ? EArchiveError::BadClass : EArchiveError::EndOfFile)
            << "cut at " << size;
        ASSERT_TRUE(file.Tags().empty() && file.Texts().empty()) << "cut at " << size;
    }
}

TEST(TagFile, SampleFileWithAnyByteCorruptedLoadsOrFailsWhole)
{
    const QByteArray whole = SampleFile();
    for (qsizetype at = 0; at < whole.size(); ++at) {
        QByteArray bytes = whole;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xFF);
        CTagFile file;
        const CTagLoadResult result = LoadBytes(file, bytes);
        if (result.Ok())
            continue; // e.g. a changed name or number
        // A changed count can end the lists early and leave bytes after them.
        ASSERT_EQ(result.cause.has_value(), result.status == CTagLoadResult::EStatus::Malformed)
            << "byte " << at;
        ASSERT_TRUE(file.Tags().empty() && file.Texts().empty()) << "byte " << at;
    }
}

TEST(TagFile, LoadTagFileKeepsPathAndTimeOnlyOnSuccess)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("TagList1.tag"));
    const QString bad = dir.filePath(QStringLiteral("TagList2.tag"));
    QFile::copy(QStringLiteral(TAVRIN_SAMPLE_TAG_FILE), good);
    QFile out(bad);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(kHandFile.left(20));
    out.close();

    CTagFile file;
    ASSERT_TRUE(file.LoadTagFile(good).Ok());
    EXPECT_EQ(file.Path(), good);
    EXPECT_EQ(file.FileTime(), QFileInfo(good).lastModified());

    const CTagLoadResult malformed = file.LoadTagFile(bad);
    EXPECT_EQ(malformed.cause, EArchiveError::EndOfFile);
    EXPECT_TRUE(malformed.message.contains(bad));
    EXPECT_TRUE(malformed.message.contains(QStringLiteral("end of file")));
    EXPECT_TRUE(file.Path().isEmpty());
    EXPECT_FALSE(file.FileTime().isValid());
    EXPECT_TRUE(file.Tags().empty());

    const QString missing = dir.filePath(QStringLiteral("TagList3.tag"));
    const CTagLoadResult absent = file.LoadTagFile(missing);
    EXPECT_EQ(absent.status, CTagLoadResult::EStatus::CannotOpen);
    EXPECT_EQ(absent.message, QStringLiteral("TagList3.tag was not found. - ") + missing);

    // A second file replaces the first completely.
    ASSERT_TRUE(file.LoadTagFile(good).Ok());
    QFile hand(bad);
    ASSERT_TRUE(hand.open(QIODevice::WriteOnly));
    hand.write(kHandFile);
    hand.close();
    ASSERT_TRUE(file.LoadTagFile(bad).Ok());
    EXPECT_EQ(file.Tags().size(), 1u);
    EXPECT_EQ(file.Texts().size(), 2u);
    EXPECT_EQ(file.FindTag(0x0100, CTagInfo::kNoControllerType), nullptr);
}

TEST(TagFile, FindTagTakesTheFirstThatAppliesToTheType)
{
    CTagFile::TagList tags;
    tags.push_back(MakeTag(7, 0, "never")); // mask 0
    tags.push_back(MakeTag(5, 1u << 9, "nine"));
    tags.push_back(MakeTag(5, (1u << 9) | (1u << 10), "nine and ten"));
    tags.push_back(MakeTag(5, 1u << 31, "thirty-one"));
    tags.push_back(MakeTag(5, 1u << 10, "ten again"));
    CTagFile file;
    file.SetContents(5, std::move(tags), {});
    EXPECT_EQ(file.FindTag(5, 9)->name, "nine");
    EXPECT_EQ(file.FindTag(5, 10)->name, "nine and ten");
    EXPECT_EQ(file.FindTag(5, 31)->name, "thirty-one");
    EXPECT_EQ(file.FindTag(5, 41)->name, "nine");     // type mod 32
    EXPECT_EQ(file.FindTag(5, 0xFFFF)->name, "nine"); // none identified: first of all
    EXPECT_EQ(file.FindTag(5, 3), nullptr);
    EXPECT_EQ(file.FindTag(7, 9), nullptr);
    EXPECT_EQ(file.FindTag(7, 0xFFFF)->name, "never");
    EXPECT_EQ(file.FindTag(6, 0xFFFF), nullptr);
    EXPECT_FALSE(file.Tags()[0]->AppliesToType(0));
    EXPECT_TRUE(file.Tags()[0]->AppliesToType(0xFFFF));
}

TEST(TagFile, IndexedLookupsAgreeWithAnInOrderScan)
{
    CTagFile file;
    ASSERT_TRUE(file.LoadTagFile(QStringLiteral(TAVRIN_SAMPLE_TAG_FILE)).Ok());
    std::vector<std::uint32_t> types{0xFFFF, 0xFFFFFFFF};
    for (std::uint32_t t = 0; t < 70; ++t)
        types.push_back(t);
    QSet<std::uint16_t> numbers;
    for (const auto& tag : file.Tags())
        numbers.insert(tag->tag);
    numbers.insert(0);
    numbers.insert(0xFFFF);
    for (std::uint16_t number : numbers) {
        for (std::uint32_t type : types) {
            const CTagInfo* scan = nullptr;
            for (const auto& tag : file.Tags()) {
                if (tag->tag == number && tag->AppliesToType(type)) {
                    scan = tag.get();
                    break;
                }
            }
            ASSERT_EQ(file.FindTag(number, type), scan) << number << " type " << type;
        }
    }
    for (int code = 0; code <= 0xFFFF; ++code) {
        const CTextObject* scan = nullptr;
        for (const auto& text : file.Texts()) {
            if (text->code == code) {
                scan = text.get();
                break;
            }
        }
        ASSERT_EQ(file.FindText(static_cast<std::uint16_t>(code)), scan) << code;
    }
}

TEST(TagFile, FindTextTakesTheFirstOfEqualCodes)
{
    CTagFile::TextList texts;
    texts.push_back(MakeText(true, 3, {"first"}));
    texts.push_back(MakeText(false, 3, {"second"}));
    CTagFile file;
    file.SetContents(0, {}, std::move(texts));
    EXPECT_EQ(file.FindText(3)->Text(0), "first");
    EXPECT_EQ(file.FindText(4), nullptr);
}

TEST(TagFile, PresentationCodeKeepsTheOtherBits)
{
    CTagInfo tag;
    tag.displayWord = 0xABCD; // bits 1..7 = 0x66
    EXPECT_EQ(tag.PresentationCode(), 0x66);
    tag.SetPresentationCode(0x85); // only the low seven bits count
    EXPECT_EQ(tag.displayWord, 0xAB0B);
    EXPECT_EQ(tag.PresentationCode(), 5);
    tag.help = "No Help Available"; // without the trailing blank it is a real topic
    EXPECT_TRUE(tag.HasHelp());
    tag.help.clear();
    EXPECT_FALSE(tag.HasHelp());
}

TEST(TagFileChoice, NumberBeforeTheExtension)
{
    EXPECT_EQ(CTagFile::TagFileNumber(QStringLiteral("TagList12.tag")), 12u);
    EXPECT_EQ(CTagFile::TagFileNumber(QStringLiteral("TagList0009.tag")), 9u);
    EXPECT_EQ(CTagFile::TagFileNumber(QStringLiteral("TagListA.tag")), 0u);
    EXPECT_EQ(CTagFile::TagFileNumber(QStringLiteral("TagList7")), 0u);
    EXPECT_EQ(CTagFile::TagFileNumber(QStringLiteral("Tag3List.tag")), 0u);
    EXPECT_EQ(CTagFile::TagFileNumber(QStringLiteral("TagList4.old.tag")), 0u);
    EXPECT_EQ(CTagFile::TagFileNumber(QStringLiteral("TagList99999999999999999999999.tag")),
              std::numeric_limits<std::uint64_t>::max());
    // First of equal numbers wins; 12 beats 9; a name without a number counts 0.
    EXPECT_EQ(
        CTagFile::ChooseNewest({QStringLiteral("TagList9.tag"), QStringLiteral("TagList12.tag"),
                                QStringLiteral("TagList012.tag")}),
        QStringLiteral("TagList12.tag"));
    EXPECT_EQ(
        CTagFile::ChooseNewest({QStringLiteral("TagListA.tag"), QStringLiteral("TagList0.tag")}),
        QStringLiteral("TagListA.tag"));
    EXPECT_EQ(CTagFile::ChooseNewest({}), QString());
}

TEST(TagFileChoice, FindNewestTagFileInADirectory)
{
    QTemporaryDir dir;
    for (const char* name :
         {"TagList3.tag", "TagList12.tag", "TagListA.tag", "Other40.tag", "TagList50.txt"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkdir(QStringLiteral("TagList99.tag")); // a folder is not a file
    const QString expected =
        QDir::toNativeSeparators(dir.filePath(QStringLiteral("TagList12.tag")));
    for (const QString& directory :
         {dir.path(), dir.path() + QLatin1Char('/'), dir.path() + QLatin1Char('\\')}) {
        QString path;
        ASSERT_TRUE(CTagFile::FindNewestTagFile(directory, QStringLiteral("TagList*.tag"), path))
            << directory.toStdString();
        EXPECT_EQ(path, expected);
    }
    QString path = QStringLiteral("unchanged");
    EXPECT_FALSE(CTagFile::FindNewestTagFile(dir.path(), QStringLiteral("None*.tag"), path));
    EXPECT_EQ(path, QStringLiteral("unchanged"));
    EXPECT_FALSE(CTagFile::FindNewestTagFile(dir.filePath(QStringLiteral("absent")),
                                             QStringLiteral("TagList*.tag"), path));
}

} // namespace
