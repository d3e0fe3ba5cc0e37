// The controller command set against the simulated controller.
#include "LinkTestSupport.h"

#include <QThread>

#include <memory>

namespace {

using T = EControllerType;

EControllerType IdentifiedType(CControllerLink& link, EIdentifyResult* result = nullptr)
{
    EControllerType type = T::Kv8;
    const EIdentifyResult r = link.Identify(type);
    if (result)
        *result = r;
    return type;
}

} // namespace

TEST(ControllerTypes, NamesAndMaps)
{
    EXPECT_EQ(CControllerLink::ControllerTypeName(17), QStringLiteral("Rondo"));
    EXPECT_EQ(CControllerLink::ControllerTypeName(10), QStringLiteral("Tarn+"));
    EXPECT_EQ(CControllerLink::ControllerTypeName(20), QStringLiteral("Unassigned20"));
    EXPECT_EQ(CControllerLink::ControllerTypeName(31), QStringLiteral("Ivor"));
    EXPECT_EQ(CControllerLink::ControllerTypeName(32), QStringLiteral("Unknown controller"));
    EXPECT_EQ(CControllerLink::ControllerTypeName(0xFFFF), QStringLiteral("Unknown controller"));

    for (std::uint16_t code = 0; code <= 14; ++code)
        EXPECT_EQ(ControllerTypeNumber(CControllerLink::TypeFromIdentificationCode(code)), code);
    EXPECT_EQ(CControllerLink::TypeFromIdentificationCode(0x20), T::Q25Q30);
    EXPECT_EQ(CControllerLink::TypeFromIdentificationCode(0x50), T::Pallas);
    for (std::uint16_t code : {15, 0x1F, 0x21, 0x60, 0xFFFF})
        EXPECT_EQ(CControllerLink::TypeFromIdentificationCode(code), T::None) << code;

    EXPECT_EQ(CControllerLink::ApplySubType(T::Stoat, 2), T::Ivor);
    EXPECT_EQ(CControllerLink::ApplySubType(T::Stoat, 3), T::Ivor36V);
    EXPECT_EQ(CControllerLink::ApplySubType(T::Stoat, 5), T::Ivor36V);
    for (std::uint16_t sub : {0, 1, 4})
        EXPECT_EQ(CControllerLink::ApplySubType(T::Stoat, sub), T::Stoat);
    EXPECT_EQ(CControllerLink::ApplySubType(T::Tarn, 2), T::Tarn) << "only the Stoat has sub-types";
}

TEST_F(SimLinkTest, EveryFamilyIdentifiesAsItself)
{
    // Every type that identification can produce.
    for (int number : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 30, 31}) {
        const EControllerType type = ControllerTypeFromNumber(number);
        sim.WithModel([type](CSimModel& m) { ASSERT_TRUE(m.SetIdentity(type)); });
        EIdentifyResult result = EIdentifyResult::NoReply;
        EXPECT_EQ(IdentifiedType(link, &result), type) << "type " << number;
        EXPECT_EQ(result, EIdentifyResult::Identified) << "type " << number;
        EXPECT_EQ(link.ReplyTimeout(), type == T::Corvo120 ? 100u : 50u) << "type " << number;
    }
}

