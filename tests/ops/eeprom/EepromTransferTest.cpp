// The EEPROM utilities' transfers and file prompts against the simulated controller: the
// requests on the wire, the image they leave, and the messages in order.
#include "data/CEepromImage.h"
#include "ops/OpsSimTest.h"
#include "ops/eeprom/CEepromFile.h"
#include "ops/eeprom/CEepromTransfer.h"
#include "res/StringTable.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using EIcon = IUserPrompt::EIcon;
using EAnswer = IUserPrompt::EAnswer;
using EResult = CEepromTransfer::EResult;

class EepromTransferTest : public OpsSimTest
{
protected:
    // The EEPROM requests since the last ClearRequests: (address, is a write).
    std::vector<std::pair<std::uint16_t, bool>> EepromWire() const
    {
        std::vector<std::pair<std::uint16_t, bool>> requests;
        for (const CLinkRecord& r : Wire()) {
            if (r.extension == LinkProtocol::kExtEepromByte)
                requests.emplace_back(r.word1, r.control == LinkProtocol::kControlWrite);
        }
        return requests;
    }
    std::vector<std::uint8_t> SimEeprom()
    {
        std::vector<std::uint8_t> bytes;
        sim.WithModel([&](CSimModel& m) { bytes = m.Eeprom(); });
        return bytes;
    }
    QString WriteFile(const QByteArray& bytes)
    {
        const QString path = files.filePath(QStringLiteral("image.eep"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    CEepromImage image;
    CEepromTransfer transfer{doc};
    QTemporaryDir files;
};

QString Text(EString id)
{
    return LoadString(id);
}

const QString kAsciiQuestion =
    QStringLiteral("File appears to be in ASCII format, it should be in binary format.\n"
                   "Read anyway?");

} // namespace

TEST_F(EepromTransferTest, ReadsEachAddressFromZeroIntoTheImage)
{
    sim.WithModel([](CSimModel& m) { m.Eeprom()[0] = 0; }); // a Tarn: 256 bytes
    sim.ClearRequests();

    const CEepromTransfer::SOutcome outcome = transfer.Get(image, 128);

    EXPECT_EQ(outcome.result, EResult::Done);
    EXPECT_EQ(image.ControllerType(), ControllerTypeNumber(EControllerType::Tarn));
    const std::vector<std::uint8_t> eeprom = SimEeprom();
    ASSERT_EQ(image.Count(), 128);
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(image.Records()[i]->address, i);
        EXPECT_EQ(image.Records()[i]->data, eeprom[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(CEepromImage::ListLine(*image.Records()[0]), QStringLiteral("0000:   000   0x00"));
    // Reads only, address after address; a busy machine may make the link ask twice.
    int expected = 0;
    for (const auto& [address, write] : EepromWire()) {
        EXPECT_FALSE(write);
        if (address == expected - 1)
            continue;
        EXPECT_EQ(address, expected);
        ++expected;
    }
    EXPECT_EQ(expected, 128);
    ASSERT_EQ(prompt.Progress().size(), 1u);
    const auto& progress = *prompt.Progress()[0];
    EXPECT_EQ(progress.kind, IUserPrompt::EProgressKind::Cancellable);
    EXPECT_EQ(progress.high, 128);
    EXPECT_EQ(progress.positions.back(), 128);
    EXPECT_TRUE(progress.closed);
}

// An address beyond the controller's EEPROM is answered "no such tag": a byte without a
// reply, which ends the read there.
TEST_F(EepromTransferTest, ReadStopsAtTheEndOfASmallEepromAndEmptiesTheImage)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(EControllerType::Kv8); }); // 128 bytes
    sim.ClearRequests();
    prompt.ExpectMessage(Text(EString::EepromReadAborted), EIcon::Exclamation);

    const CEepromTransfer::SOutcome outcome = transfer.Get(image, 256);

    EXPECT_EQ(outcome.result, EResult::Failed);
    EXPECT_EQ(outcome.failedAddress, 128);
    EXPECT_TRUE(image.IsEmpty());
    for (const auto& [address, write] : EepromWire())
        EXPECT_LE(address, 128) << "nothing is asked past the first unanswered byte";
}

TEST_F(EepromTransferTest, CancelledGetEmptiesTheImageWithoutAMessage)
{
    prompt.CancelProgressAfter(3);
    const CEepromTransfer::SOutcome outcome = transfer.Get(image, 256);
    EXPECT_EQ(outcome.result, EResult::Cancelled);
    EXPECT_LE(outcome.bytesDone, 3);
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_TRUE(prompt.Shown().isEmpty());
}

TEST_F(EepromTransferTest, WriteStopsAtAByteThatIsNotConfirmed)
{
    const std::vector<std::uint8_t> before = SimEeprom();
    image.SetControllerType(ControllerTypeNumber(EControllerType::Tarn));
    for (int i = 0; i < 8; ++i)
        image.Append(static_cast<std::uint8_t>(0xA0 + i));
    sim.WithModel([](CSimModel& m) { m.SetEepromStuck(5); });
    prompt.ExpectQuestion(Text(EString::EepromProgramWarning), EAnswer::Yes)
        .ExpectMessage(Text(EString::EepromWriteAborted), EIcon::Exclamation);

    const CEepromTransfer::SOutcome outcome = transfer.Send(image);

    EXPECT_EQ(outcome.result, EResult::Failed);
    EXPECT_EQ(outcome.failedAddress, 5);
    EXPECT_EQ(outcome.bytesDone, 5);
    const std::vector<std::uint8_t> after = SimEeprom();
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(after[i], i < 5 ? 0xA0 + i : before[i]) << i;
    ASSERT_EQ(prompt.Progress().size(), 1u);
    EXPECT_EQ(prompt.Progress()[0]->kind, IUserPrompt::EProgressKind::Plain);
}

TEST_F(EepromTransferTest, SendsNothingUnlessConfirmedAndOfTheControllersType)
{
    image.SetControllerType(ControllerTypeNumber(EControllerType::TarnPlus));
    image.Append(0x55);
    sim.ClearRequests();
    prompt.ExpectQuestion(Text(EString::EepromProgramWarning), EAnswer::No);
    EXPECT_EQ(transfer.Send(image).result, EResult::Declined);
    EXPECT_TRUE(Wire().empty());

    // Nothing is written, so nothing says the EEPROM may be corrupted.
    prompt.ExpectQuestion(Text(EString::EepromProgramWarning), EAnswer::Yes)
        .ExpectMessage(Text(EString::DataFromOtherType), EIcon::Exclamation);
    EXPECT_EQ(transfer.Send(image).result, EResult::OtherType); // the simulator is a Tarn
    EXPECT_TRUE(EepromWire().empty());
    Silence(true);
    prompt.ExpectQuestion(Text(EString::EepromProgramWarning), EAnswer::Yes)
        .ExpectMessage(Text(EString::CommunicationError), EIcon::Exclamation);
    EXPECT_EQ(transfer.Send(image).result, EResult::NoController);
    Silence(false);
}

TEST_F(EepromTransferTest, FileLoadAsksAboutTextAndSaysWhenAFileDoesNotOpen)
{
    const QString text = WriteFile(QByteArray::fromHex("09000000") + "ADDR");
    prompt.ExpectQuestion(kAsciiQuestion, EAnswer::No);
    EXPECT_EQ(CEepromFile::Load(prompt, text, image).result, CEepromFile::ELoad::Declined);
    EXPECT_TRUE(image.IsEmpty());
    prompt.ExpectQuestion(kAsciiQuestion, EAnswer::Yes);
    EXPECT_EQ(CEepromFile::Load(prompt, text, image).result, CEepromFile::ELoad::Loaded);
    EXPECT_EQ(image.Count(), 4);

    // Too short to be an image: refused without a question.
    const QString shortFile = WriteFile("ab");
    EXPECT_EQ(CEepromFile::Load(prompt, shortFile, image).result, CEepromFile::ELoad::Failed);
    EXPECT_TRUE(image.IsEmpty());

    prompt.ExpectMessage(QStringLiteral("Cannot open EEPROM file"), EIcon::Exclamation);
    EXPECT_EQ(CEepromFile::Load(prompt, files.filePath(QStringLiteral("none.eep")), image).result,
              CEepromFile::ELoad::Failed);
    prompt.ExpectMessage(QStringLiteral("Cannot open EEPROM file"), EIcon::Exclamation);
    EXPECT_FALSE(
        CEepromFile::Save(prompt, files.filePath(QStringLiteral("no/dir.eep")), image, true).Ok());
}
