// The EEPROM image and its files: byte-exact binary and text forms, the record's archive
// body, the refusals that leave the image empty, and which controller an image matches.
#include "data/CArchive.h"
#include "data/CEepromImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using EStatus = CEepromImage::EStatus;

void Fill(CEepromImage& image, std::uint32_t type, const QByteArray& bytes)
{
    image.Clear();
    image.SetControllerType(type);
    for (const char byte : bytes)
        image.Append(static_cast<std::uint8_t>(byte));
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

} // namespace

TEST(EepromImage, SavesTheBinaryFormAndTheTextDumpAndLoadsTheBinaryBack)
{
    QTemporaryDir dir;
    CEepromImage image;
    Fill(image, 10, QByteArray::fromHex("00ff07"));

    const QString binary = dir.filePath(QStringLiteral("image.eep"));
    ASSERT_TRUE(image.SaveFile(binary, true).Ok());
    EXPECT_EQ(ReadAll(binary), QByteArray::fromHex("0a000000" /* type 10 */ "00ff07"));

    const QString text = dir.filePath(QStringLiteral("dump.eep"));
    ASSERT_TRUE(image.SaveFile(text, false).Ok());
    EXPECT_EQ(ReadAll(text), QFile::encodeName(QDir::toNativeSeparators(text)) +
                                 "\nADDR 000 DATA 000\nADDR 001 DATA 255\nADDR 002 DATA 007\n");

    CEepromImage loaded;
    ASSERT_TRUE(loaded.LoadFile(binary).Ok());
    EXPECT_EQ(loaded.ControllerType(), 10u);
    ASSERT_EQ(loaded.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Records()[i]->address, i);
        EXPECT_EQ(loaded.Records()[i]->valid, 1);
    }
    EXPECT_EQ(loaded.Records()[1]->data, 0xFF);
    EXPECT_EQ(CEepromImage::ListLine(*loaded.Records()[1]), QStringLiteral("0001:   255   0xFF"));
}

TEST(EepromImage, RecordBodyIsTheAddressWordThenTheDataByte)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CArchive store(&buffer, CArchive::EMode::Store);
    CE2Object record(0x1234, 0xAB);
    record.Serialize(store);
    store.Close();
    EXPECT_EQ(buffer.data(), QByteArray::fromHex("3412ab"));
    EXPECT_EQ(CE2Object::ClassInfo().schema, 1);

    buffer.close();
    buffer.open(QIODevice::ReadOnly);
    CArchive load(&buffer, CArchive::EMode::Load);
    CE2Object back;
    back.Serialize(load);
    EXPECT_EQ(back.address, 0x1234);
    EXPECT_EQ(back.data, 0xAB);
    EXPECT_EQ(back.valid, 1);
}

// Every refused load leaves the image empty, whatever it held before.
TEST(EepromImage, LoadsAllOrNothing)
{
    CEepromImage image;
    EXPECT_TRUE(image.Load(QByteArray::fromHex("09000000")).Ok()) << "a type and no bytes";
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.ControllerType(), 9u);

    Fill(image, 9, "abc");
    EXPECT_EQ(image.Load(QByteArray::fromHex("090000")).status, EStatus::TooShort);
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.ControllerType(), CEepromImage::kNoControllerType);

    // Addresses are 16-bit: 65536 bytes fit, one more does not.
    QByteArray full = QByteArray::fromHex("0c000000") + QByteArray(CEepromImage::kMaxBytes, '\x80');
    ASSERT_TRUE(image.Load(full).Ok());
    EXPECT_EQ(image.Count(), CEepromImage::kMaxBytes);
    EXPECT_EQ(image.Records().back()->address, 0xFFFF);
    EXPECT_FALSE(image.Append(0)) << "a full image takes no more bytes";
    EXPECT_EQ(image.Load(full + '\x01').status, EStatus::TooLarge);
    EXPECT_TRUE(image.IsEmpty());

    QTemporaryDir dir;
    const QString large = dir.filePath(QStringLiteral("large.eep"));
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(full + QByteArray(1000, '\x01'));
    file.close();
    Fill(image, 9, "abc");
    EXPECT_EQ(image.LoadFile(large).status, EStatus::TooLarge);
    EXPECT_TRUE(image.IsEmpty());
}

TEST(EepromImage, MatchesOnlyAControllerOfItsOwnIdentifiedType)
{
    CEepromImage image;
    image.SetControllerType(ControllerTypeNumber(EControllerType::TarnPlus));
    EXPECT_TRUE(image.MatchesController(EControllerType::TarnPlus));
    EXPECT_FALSE(image.MatchesController(EControllerType::Tarn));

    // A type stored beyond 16 bits names no controller, not the one of its low bits.
    image.SetControllerType(0x10000 + ControllerTypeNumber(EControllerType::TarnPlus));
    EXPECT_FALSE(image.MatchesController(EControllerType::TarnPlus));
    EXPECT_EQ(image.Controller(), EControllerType::None);

    // An image read from a controller that could not be identified fits no controller, not
    // even another that cannot be identified.
    image.SetControllerType(CEepromImage::kNoControllerType);
    EXPECT_FALSE(image.MatchesController(EControllerType::None));
}