// A lost reply to a variant's probe must not identify the variant as its base model: the
// read would then leave out every parameter of the variant's own.
TEST_F(SimLinkTest, AVariantProbeLostOnTheLineIsAskedAgainAndNeverGuessed)
{
    auto model = std::make_shared<CSimModel>();
    sim.WithModel([&](CSimModel& m) {
        ASSERT_TRUE(m.SetIdentity(T::TarnPlus));
        *model = m;
    });
    // Requests for `silentTag` get no reply until `lost` of them have gone.
    auto answerAfter = [&](std::uint16_t silentTag, int lost) {
        sim.SetResponder([model, silentTag, lost, asked = 0](
                             const CLinkRecord& request) mutable -> std::optional<QByteArray> {
            if (request.word1 == silentTag && ++asked <= lost)
                return std::nullopt;
            return ReplyBytes(model->Answer(request));
        });
    };

    EIdentifyResult result = EIdentifyResult::NoReply;
    answerAfter(LinkProtocol::kTagPlusVariant, 2); // one whole probe lost
    EXPECT_EQ(IdentifiedType(link, &result), T::TarnPlus);
    EXPECT_EQ(result, EIdentifyResult::Identified);

    answerAfter(LinkProtocol::kTagPlusVariant, 1000);
    EXPECT_EQ(IdentifiedType(link, &result), T::None);
    EXPECT_EQ(result, EIdentifyResult::NoReply);

    ASSERT_TRUE(model->SetIdentity(T::Stoat));
    model->SetTag(LinkProtocol::kTagSubType, {.value = 2, .flags = LinkProtocol::kStatusSupported});
    answerAfter(LinkProtocol::kTagSubType, 1000);
    EXPECT_EQ(IdentifiedType(link, &result), T::None);
    EXPECT_EQ(result, EIdentifyResult::NoReply);
    sim.SetResponder({});
}

TEST_F(SimLinkTest, IdentificationEdgeCases)
{
    EIdentifyResult result = EIdentifyResult::NoReply;
    sim.WithModel([](CSimModel& m) { m.SetIdentificationCode(0x40); });
    EXPECT_EQ(IdentifiedType(link, &result), T::Rondo);
    EXPECT_EQ(CControllerLink::ControllerTypeName(17), QStringLiteral("Rondo"));

    sim.WithModel([](CSimModel& m) { m.SetIdentificationCode(0x21); });
    EXPECT_EQ(IdentifiedType(link, &result), T::None);
    EXPECT_EQ(result, EIdentifyResult::Identified) << "an unmapped code still identifies";

    // The Stoat with sub-type 5 is the 36 V variant.
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(T::Stoat);
        m.SetTag(9, {.value = 5, .flags = LinkProtocol::kStatusSupported});
    });
    EXPECT_EQ(IdentifiedType(link), T::Ivor36V);

    // Tag 64 answered but temporarily unavailable does not make a Tarn+.
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(T::Tarn);
        m.SetTag(64,
                 {.flags = LinkProtocol::kStatusSupported | LinkProtocol::kStatusTempUnavailable});
    });
    EXPECT_EQ(IdentifiedType(link), T::Tarn);

    // Older family: 0x1B20 not supported, 0x3428 supported -> type 5; neither -> result 2.
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(T::MiraQx90);
        m.SetTag(0x1B20, {.flags = 0});
        m.SetTag(0x3428, {.flags = LinkProtocol::kStatusSupported});
    });
    EXPECT_EQ(IdentifiedType(link, &result), T::MiraQx90);
    EXPECT_EQ(result, EIdentifyResult::Identified);
    sim.WithModel([](CSimModel& m) { m.RemoveTag(0x3428); });
    EXPECT_EQ(IdentifiedType(link, &result), T::None);
    EXPECT_EQ(result, EIdentifyResult::NotRecognised);

    // Tag 8 reported but temporarily unavailable: result 1, no type.
    sim.WithModel([](CSimModel& m) {
        m.SetTag(8,
                 {.value = 9,
                  .flags = LinkProtocol::kStatusSupported | LinkProtocol::kStatusTempUnavailable});
    });
    EXPECT_EQ(IdentifiedType(link, &result), T::None);
    EXPECT_EQ(result, EIdentifyResult::TempUnavailable);

    // No tag 8 at all: result 3.
    sim.WithModel([](CSimModel& m) { m.RemoveTag(8); });
    EXPECT_EQ(IdentifiedType(link, &result), T::None);
    EXPECT_EQ(result, EIdentifyResult::NoSuchTag);
}

TEST_F(SimLinkTest, ASilentControllerIsNotIdentifiedAndResetsTheTimeOut)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(T::Corvo120); });
    ASSERT_EQ(IdentifiedType(link), T::Corvo120);
    ASSERT_EQ(link.ReplyTimeout(), 100u);

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EIdentifyResult result = EIdentifyResult::Identified;
    EXPECT_EQ(IdentifiedType(link, &result), T::None);
    EXPECT_EQ(result, EIdentifyResult::NoReply);
    EXPECT_EQ(link.ReplyTimeout(), 50u);
}

