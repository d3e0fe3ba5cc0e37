// The controller command set against the simulated controller.
#include "LinkTestSupport.h"

#include <QThread>

namespace {

std::uint16_t IdentifiedType(CControllerLink& link, int* result = nullptr)
{
    std::uint16_t type = 0;
    const int r = link.Identify(type);
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
        EXPECT_EQ(CControllerLink::TypeFromIdentificationCode(code), code);
    EXPECT_EQ(CControllerLink::TypeFromIdentificationCode(0x20), 15);
    EXPECT_EQ(CControllerLink::TypeFromIdentificationCode(0x50), 18);
    for (std::uint16_t code : {15, 0x1F, 0x21, 0x60, 0xFFFF})
        EXPECT_EQ(CControllerLink::TypeFromIdentificationCode(code), 0xFFFF) << code;

    EXPECT_EQ(CControllerLink::ApplySubType(14, 2), 31);
    EXPECT_EQ(CControllerLink::ApplySubType(14, 3), 30);
    EXPECT_EQ(CControllerLink::ApplySubType(14, 5), 30);
    for (std::uint16_t sub : {0, 1, 4})
        EXPECT_EQ(CControllerLink::ApplySubType(14, sub), 14);
    EXPECT_EQ(CControllerLink::ApplySubType(9, 2), 9) << "only type 14 has sub-types";
}

TEST_F(SimLinkTest, EveryFamilyIdentifiesAsItself)
{
    for (int type : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 30, 31}) {
        sim.WithModel([type](CSimModel& m) { ASSERT_TRUE(m.SetIdentity(type)); });
        int result = -1;
        EXPECT_EQ(IdentifiedType(link, &result), type) << "type " << type;
        EXPECT_EQ(result, 0) << "type " << type;
        EXPECT_EQ(link.ReplyTimeout(), type == 12 ? 100u : 50u) << "type " << type;
    }
}

TEST_F(SimLinkTest, IdentificationEdgeCases)
{
    int result = -1;
    sim.WithModel([](CSimModel& m) { m.SetIdentificationCode(0x40); });
    EXPECT_EQ(IdentifiedType(link, &result), 17);
    EXPECT_EQ(CControllerLink::ControllerTypeName(17), QStringLiteral("Rondo"));

    sim.WithModel([](CSimModel& m) { m.SetIdentificationCode(0x21); });
    EXPECT_EQ(IdentifiedType(link, &result), 0xFFFF);
    EXPECT_EQ(result, 0) << "an unmapped code still identifies";

    // Type 14 with sub-type 5 is the 36 V variant.
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(14);
        m.SetTag(9, {.value = 5, .flags = LinkProtocol::kStatusSupported});
    });
    EXPECT_EQ(IdentifiedType(link), 30);

    // Tag 64 answered but temporarily unavailable does not make a Tarn+.
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(9);
        m.SetTag(64,
                 {.flags = LinkProtocol::kStatusSupported | LinkProtocol::kStatusTempUnavailable});
    });
    EXPECT_EQ(IdentifiedType(link), 9);

    // Older family: 0x1B20 not supported, 0x3428 supported -> type 5; neither -> result 2.
    sim.WithModel([](CSimModel& m) {
        m.SetIdentity(5);
        m.SetTag(0x1B20, {.flags = 0});
        m.SetTag(0x3428, {.flags = LinkProtocol::kStatusSupported});
    });
    EXPECT_EQ(IdentifiedType(link, &result), 5);
    EXPECT_EQ(result, 0);
    sim.WithModel([](CSimModel& m) { m.RemoveTag(0x3428); });
    EXPECT_EQ(IdentifiedType(link, &result), 0xFFFF);
    EXPECT_EQ(result, 2);

    // Tag 8 reported but temporarily unavailable: result 1, no type.
    sim.WithModel([](CSimModel& m) {
        m.SetTag(8,
                 {.value = 9,
                  .flags = LinkProtocol::kStatusSupported | LinkProtocol::kStatusTempUnavailable});
    });
    EXPECT_EQ(IdentifiedType(link, &result), 0xFFFF);
    EXPECT_EQ(result, 1);

    // No tag 8 at all: result 3.
    sim.WithModel([](CSimModel& m) { m.RemoveTag(8); });
    EXPECT_EQ(IdentifiedType(link, &result), 0xFFFF);
    EXPECT_EQ(result, 3);
}

TEST_F(SimLinkTest, ASilentControllerIsNotIdentifiedAndResetsTheTimeOut)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(12); });
    ASSERT_EQ(IdentifiedType(link), 12);
    ASSERT_EQ(link.ReplyTimeout(), 100u);

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    int result = -1;
    EXPECT_EQ(IdentifiedType(link, &result), 0xFFFF);
    EXPECT_EQ(result, 4);
    EXPECT_EQ(link.ReplyTimeout(), 50u);
}

// A reply 70 ms late misses a 50 ms time-out (the attempt takes only the byte that ends its
// last read) but is taken whole within a 100 ms one.
TEST_F(SimLinkTest, AType12ControllerIsWaitedForUpTo100Milliseconds)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(12); });
    ASSERT_EQ(IdentifiedType(link), 12);
    CSimFaults faults;
    faults.delayMs = 70;
    sim.SetFaults(faults);
    std::uint16_t value = 0;
    EXPECT_TRUE(link.ReadWord(0x1000, 0, value));
    EXPECT_EQ(value, 250);
}

