// The ADC channel file: the record's exact encoding, a round trip through both record
// classes, exclusive saving, the two load failures and the channel source.
#include "common/CScriptedPrompt.h"
#include "data/CADCChannel.h"
#include "data/CAdcChannelSource.h"
#include "data/CArchive.h"
#include "ops/adc/CAdcChannels.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using EIcon = IUserPrompt::EIcon;

// Every field away from its initial value.
CADCChannel Heatsink()
{
    CADCChannel channel;
    channel.tag = 0x0182;
    channel.minimum = -40;
    channel.maximum = 120;
    channel.accessLevel = 3;
    channel.name = QStringLiteral("Heatsink \u00B0C");
    channel.secondText = QStringLiteral("ab");
    channel.controllerType = 14;
    channel.reserved1 = 0x01020304;
    channel.reserved2 = -2;
    channel.rangeLow = 5;
    channel.rangeHigh = 0x0000FFFF;
    return channel;
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST(AdcChannelFile, StoresARecordAsItsClassRecordAndElevenFields)
{
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    CADCChannel::WriteFile(&buffer, {Heatsink()});
    // clang-format off
    const QByteArray expected =
        QByteArray::fromHex("0100"                          // count
                            "ffff" "0200" "0b00") +         // new class, schema 2, name length
        "CADCChannel" +
        QByteArray::fromHex("8201"                          // tag
                            "d8ffffff" "78000000"           // minimum -40, maximum 120
                            "0300"                          // access level
                            "0b" "4865617473696e6b20b043"   // name in Windows-1252
                            "02" "6162"                     // second text
                            "0e000000"                      // controller type
                            "04030201" "feffffff"           // reserved 1 and 2
                            "05000000" "ffff0000");         // range low, range high
    // clang-format on
    EXPECT_EQ(buffer.data().toHex(' '), expected.toHex(' '));
}

TEST(AdcChannelFile, SavesExclusivelyAndLoadsBothClassesBack)
{
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("saved.dat"));
    CAdcChannels channels;
    CADCChannel plain;
    plain.name = QStringLiteral("Throttle");
    channels.SetChannels({Heatsink(), plain});
    ASSERT_TRUE(channels.Save(saved));
    const QByteArray first = [&] {
        QFile file(saved);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    channels.SetChannels({});
    EXPECT_FALSE(channels.Save(saved)) << "the file exists";

    CScriptedPrompt prompt;
    CAdcChannels loaded;
    ASSERT_TRUE(loaded.Load(saved, prompt));
    ASSERT_EQ(loaded.Channels().size(), 2u);
    EXPECT_TRUE(loaded.Channels()[0].SameFields(Heatsink()));
    EXPECT_TRUE(loaded.Channels()[1].SameFields(plain)) << "initial values survive too";
    QFile again(saved);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), first) << "the refused save left the file alone";

    // A display copy is stored as its own class with the same fields, and read as a channel.
    const QString mixed = dir.filePath(QStringLiteral("mixed.dat"));
    {
        QFile file(mixed);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        CADCChannelDlg copy(Heatsink());
        CADCChannel second = plain;
        CArchive archive(&file, CArchive::EMode::Store);
        archive.WriteCount(2);
        archive.WriteObject(&copy);
        archive.WriteObject(&second);
        archive.Close();
    }
    ASSERT_TRUE(loaded.Load(mixed, prompt));
    ASSERT_EQ(loaded.Channels().size(), 2u);
    EXPECT_TRUE(loaded.Channels()[0].SameFields(Heatsink()));
    EXPECT_TRUE(loaded.Channels()[1].SameFields(plain));
}

TEST(AdcChannelFile, AMissingOrDamagedFileLeavesNoChannels)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.dat"));
    CAdcChannels writer;
    writer.SetChannels({Heatsink(), Heatsink()});
    ASSERT_TRUE(writer.Save(good));
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    CScriptedPrompt prompt;
    CAdcChannels channels;
    prompt.ExpectMessage(QStringLiteral("Cannot open ADC initialisation file"), EIcon::Exclamation);
    EXPECT_FALSE(channels.Load(dir.filePath(QStringLiteral("none.dat")), prompt));

    // Cut inside the second record: the first, read whole, must not stay behind.
    ASSERT_TRUE(channels.Load(good, prompt));
    const QString cut = dir.filePath(QStringLiteral("cut.dat"));
    WriteBytes(cut, bytes.left(bytes.size() - 3));
    prompt.ExpectMessage(QStringLiteral("Cannot load the ADC channel data. Option to view ADC "
                                        "channels will not be available."),
                         EIcon::Exclamation);
    EXPECT_FALSE(channels.Load(cut, prompt));
    EXPECT_TRUE(channels.Channels().empty());
}

TEST(AdcChannelSource, ReadsChannelsAndNamesTheLineOfAFault)
{
    std::vector<CADCChannel> channels;
    QString error;
    ASSERT_TRUE(CAdcChannelSource::Parse(
        QStringLiteral("# heading\n\n"
                       "14 0x0182 -40 120 3 \"Heatsink \u00B0C\" \"ab\"  # trailing\n"
                       "\t8 386 0 0x7fffffff 0 \"Say \\\"#1\\\"\"\r\n"),
        channels, &error))
        << error.toStdString();
    ASSERT_EQ(channels.size(), 2u);
    CADCChannel expected = Heatsink();
    expected.reserved1 = 0;
    expected.reserved2 = 0;
    expected.rangeLow = 0;
    expected.rangeHigh = 0xFFFFFFFF;
    EXPECT_TRUE(channels[0].SameFields(expected));
    EXPECT_EQ(channels[1].tag, 386);
    EXPECT_EQ(channels[1].maximum, 0x7FFFFFFF);
    EXPECT_EQ(channels[1].name, QStringLiteral("Say \"#1\""));
    EXPECT_EQ(channels[1].secondText, QString());

    const auto fails = [&](const QString& source, const char* why) {
        EXPECT_FALSE(CAdcChannelSource::Parse(source, channels, &error)) << why;
        EXPECT_TRUE(error.startsWith(QStringLiteral("line 2: "))) << error.toStdString();
        EXPECT_TRUE(channels.empty());
    };
    const QString good = QStringLiteral("8 1 0 10 0 \"A\"\n");
    fails(good + QStringLiteral("8 1 0 10 0 A\n"), "a name without quotes");
    fails(good + QStringLiteral("8 0x10000 0 10 0 \"A\"\n"), "a tag beyond 16 bits");
    fails(good + QStringLiteral("8 1 -2147483649 10 0 \"A\"\n"), "a minimum beyond 32 bits");
    fails(good + QStringLiteral("8 1 0 10 0 \"A\" \"B\" \"C\"\n"), "a third text");
    fails(good + QStringLiteral("8 1 0 10 0 \"A\u20AC\u0100\"\n"), "outside Windows-1252");
    fails(good + QStringLiteral("8 1 0 10 0 \"A\n"), "an open quote");
}