// A reply 70 ms late misses a 50 ms time-out (the attempt takes only the byte that ends its
// last read) but is taken whole within a 100 ms one.
TEST_F(SimLinkTest, TheSlowTypeIsWaitedForUpTo100Milliseconds)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(T::Corvo120); });
    ASSERT_EQ(IdentifiedType(link), T::Corvo120);
    CSimFaults faults;
    faults.delayMs = 70;
    sim.SetFaults(faults);
    std::uint16_t value = 0;
    EXPECT_TRUE(link.ReadWord(0x1000, 0, value));
    EXPECT_EQ(value, 250);
}

TEST_F(SimLinkTest, OtherControllersAreWaitedForUpTo50Milliseconds)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(T::Tarn); });
    ASSERT_EQ(IdentifiedType(link), T::Tarn);
    CSimFaults faults;
    faults.delayMs = 70;
    sim.SetFaults(faults);
    CLinkPacket packet;
    packet.SetRequest(0x1000, 0);
    EXPECT_FALSE(link.Transact(packet, 1));
}

TEST_F(SimLinkTest, ProbeClassifiesTheAnswer)
{
    using namespace LinkProtocol;
    sim.WithModel([](CSimModel& m) {
        m.SetTag(0x2000, {.flags = kStatusSupported});
        m.SetTag(0x2001, {.flags = kStatusSupported | kStatusTempUnavailable});
        m.SetTag(0x2002, {.flags = kStatusReadOnly});
    });
    EXPECT_EQ(link.Probe(0x2000, 0), EProbeResult::Supported);
    EXPECT_EQ(link.Probe(0x2001, 0), EProbeResult::TempUnavailable);
    EXPECT_EQ(link.Probe(0x2002, 0), EProbeResult::NotSupported);

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(link.Probe(0x2003, 0), EProbeResult::NoSuchTag);
    EXPECT_LT(timer.elapsed(), 45) << "\"no such tag\" is an answer, not a time-out";
    EXPECT_EQ(sim.Requests().size(), 4u);

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EXPECT_EQ(link.Probe(0x2000, 0), EProbeResult::NoReply);
}

TEST_F(SimLinkTest, WordsStatusAndTripCodes)
{
    sim.WithModel([](CSimModel& m) {
        m.SetStatus(42, 137);
        m.SetTripCodes(0x0012, 0x0034);
    });
    std::uint16_t firmware = 0;
    EXPECT_EQ(link.ReadControllerStatus(firmware), EFixedTagResult::Answered);
    EXPECT_EQ(firmware, 42);
    EXPECT_EQ(link.LastReplyBytes()[2], 137) << "battery reading in reply byte 2";

    std::uint16_t trip = 0;
    EXPECT_EQ(link.ReadTripCode1(trip), EFixedTagResult::Answered);
    EXPECT_EQ(trip, 0x12);
    EXPECT_EQ(link.ReadTripCode2(trip), EFixedTagResult::Answered);
    EXPECT_EQ(trip, 0x34);

    EXPECT_TRUE(link.WriteWord(0x1001, 0, 99, 0));
    const auto last = sim.Requests().back().Record();
    EXPECT_EQ(last.control, 0);
    EXPECT_EQ(last.word2, 99);
    std::uint16_t value = 0;
    EXPECT_TRUE(link.ReadWord(0x1001, 0, value));
    EXPECT_EQ(value, 99);

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    value = 1234;
    EXPECT_FALSE(link.ReadWord(0x1001, 0, value));
    EXPECT_EQ(value, 1234) << "left alone without a reply";
    EXPECT_EQ(link.ReadControllerStatus(firmware), EFixedTagResult::NoReply);
    EXPECT_EQ(firmware, 0xFFFF);
    EXPECT_EQ(link.ReadTripCode1(trip), EFixedTagResult::NoReply);
    EXPECT_EQ(trip, 0xFFFF);
    EXPECT_FALSE(link.WriteWord(0x1001, 0, 1, 0));
}

