// Zero tilt and EEPROM defaults against the simulated controller: the exact requests on the
// tilt and defaults tags, the messages in order, and the refusals.
#include "common/SimRecords.h"
#include "ops/OpsSimTest.h"
#include "ops/tools/CEepromDefaults.h"
#include "ops/tools/CZeroTilt.h"
#include "res/StringTable.h"
#include "store/CBackups.h"

#include <atomic>
#include <memory>

#include <vector>

namespace {

using EIcon = IUserPrompt::EIcon;
using EAnswer = IUserPrompt::EAnswer;

class ControllerToolsTest : public OpsSimTest
{
protected:
    void MakeTiltController(bool withSensor)
    {
        sim.WithModel([withSensor](CSimModel& m) {
            m.SetIdentity(EControllerType::Corvo120);
            m.Tilt().present = withSensor;
            m.Tilt().reading = 0x0123;
            m.Tilt().offset = 0x0010;
        });
    }
};

QString Text(EString id)
{
    return LoadString(id);
}

} // namespace

TEST_F(ControllerToolsTest, ZeroTiltSendsTheZeroingSeriesAndLeavesThePollRunning)
{
    MakeTiltController(true);
    doc.StartStatusPoll();
    sim.ClearRequests();
    prompt.ExpectQuestion(Text(EString::ZeroTiltQuestion), EAnswer::Yes)
        .ExpectMessage(Text(EString::TiltZeroed), EIcon::Information);

    EXPECT_EQ(CZeroTilt(doc).Run(), CZeroTilt::EResult::Zeroed);

    const auto wire = WireFor(LinkProtocol::kTagTilt);
    ASSERT_EQ(wire.size(), 4u);
    struct SExpected
    {
        std::uint8_t control;
        std::uint16_t word2;
        std::uint16_t word3;
    };
    // Read A = 0x0123, B = 0x0010; then (0, B - A), (1, 0) and (A, B).
    const SExpected expected[] = {{LinkProtocol::kControlRead, 0, 0},
                                  {LinkProtocol::kControlWrite, 0, 0xFEED},
                                  {LinkProtocol::kControlWrite, 1, 0},
                                  {LinkProtocol::kControlWrite, 0x0123, 0x0010}};
    for (std::size_t i = 0; i < wire.size(); ++i) {
        EXPECT_EQ(wire[i].control, expected[i].control) << i;
        EXPECT_EQ(wire[i].extension, LinkProtocol::kExtValue) << i;
        EXPECT_EQ(wire[i].word2, expected[i].word2) << i;
        EXPECT_EQ(wire[i].word3, expected[i].word3) << i;
    }
    sim.WithModel([](CSimModel& m) {
        EXPECT_EQ(m.Tilt().zeroings, 1);
        EXPECT_EQ(m.Tilt().offset, 0xFEED);
    });
    EXPECT_TRUE(doc.StatusPollRunning()) << "the tool leaves the poll as it found it";
}

TEST_F(ControllerToolsTest, ZeroTiltRefusesAnotherControllerType)
{
    sim.ClearRequests(); // the simulator identifies as a Tarn (type 9)
    prompt.ExpectMessage(Text(EString::IncompatibleController), EIcon::Exclamation)
        .ExpectMessage(Text(EString::TiltNotZeroed), EIcon::Information);

    EXPECT_EQ(CZeroTilt(doc).Run(), CZeroTilt::EResult::Incompatible);
    EXPECT_TRUE(WireFor(LinkProtocol::kTagTilt).empty());
}

TEST_F(ControllerToolsTest, ZeroTiltWritesNothingWithoutAReadingAndOffersRetry)
{
    MakeTiltController(false); // the tilt tag is answered "no such tag"
    sim.ClearRequests();
    prompt.ExpectQuestion(Text(EString::ZeroTiltQuestion), EAnswer::Yes)
        .ExpectQuestion(Text(EString::TiltNotZeroed), EAnswer::Retry)
        .ExpectQuestion(Text(EString::ZeroTiltQuestion), EAnswer::Yes)
        .ExpectQuestion(Text(EString::TiltNotZeroed), EAnswer::Cancel)
        .ExpectMessage(Text(EString::TiltNotZeroed), EIcon::Information);

    EXPECT_EQ(CZeroTilt(doc).Run(), CZeroTilt::EResult::NoReply);
    const auto wire = WireFor(LinkProtocol::kTagTilt);
    EXPECT_FALSE(wire.empty()) << "each attempt reads the tilt tag";
    for (const CLinkRecord& r : wire)
        EXPECT_EQ(r.control, LinkProtocol::kControlRead) << "a write built without a reading";
}

