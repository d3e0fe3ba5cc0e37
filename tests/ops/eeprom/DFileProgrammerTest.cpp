// Program D-File against the simulated controller: what reaches its EEPROM, the messages of
// each way out, and which menu items the identification enables.
#include "common/SimRecords.h"
#include "doc/CTransferSession.h"
#include "ops/OpsSimTest.h"
#include "ops/eeprom/CDFileProgrammer.h"
#include "ops/eeprom/CEepromBackup.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <atomic>
#include <memory>
#include <set>

namespace {

using T = EControllerType;
using EIcon = IUserPrompt::EIcon;
using EAnswer = IUserPrompt::EAnswer;
using EResult = CDFileProgrammer::EResult;

const QString kUntested =
    QStringLiteral("This feature is UNTESTED.\nUse at your own PERIL\nCheck DFile matches "
                   "controller\n\nDo you wish to proceed?\n");
const QString kSucceeded =
    QStringLiteral("D-File programming successful\nRemember to restart controller");
const QString kFailed = QStringLiteral("D-File programming failed");
constexpr std::uint8_t kUntouched = 0xA5;

class DFileProgrammerTest : public OpsSimTest
{
protected:
    void SetUp() override
    {
        OpsSimTest::SetUp();
        // The copy of a binary file goes to the application's data folder: keep it here.
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

    // A controller of `type` whose EEPROM holds kUntouched everywhere.
    void MakeController(T type)
    {
        sim.WithModel([type](CSimModel& m) {
            m.SetIdentity(type);
            std::fill(m.Eeprom().begin(), m.Eeprom().end(), kUntouched);
        });
    }

    QString File(const QByteArray& bytes)
    {
        const QString path = files.filePath(QStringLiteral("D%1").arg(++m_count));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }

    // The EEPROM addresses written to (a request the link had to send twice counts once).
    std::set<std::uint16_t> EepromWrites() const
    {
        std::set<std::uint16_t> addresses;
        for (const CLinkRecord& r : Wire()) {
            if (r.extension == LinkProtocol::kExtEepromByte &&
                r.control == LinkProtocol::kControlWrite)
                addresses.insert(r.word1);
        }
        return addresses;
    }

    QTemporaryDir dataHome;
    QTemporaryDir files;

private:
    int m_count = 0;
};

// A text D-File for the Ivor: 2 at address 0 and 100 at address 10 sum to 102; complemented
// 0xFF99, stored as 255 at 254 and 153 at 255. 77 at 200 lies outside the checksum.
const QByteArray kIvorText = "Ivor test file\n0 2\n10 100\n200 77\n254 255\n255 153\n";

} // namespace

TEST_F(DFileProgrammerTest, BinaryFileProgramsItsDataBytesFromAddressZero)
{
    MakeController(T::Oriel);
    // 160 header bytes, 89 data bytes starting with the Oriel's check byte 2, then more
    // bytes that are not part of the file's data.
    QByteArray bytes(300, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    bytes[160] = 0x02;
    const QString path = File(bytes);
    doc.StartStatusPoll();
    sim.ClearRequests();
    prompt.ExpectQuestion(kUntested, EAnswer::Yes)
        .ExpectOpenFile(path)
        .ExpectMessage(kSucceeded, EIcon::None);

    EXPECT_EQ(CDFileProgrammer(doc).Run(T::Oriel), EResult::Programmed);

    sim.WithModel([&](CSimModel& m) {
        for (int i = 0; i < 89; ++i)
            ASSERT_EQ(m.Eeprom()[std::size_t(i)], std::uint8_t(bytes[160 + i])) << i;
        EXPECT_EQ(m.Eeprom()[89], kUntouched);
    });
    EXPECT_EQ(EepromWrites().size(), 89u);
    EXPECT_EQ(*EepromWrites().rbegin(), 88);
    ASSERT_EQ(prompt.Progress().size(), 1u);
    const auto& progress = *prompt.Progress().front();
    EXPECT_EQ(progress.kind, IUserPrompt::EProgressKind::Plain);
    // The backup's 89 reads, then the 89 writes.
    EXPECT_EQ(progress.high, 2 * 89);
    EXPECT_EQ(progress.positions.back(), 2 * 89);
    EXPECT_GE(progress.pumps, 89) << "the window repaints after every byte";
    EXPECT_TRUE(doc.StatusPollRunning());

    // The header and data, and nothing after them, are kept in the application's folder.
    QFile copy(QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                   .filePath(QStringLiteral("TP.bin")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), bytes.left(249));
}

TEST_F(DFileProgrammerTest, NoIdentificationForTheBackupMeansNoProgramming)
{
    MakeController(T::Oriel);
    QByteArray bytes(300, '\0');
    bytes[160] = 0x02;
    const QString path = File(bytes);
    // The first identification (both its attempts) is lost; the controller answers again at
    // once, so a write that went ahead would find it.
    auto model = std::make_shared<CSimModel>();
    sim.WithModel([&model](CSimModel& m) { *model = m; });
    auto identifications = std::make_shared<std::atomic<int>>(0);
    sim.SetResponder([model, identifications](const CLinkRecord& r) -> std::optional<QByteArray> {
        if (r.word1 == LinkProtocol::kTagIdentification && (*identifications)++ < 2)
            return std::nullopt;
        return ReplyBytes(model->Answer(r));
    });
    sim.ClearRequests();
    prompt.ExpectQuestion(kUntested, EAnswer::Yes)
        .ExpectMessageContaining(CEepromBackup::NothingProgrammedText())
        .ExpectMessage(kFailed, EIcon::None);

    CDFileProgrammer programmer(doc);
    EXPECT_EQ(programmer.Run(T::Oriel, path), EResult::NoBackup);
    EXPECT_TRUE(programmer.LastBackupUnanswered());
    EXPECT_TRUE(EepromWrites().empty());
    EXPECT_TRUE(std::all_of(model->Eeprom().begin(), model->Eeprom().end(),
                            [](std::uint8_t b) { return b == kUntouched; }));
}

// The Tarn Plus item is never enabled, so only the flow itself can be given its file.
TEST_F(DFileProgrammerTest, BinaryFileOfAnotherTypeIsRefusedBeforeAnyWrite)
{
    MakeController(T::TarnPlus);
    QByteArray bytes(672, '\0');
    bytes[161] = 0x0B;
    const QString path = File(bytes);
    sim.ClearRequests();
    prompt.ExpectQuestion(kUntested, EAnswer::Yes)
        .ExpectMessage(QStringLiteral("Invalid DFile for controller type"), EIcon::Exclamation)
        .ExpectMessage(kFailed, EIcon::None);

    EXPECT_EQ(CDFileProgrammer(doc).Run(T::TarnPlus, path), EResult::Refused);
    EXPECT_TRUE(Wire().empty());
}

TEST_F(DFileProgrammerTest, TextFileProgramsUpToItsHighestAddressWhenItsChecksumHolds)
{
    MakeController(T::Ivor);
    const QString comment =
        QStringLiteral("This file has the comment:\nIvor test file\nProgram controller?");
    QByteArray bad = kIvorText;
    bad.replace("10 100", "10 101");
    // A bad checksum fails with no message of its own.
    prompt.ExpectQuestion(kUntested, EAnswer::Yes)
        .ExpectQuestion(comment, EAnswer::Yes)
        .ExpectMessage(kFailed, EIcon::None);
    sim.ClearRequests();
    EXPECT_EQ(CDFileProgrammer(doc).Run(T::Ivor, File(bad)), EResult::Refused);
    EXPECT_TRUE(EepromWrites().empty());

    const QString path = File(kIvorText);
    prompt.ExpectQuestion(kUntested, EAnswer::Yes)
        .ExpectOpenFile(path)
        .ExpectQuestion(comment, EAnswer::Yes)
        .ExpectMessage(kSucceeded, EIcon::None);
    EXPECT_EQ(CDFileProgrammer(doc).Run(T::Ivor), EResult::Programmed);
    EXPECT_EQ(EepromWrites().size(), 256u);
    EXPECT_EQ(*EepromWrites().rbegin(), 255) << "the checksum bytes at 254 and 255 included";
    sim.WithModel([](CSimModel& m) {
        const auto& e = m.Eeprom();
        EXPECT_EQ(e[0], 2);
        EXPECT_EQ(e[1], 0);
        EXPECT_EQ(e[10], 100);
        EXPECT_EQ(e[200], 77);
        EXPECT_EQ(e[254], 255);
        EXPECT_EQ(e[255], 153);
        EXPECT_EQ(e[256], kUntouched);
    });
}

TEST_F(DFileProgrammerTest, MenuItemsFollowTheIdentifiedController)
{
    const T items[] = {T::MiraQx90, T::MiraIso, T::Oriel, T::Tarn, T::TarnPlus, T::Ivor, T::Stoat};
    const auto enabled = [&](T connected) {
        std::vector<T> on;
        for (T item : items) {
            if (CDFileProgrammer::ItemEnabled(item, connected))
                on.push_back(item);
        }
        return on;
    };

    MakeController(T::Oriel);
    EXPECT_EQ(enabled(CDFileProgrammer::IdentifyForMenu(doc)), std::vector<T>{T::Oriel});
    MakeController(T::Tarn);
    EXPECT_TRUE(enabled(CDFileProgrammer::IdentifyForMenu(doc)).empty())
        << "the Tarn's item stays disabled even for a Tarn";

    // Not while a transfer runs: it is not interrupted, and no item is enabled.
    MakeController(T::Oriel);
    {
        CTransferSession session(doc);
        sim.ClearRequests();
        EXPECT_TRUE(enabled(CDFileProgrammer::IdentifyForMenu(doc)).empty());
        EXPECT_TRUE(Wire().empty());
    }

    Silence(true);
    EXPECT_TRUE(enabled(CDFileProgrammer::IdentifyForMenu(doc)).empty());
}