TEST_F(SimLinkTest, VerifiedByteWritesCheckTheTypeAndEveryByte)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(T::Tarn); });
    const std::uint8_t data[] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01};

    // Another type: nothing is written.
    EXPECT_EQ(link.WriteBytesVerified(T::TarnPlus, data, 5, 0x10), EVerifiedWriteResult::OtherType);
    for (const auto& request : sim.Requests())
        EXPECT_NE(request.Record().extension, 0x81);

    sim.ClearRequests();
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(link.WriteBytesVerified(T::Tarn, data, 5, 0x10), EVerifiedWriteResult::Verified);
    EXPECT_GE(timer.elapsed(), 5 * 20 - 5) << "20 ms between bytes";
    sim.WithModel([&](CSimModel& m) {
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(m.Eeprom()[0x10 + i], data[i]);
    });
    int writes = 0;
    for (const auto& request : sim.Requests()) {
        const CLinkRecord r = request.Record();
        if (r.extension == 0x81 && r.control == 0) {
            EXPECT_EQ(r.word1, 0x10 + writes);
            EXPECT_EQ(r.word2, data[writes]);
            EXPECT_EQ(r.word3, 0);
            ++writes;
        }
    }
    EXPECT_EQ(writes, 5);

    EXPECT_EQ(link.WriteBytesVerified(T::Tarn, data, 0, 0x10),
              EVerifiedWriteResult::NothingToWrite);

    // A cell that does not take the write fails the block there.
    sim.WithModel([](CSimModel& m) { m.SetEepromStuck(0x22); });
    sim.ClearRequests();
    EXPECT_EQ(link.WriteBytesVerified(T::Tarn, data, 5, 0x20), EVerifiedWriteResult::NotVerified);
    int written = 0;
    for (const auto& request : sim.Requests())
        written += request.Record().extension == 0x81 && request.Record().control == 0;
    EXPECT_EQ(written, 3) << "stops at the byte that did not verify";
}

// "No such tag" tells a question about existence its answer; a command that needs a value or
// a confirmation gets neither from it, so it fails as if nothing had come.
TEST_F(SimLinkTest, CommandsThatNeedAValueFailOnAnAbsentTag)
{
    sim.WithModel([](CSimModel& m) {
        m.RemoveTag(0x1001);
        m.RemoveTag(32);
        m.RemoveTag(48);
    });
    std::uint16_t value = 1234;
    EXPECT_FALSE(link.ReadWord(0x1001, 0, value));
    EXPECT_EQ(value, 1234) << "left alone";
    EXPECT_FALSE(link.WriteWord(0x1001, 0, 0, 0));

    std::uint16_t trip = 0;
    EXPECT_EQ(link.ReadTripCode1(trip), EFixedTagResult::NoReply);
    EXPECT_EQ(trip, 0xFFFF);
    sim.WithModel([](CSimModel& m) { m.SetTripCodes(0, 0); });
    ASSERT_EQ(link.ReadTripCode1(trip), EFixedTagResult::Answered);
    sim.WithModel([](CSimModel& m) { m.RemoveTag(48); });
    EXPECT_EQ(link.ReadTripCode2(trip), EFixedTagResult::NoReply);
    EXPECT_EQ(trip, 0xFFFF);

    // The controller answers an address beyond its EEPROM with word 1 zero and word 2 zero:
    // a zero byte there must not pass for verified.
    const std::size_t size = CSimModel::EepromSizeFor(T::Tarn);
    const std::uint8_t zero[] = {0};
    EXPECT_EQ(link.WriteBytesVerified(T::Tarn, zero, 1, static_cast<std::uint16_t>(size)),
              EVerifiedWriteResult::NotVerified);

    // A question about existence takes it as its answer (asking again first while an
    // unanswered request could still be answered late).
    EXPECT_EQ(link.Probe(0x1001, 0), EProbeResult::NoSuchTag);
}