TEST_F(SimLinkTest, OtherControllersAreWaitedForUpTo50Milliseconds)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(9); });
    ASSERT_EQ(IdentifiedType(link), 9);
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
    EXPECT_EQ(link.Probe(0x2000, 0), CControllerLink::ProbeSupported);
    EXPECT_EQ(link.Probe(0x2001, 0), CControllerLink::ProbeTempUnavailable);
    EXPECT_EQ(link.Probe(0x2002, 0), CControllerLink::ProbeNotSupported);

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(link.Probe(0x2003, 0), CControllerLink::ProbeNoSuchTag);
    EXPECT_LT(timer.elapsed(), 45) << "\"no such tag\" is an answer, not a time-out";
    EXPECT_EQ(sim.Requests().size(), 4u);

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EXPECT_EQ(link.Probe(0x2000, 0), CControllerLink::ProbeNoReply);
}

TEST_F(SimLinkTest, WordsStatusAndTripCodes)
{
    sim.WithModel([](CSimModel& m) {
        m.SetStatus(42, 137);
        m.SetTripCodes(0x0012, 0x0034);
    });
    std::uint16_t firmware = 0;
    EXPECT_EQ(link.ReadControllerStatus(firmware), 0);
    EXPECT_EQ(firmware, 42);
    EXPECT_EQ(link.LastReplyBytes()[2], 137) << "battery reading in reply byte 2";

    std::uint16_t trip = 0;
    EXPECT_EQ(link.ReadTripCode1(trip), 0);
    EXPECT_EQ(trip, 0x12);
    EXPECT_EQ(link.ReadTripCode2(trip), 0);
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
    EXPECT_EQ(link.ReadControllerStatus(firmware), 4);
    EXPECT_EQ(firmware, 0xFFFF);
    EXPECT_EQ(link.ReadTripCode1(trip), 4);
    EXPECT_EQ(trip, 0xFFFF);
    EXPECT_FALSE(link.WriteWord(0x1001, 0, 1, 0));
}

TEST_F(SimLinkTest, VerifiedByteWritesCheckTheTypeAndEveryByte)
{
    sim.WithModel([](CSimModel& m) { m.SetIdentity(9); });
    const std::uint8_t data[] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01};

    // Another type: nothing is written.
    EXPECT_FALSE(link.WriteBytesVerified(10, data, 5, 0x100));
    for (const auto& request : sim.Requests())
        EXPECT_NE(request.Record().extension, 0x81);

    sim.ClearRequests();
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(link.WriteBytesVerified(9, data, 5, 0x100));
    EXPECT_GE(timer.elapsed(), 5 * 20 - 5) << "20 ms between bytes";
    sim.WithModel([&](CSimModel& m) {
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(m.Eeprom()[0x100 + i], data[i]);
    });
    int writes = 0;
    for (const auto& request : sim.Requests()) {
        const CLinkRecord r = request.Record();
        if (r.extension == 0x81 && r.control == 0) {
            EXPECT_EQ(r.word1, 0x100 + writes);
            EXPECT_EQ(r.word2, data[writes]);
            EXPECT_EQ(r.word3, 0);
            ++writes;
        }
    }
    EXPECT_EQ(writes, 5);

    EXPECT_FALSE(link.WriteBytesVerified(9, data, 0, 0x100)) << "nothing to write is a failure";

    // A cell that does not take the write fails the block there.
    sim.WithModel([](CSimModel& m) { m.SetEepromStuck(0x202); });
    sim.ClearRequests();
    EXPECT_FALSE(link.WriteBytesVerified(9, data, 5, 0x200));
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
    EXPECT_EQ(link.ReadTripCode1(trip), 4);
    EXPECT_EQ(trip, 0xFFFF);
    sim.WithModel([](CSimModel& m) { m.SetTripCodes(0, 0); });
    ASSERT_EQ(link.ReadTripCode1(trip), 0);
    sim.WithModel([](CSimModel& m) { m.RemoveTag(48); });
    EXPECT_EQ(link.ReadTripCode2(trip), 4);
    EXPECT_EQ(trip, 0xFFFF);

    // The controller answers an address beyond its EEPROM with word 1 zero and word 2 zero:
    // a zero byte there must not pass for verified.
    const std::size_t size = CSimModel::kDefaultEepromSize;
    const std::uint8_t zero[] = {0};
    EXPECT_FALSE(link.WriteBytesVerified(9, zero, 1, static_cast<std::uint16_t>(size)));

    // A question about existence takes it as its answer, but not while an unanswered
    // request could still be answered late: first an exchange must end cleanly.
    EXPECT_EQ(link.Probe(0x1001, 0), CControllerLink::ProbeNoReply);
    ASSERT_TRUE(link.ReadWord(0x1000, 0, value));
    EXPECT_EQ(link.Probe(0x1001, 0), CControllerLink::ProbeNoSuchTag);
}
