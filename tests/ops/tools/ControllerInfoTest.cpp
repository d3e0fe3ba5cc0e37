// Controller information against the simulated controller: the text line by line for the
// controller families that report differently, and the failure texts.
#include "ops/OpsSimTest.h"
#include "ops/tools/CControllerInfo.h"
#include "sim/CSimInfoTags.h"

#include <algorithm>

namespace {

using EIcon = IUserPrompt::EIcon;

class ControllerInfoTest : public OpsSimTest
{
protected:
    long Requests(std::uint16_t tag) const
    {
        const auto wire = Wire();
        return std::count_if(wire.begin(), wire.end(),
                             [tag](const CLinkRecord& r) { return r.word1 == tag; });
    }
    bool Requested(std::uint16_t tag) const { return Requests(tag) > 0; }
};

} // namespace

TEST_F(ControllerInfoTest, TarnShowsVersionsChecksumAndTripThroughTheMessage)
{
    sim.WithModel([](CSimModel& m) {
        CSimInfoTags::SetVersion(m, LinkProtocol::kTagHardwareVersion, 3, 1);
        CSimInfoTags::SetVersion(m, LinkProtocol::kTagFirmwareVersion, 2, 17);
        CSimInfoTags::SetVersion(m, LinkProtocol::kTagFirmwareVersionAlt, 9, 9); // not reached
        // On the wire 0x12 then 0x34; the controller means 0x3412.
        CSimInfoTags::SetProgramChecksum(m, 0x1234);
        m.SetTripCodes(0x0004, 0x0001);
    });
    const QString expected = QStringLiteral("Controller ID: Tarn\n"
                                            "HW: 3.1\n"
                                            "FW: 2.17\n"
                                            "Checksum: 0x3412\n"
                                            "Trip code: 0x0004\n"
                                            "Trip type: Heatsink Overtemperature\n");
    prompt.ExpectMessage(expected, EIcon::Information);

    EXPECT_FALSE(doc.StatusPollRunning());
    EXPECT_EQ(CControllerInfo::Show(doc), expected);
    EXPECT_EQ(prompt.LastCaption(), QStringLiteral("Controller information"));
    EXPECT_TRUE(doc.StatusPollRunning()) << "the poll runs again after the exchanges";
    EXPECT_EQ(doc.ConnectedType(), EControllerType::Tarn);
    EXPECT_FALSE(Requested(LinkProtocol::kTagFirmwareVersionAlt));
    EXPECT_FALSE(Requested(LinkProtocol::kTagTripCode2)) << "a trip in the first code";
}

TEST_F(ControllerInfoTest, TarnPlusWithoutVersionsFallsBackToStatusByteAndBattery)
{
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(EControllerType::TarnPlus);
        m.SetStatus(42, 27); // 27 / 5.464 = 4.94 V
        CSimInfoTags::SetProgramChecksum(m, 0xBEEF);
        m.SetTripCodes(0, 0);
    });
    CControllerInfo info(link, doc.Tags());
    EXPECT_EQ(info.Build(), QStringLiteral("Controller ID: Tarn+\n"
                                           "FW: 42\n"
                                           "Battery: 4.9V\n"
                                           "Checksum: 0xEFBE\n"));
    EXPECT_EQ(info.IdentifiedType(), EControllerType::TarnPlus);
    EXPECT_TRUE(Requested(LinkProtocol::kTagTripCode2)) << "first code 0: the second is read";

    // Without the checksum tag: no line, and its "no such tag" is believed at the first reply.
    sim.WithModel([](CSimModel& m) { m.RemoveTag(LinkProtocol::kTagProgramChecksum); });
    sim.ClearRequests();
    EXPECT_EQ(info.Build(), QStringLiteral("Controller ID: Tarn+\n"
                                           "FW: 42\n"
                                           "Battery: 4.9V\n"));
    EXPECT_EQ(Requests(LinkProtocol::kTagProgramChecksum), 1);
}