TEST_F(ControllerToolsTest, EepromDefaultsResetsTheParametersOnlyWhenConfirmed)
{
    sim.WithModel([](CSimModel& m) {
        CSimTag tag = *m.Tag(0x1000);
        tag.value = 300; // factory value 250
        m.SetTag(0x1000, tag);
        m.ResetChecksum();
    });
    // No is the default button of the warning.
    prompt
        .ExpectQuestionDefaultNo(Text(EString::ResetEepromQuestion), EAnswer::No,
                                 IUserPrompt::EButtons::YesNoCancel)
        .ExpectMessage(Text(EString::EepromResetCancelled), EIcon::Information);
    EXPECT_EQ(CEepromDefaults(doc).Run(), CEepromDefaults::EResult::Declined);
    EXPECT_TRUE(WireFor(LinkProtocol::kTagEepromDefaults).empty());

    sim.ClearRequests();
    prompt.ExpectQuestion(Text(EString::ResetEepromQuestion), EAnswer::Yes)
        .ExpectQuestion(Text(EString::EepromBackupQuestion), EAnswer::No)
        .ExpectMessage(Text(EString::EepromResetToDefaults), EIcon::Information);
    EXPECT_EQ(CEepromDefaults(doc).Run(), CEepromDefaults::EResult::Done);

    const auto wire = WireFor(LinkProtocol::kTagEepromDefaults);
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0].control, LinkProtocol::kControlWrite);
    EXPECT_EQ(wire[0].word2, 1);
    EXPECT_EQ(wire[0].word3, 0);
    sim.WithModel([](CSimModel& m) {
        EXPECT_EQ(m.Tag(0x1000)->value, 250);
        EXPECT_TRUE(m.ChecksumConsistent());
    });
}

TEST_F(ControllerToolsTest, EepromDefaultsOffersRetryWhenTheResetGoesUnanswered)
{
    // Everything is answered but the reset itself.
    auto model = std::make_shared<CSimModel>();
    sim.WithModel([&model](CSimModel& m) { *model = m; });
    sim.SetResponder([model](const CLinkRecord& r) -> std::optional<QByteArray> {
        const std::optional<CLinkRecord> reply = model->Answer(r);
        if (r.word1 == LinkProtocol::kTagEepromDefaults || !reply)
            return std::nullopt;
        const LinkFrame bytes = CSimModel::EncodeReply(*reply);
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    });
    sim.ClearRequests();
    // Retry starts again at the identification, with the warning and (no backup was saved)
    // the backup question.
    prompt.ExpectQuestion(Text(EString::ResetEepromQuestion), EAnswer::Yes)
        .ExpectQuestion(Text(EString::EepromBackupQuestion), EAnswer::No)
        .ExpectQuestion(Text(EString::ResetEepromFailedRetry), EAnswer::Retry)
        .ExpectQuestion(Text(EString::ResetEepromQuestion), EAnswer::Yes)
        .ExpectQuestion(Text(EString::EepromBackupQuestion), EAnswer::No)
        .ExpectQuestion(Text(EString::ResetEepromFailedRetry), EAnswer::Cancel)
        .ExpectMessage(Text(EString::EepromResetFailed), EIcon::Information);

    EXPECT_EQ(CEepromDefaults(doc).Run(), CEepromDefaults::EResult::NoReply);
    EXPECT_EQ(WireFor(LinkProtocol::kTagEepromDefaults).size(),
              std::size_t(2 * CControllerLink::kCommandAttempts))
        << "two resets, each with the link's attempts";
}

TEST_F(ControllerToolsTest, EepromDefaultsReadsAndResetsNothingWhenTheBackupsIdentificationFails)
{
    // The tool's own identification is answered; from then on the identification tag is not.
    auto model = std::make_shared<CSimModel>();
    sim.WithModel([&model](CSimModel& m) { *model = m; });
    auto identifications = std::make_shared<std::atomic<int>>(0);
    sim.SetResponder([model, identifications](const CLinkRecord& r) -> std::optional<QByteArray> {
        if (r.word1 == LinkProtocol::kTagIdentification && (*identifications)++ > 0)
            return std::nullopt;
        return ReplyBytes(model->Answer(r));
    });
    sim.ClearRequests();
    prompt.ExpectQuestion(Text(EString::ResetEepromQuestion), EAnswer::Yes)
        .ExpectQuestion(Text(EString::EepromBackupQuestion), EAnswer::Yes)
        .ExpectMessage(Text(EString::CommunicationError), EIcon::Exclamation)
        .ExpectMessage(Text(EString::EepromResetFailed), EIcon::Information);
    EXPECT_EQ(CEepromDefaults(doc).Run(), CEepromDefaults::EResult::BackupNoReply);
    EXPECT_GT(identifications->load(), 1);
    for (const CLinkRecord& r : Wire()) {
        EXPECT_EQ(r.control, LinkProtocol::kControlRead) << "nothing written";
        EXPECT_LT(r.word1, 0x100) << "no parameter read for a backup of no type";
    }
    EXPECT_TRUE(CBackups::List().empty());
}
