// The tag-file source format, and what the bundled sample file must cover.
#include "data/CErrorText.h"
#include "data/CTagFile.h"
#include "data/CTagSource.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

TEST(TagSource, ParsesEveryKey)
{
    const QString source = QStringLiteral("tagcount = 40 # more than listed\n"
                                          "[tag]\n"
                                          "tag = 0x1F00\n"
                                          "types = 9 10 31\n"
                                          "units = 16\n"
                                          "group = 20\n"
                                          "display = 0x8101\n"
                                          "presentation = 4\n"
                                          "privilege = 3\n"
                                          "spare1 = 1\n"
                                          "spare2 = 2\n"
                                          "words = 1 2 3 4 5 6 0xFFFF\n"
                                          "name = \"Max \\\"Speed\\\" # not a comment\"\n"
                                          "info = \"Line 1\\nLine 2\\t°C\\\\\"\n"
                                          "help = \"No Help Available \"\n"
                                          "[tag]\n"
                                          "tag = 2\n"
                                          "mask = 0x80000001\n"
                                          "[trip]\n"
                                          "code = 0x0003\n"
                                          "text = \"Overcurrent\"\n"
                                          "text = \"\"\n"
                                          "[text]\n"
                                          "code = 7\n"
                                          "code2 = 0\n");
    CTagFile file;
    QString error;
    ASSERT_TRUE(CTagSource::Parse(source, file, &error)) << error.toStdString();
    EXPECT_EQ(file.TagCount(), 40);
    ASSERT_EQ(file.Tags().size(), 2u);
    const CTagInfo& t = *file.Tags()[0];
    EXPECT_EQ(t.tag, 0x1F00);
    EXPECT_EQ(t.controllerMask, (1u << 9) | (1u << 10) | (1u << 31));
    EXPECT_EQ(t.unitsCode, 16);
    EXPECT_EQ(t.group, 20);
    EXPECT_EQ(t.displayWord, 0x8109); // presentation 4 on top of the display word
    EXPECT_EQ(t.privilege, 3);
    EXPECT_EQ(t.spare1, 1);
    EXPECT_EQ(t.spare2, 2);
    EXPECT_EQ(t.presentationWords[6], 0xFFFF);
    EXPECT_EQ(t.name, "Max \"Speed\" # not a comment");
    EXPECT_EQ(t.information, QByteArray("Line 1\nLine 2\t\xB0"
                                        "C\\"));
    EXPECT_EQ(t.help, "No Help Available ");
    EXPECT_EQ(file.Tags()[1]->controllerMask, 0x80000001u);
    ASSERT_EQ(file.Texts().size(), 2u);
    EXPECT_EQ(&file.Texts()[0]->Class(), &CErrorText::ClassInfo());
    EXPECT_EQ(file.Texts()[0]->TextCount(), 2);
    EXPECT_EQ(file.Texts()[0]->code2, 0xFFFF);
    EXPECT_EQ(&file.Texts()[1]->Class(), &CTextObject::ClassInfo());
    EXPECT_EQ(file.Texts()[1]->code2, 0);
}

TEST(TagSource, ErrorsNameTheLine)
{
    struct SCase
    {
        const char* source;
        const char* error;
    };
    const SCase cases[] = {
        {"[tag]\ntag = 70000\n", "line 2: \"70000\" is not a number from 0 to 65535"},
        {"[tag]\ntag = 1\ncolour = 3\n", "line 3: unknown key \"colour\" in [tag]"},
        {"[tag]\nunits = 1\n[tag]\n", "line 3: a [tag] section needs \"tag\""},
        {"[tag]\ntag = 1\ntag = 2\n", "line 3: \"tag\" is given twice"},
        {"[tag]\ntag = 1\ntypes = 9\nmask = 1\n", "line 4: give either types or mask"},
        {"[tag]\ntag = 1\ntypes = 32\n", "line 3: \"32\" is not a number from 0 to 31"},
        {"[tag]\ntag = 1\nname = Speed\n", "line 3: a text must be in double quotes"},
        {"[tag]\ntag = 1\nname = \"a\\qb\"\n", "line 3: unknown escape \\q"},
        {"[tag]\ntag = 1\nname = \"\u0416\"\n",
         "line 3: the text has a character outside Windows-1252"},
        {"[tag]\ntag = 1\npresentation = 128\n", "line 3: \"128\" is not a number from 0 to 127"},
        {"[trip]\ncode = 1\ntext = \"1\"\ntext = \"2\"\ntext = \"3\"\ntext = \"4\"\n"
         "text = \"5\"\ntext = \"6\"\ntext = \"7\"\ntext = \"8\"\ntext = \"9\"\n",
         "line 11: a text record holds at most 8 texts"},
        {"[trip]\ntext = \"x\"\n", "line 3: a text record needs \"code\""},
        {"units = 3\n", "line 1: \"units\" outside a section"},
        {"[tags]\n", "line 1: unknown section [tags]"},
    };
    for (const SCase& c : cases) {
        CTagFile file;
        QString error;
        EXPECT_FALSE(CTagSource::Parse(QString::fromUtf8(c.source), file, &error)) << c.source;
        EXPECT_EQ(error, QString::fromUtf8(c.error));
        EXPECT_TRUE(file.Tags().empty());
    }
}