TEST_F(ControllerInfoTest, Corvo120ShowsFirmwareByteAndBatteryAndTheSecondTrip)
{
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(EControllerType::Corvo120);
        m.SetStatus(7, 131);                         // 23.97 V
        CSimInfoTags::SetProgramChecksum(m, 0x1111); // not a Tarn: never read
        m.SetTripCodes(0, 0x0002);
    });
    CControllerInfo info(link, doc.Tags());
    EXPECT_EQ(info.Build(), QStringLiteral("Controller ID: Corvo 120\n"
                                           "FW: 7\n"
                                           "Battery: 24.0V\n"
                                           "Trip code: 0x0002\n"
                                           "Trip type: Battery Low\n"));
    EXPECT_FALSE(Requested(LinkProtocol::kTagProgramChecksum));
    EXPECT_EQ(link.ReplyTimeout(), CControllerLink::kSlowReplyTimeoutMs);
}

TEST_F(ControllerInfoTest, OtherFamiliesUseTheSecondFirmwarePairAndNothingElse)
{
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(EControllerType::Stoat);
        CSimInfoTags::SetVersion(m, LinkProtocol::kTagHardwareVersion, 1, 0);
        CSimInfoTags::SetVersion(m, LinkProtocol::kTagFirmwareVersionAlt, 4, 2);
        // Only the major half of the first pair: the pair does not count.
        m.SetTag(LinkProtocol::kTagFirmwareVersion, {.value = 5, .fixed = true});
        m.SetTripCodes(0x7777, 0); // a code the tag file has no name for
    });
    CControllerInfo info(link, doc.Tags());
    EXPECT_EQ(info.Build(), QStringLiteral("Controller ID: Stoat\n"
                                           "HW: 1.0\n"
                                           "FW: 4.2\n"
                                           "Trip code: 0x7777\n"));

    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(EControllerType::Rondo);
        CSimInfoTags::RemoveVersion(m, LinkProtocol::kTagHardwareVersion);
        CSimInfoTags::RemoveVersion(m, LinkProtocol::kTagFirmwareVersion);
        CSimInfoTags::RemoveVersion(m, LinkProtocol::kTagFirmwareVersionAlt);
        m.SetTripCodes(0, 0);
    });
    sim.ClearRequests();
    EXPECT_EQ(info.Build(), QStringLiteral("Controller ID: Rondo\n"));
    // "No such tag" is the controller's answer: asked once, not again after a time-out.
    EXPECT_EQ(Requests(LinkProtocol::kTagHardwareVersion), 1);
    EXPECT_EQ(Requests(LinkProtocol::kTagFirmwareVersionAlt), 1);
    EXPECT_FALSE(Requested(LinkProtocol::kTagStatus)) << "no status fallback for this type";
}

TEST_F(ControllerInfoTest, SilenceGivesCommsLost)
{
    Silence(true);
    prompt.ExpectMessage(QStringLiteral("Comms lost"), EIcon::Information);
    EXPECT_EQ(CControllerInfo::Show(doc), QStringLiteral("Comms lost"));
    EXPECT_EQ(doc.ConnectedType(), EControllerType::None);
    EXPECT_TRUE(doc.StatusPollRunning());
}

TEST_F(ControllerInfoTest, ALostFirstTripReadReplacesEverythingElse)
{
    CSimModel model = CSimModel::DefaultController();
    CSimInfoTags::SetVersion(model, LinkProtocol::kTagHardwareVersion, 3, 1);
    sim.SetResponder([model](const CLinkRecord& request) mutable -> std::optional<QByteArray> {
        if (request.word1 == LinkProtocol::kTagTripCode1)
            return std::nullopt;
        return Bytes(CSimModel::EncodeReply(*model.Answer(request)));
    });
    CControllerInfo info(link, doc.Tags());
    EXPECT_EQ(info.Build(), QStringLiteral("Comms lost"));
}

TEST_F(ControllerInfoTest, AnUnidentifiedControllerThatOnlyReportsTripsNamesNoType)
{
    // Tag 8 unknown to the controller and no version tags: only the trip-code reads answer.
    // A lost second trip read counts as no trip.
    CSimModel model = CSimModel::DefaultController();
    model.RemoveTag(LinkProtocol::kTagIdentification);
    sim.SetResponder([model](const CLinkRecord& request) mutable -> std::optional<QByteArray> {
        if (request.word1 == LinkProtocol::kTagTripCode2)
            return std::nullopt;
        return Bytes(CSimModel::EncodeReply(*model.Answer(request)));
    });
    CControllerInfo info(link, doc.Tags());
    EXPECT_EQ(info.Build(), QStringLiteral("Controller ID: Unknown controller\n"));
    EXPECT_EQ(info.IdentifiedType(), EControllerType::None);
}