// The bundled file is the data the application, the simulator and the tests run on; these
// checks keep it covering what they need.
class SampleTagFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const CTagLoadResult result = file.LoadTagFile(QStringLiteral(TAVRIN_SAMPLE_TAG_FILE));
        ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    }
    CTagFile file;
};

TEST_F(SampleTagFile, LoadsWithTheExpectedCounts)
{
    EXPECT_EQ(file.Tags().size(), 160u);
    EXPECT_EQ(file.TagCount(), 160);
    EXPECT_EQ(file.Texts().size(), 27u);
    for (std::uint32_t type : {5, 6, 8, 9, 10, 12, 14, 15, 17, 30, 31}) {
        int applying = 0;
        for (const auto& tag : file.Tags())
            applying += tag->AppliesToType(type) ? 1 : 0;
        EXPECT_GE(applying, type == 9 || type == 10 ? 40 : 20) << "type " << type;
    }
}

TEST_F(SampleTagFile, CoversEveryUnitGroupAndPresentation)
{
    QSet<int> units, groups, presentations;
    int noHelp = 0;
    for (const auto& tag : file.Tags()) {
        units.insert(tag->unitsCode);
        groups.insert(tag->group);
        presentations.insert(tag->PresentationCode());
        noHelp += tag->help == "No Help Available " ? 1 : 0;
    }
    for (int i = 0; i <= 24; ++i) {
        EXPECT_TRUE(units.contains(i)) << "units " << i;
        EXPECT_TRUE(groups.contains(i)) << "group " << i;
    }
    for (int p : {0, 1, 2, 3, 4, 5, 6, 7, 8, 127})
        EXPECT_TRUE(presentations.contains(p)) << "presentation " << p;
    EXPECT_GT(noHelp, 10);
}

TEST_F(SampleTagFile, HasTheOptionAndDialogTagsForTheirTypes)
{
    const std::pair<int, std::vector<std::uint32_t>> expected[] = {
        {7936, {9, 10}},     {7937, {9, 10}},      {7938, {9, 10}},      {8000, {30, 31}},
        {8016, {30, 31}},    {8002, {30, 31}},     {8018, {30, 31}},     {16480, {9, 10}},
        {16481, {9, 10}},    {16482, {9, 10}},     {16736, {9, 10}},     {16737, {9, 10}},
        {16738, {10}},       {16912, {9, 14, 30}}, {16928, {10, 31}},    {16944, {9, 30}},
        {16960, {9, 10}},    {337, {9, 14, 30}},   {13316, {9, 14, 31}}, {13323, {9, 14, 30}},
        {7264, {9, 14, 31}}, {7234, {9, 30}},      {7952, {9}},          {7680, {10}},
        {7440, {9}},         {13313, {9}},         {7201, {9}},          {13312, {9}},
        {13376, {9}},        {8197, {9}},          {20512, {9}},         {13379, {30}},
        {7240, {31}},        {7248, {9, 30}},      {8048, {30}},         {20781, {12}},
        {20782, {12}},       {20783, {12}},        {20784, {12}},        {20788, {12}},
        {20752, {12}},       {20753, {12}},        {20780, {12}},        {7232, {30}},
        {7235, {30}},        {13360, {9}},         {13361, {10}},
    };
    for (const auto& [tag, types] : expected) {
        for (std::uint32_t type : types)
            EXPECT_NE(file.FindTag(static_cast<std::uint16_t>(tag), type), nullptr)
                << tag << " type " << type;
    }
}

TEST_F(SampleTagFile, HasTripTexts)
{
    for (std::uint16_t code = 0; code <= 0x10; ++code) {
        const CTextObject* trip = file.FindText(code);
        ASSERT_NE(trip, nullptr) << code;
        EXPECT_EQ(&trip->Class(), &CErrorText::ClassInfo());
        EXPECT_FALSE(trip->Text(0).isEmpty());
    }
    EXPECT_EQ(file.FindText(0x0001)->Text(0), "Overcurrent");
    EXPECT_NE(file.FindText(0x00FF), nullptr);
}

} // namespace
