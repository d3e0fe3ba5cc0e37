// Transact against the simulated controller over a real pseudo-terminal.
#include "LinkTestSupport.h"

#include <atomic>

namespace {

CLinkPacket ReadRequest(std::uint16_t tag, std::uint8_t ext = 0)
{
    CLinkPacket packet;
    packet.SetRequest(tag, ext);
    return packet;
}

} // namespace

TEST_F(SimLinkTest, AnExchangeSendsTheFrameOnceAndDecodesTheReply)
{
    CLinkPacket packet = ReadRequest(0x1000);
    ASSERT_TRUE(link.Transact(packet, 2));

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].frame, packet.request.Encode());

    EXPECT_EQ(packet.reply.lead, 0x72);
    EXPECT_EQ(packet.reply.word1, 0x1000);
    EXPECT_EQ(packet.reply.word2, 250);
    EXPECT_TRUE(packet.IsSupported());
    EXPECT_TRUE(packet.IsReplyValid());
    EXPECT_EQ(link.LastReplyBytes(), packet.reply.Encode());

    // Limits come back through their extensions.
    CLinkPacket maximum = ReadRequest(0x1000, 2);
    ASSERT_TRUE(link.Transact(maximum, 2));
    EXPECT_EQ(maximum.reply.word2, 500);
}

TEST_F(SimLinkTest, AWrongChecksumIsNeverAcceptedAndEachAttemptResends)
{
    CSimFaults faults;
    faults.badChecksumEvery = 1;
    sim.SetFaults(faults);

    CLinkPacket packet = ReadRequest(0x1001);
    EXPECT_FALSE(link.Transact(packet, 2));
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].frame, requests[1].frame);

    // Every second reply broken: the first attempt fails, the second succeeds.
    faults.badChecksumEvery = 2;
    sim.SetFaults(faults);
    sim.ClearRequests();
    CLinkPacket again = ReadRequest(0x1001);
    EXPECT_TRUE(link.Transact(again, 2)); // reply number 3 is good
    EXPECT_EQ(again.reply.word2, 120);
    CLinkPacket third = ReadRequest(0x1001);
    EXPECT_TRUE(link.Transact(third, 2)); // reply 4 is broken, reply 5 good
    EXPECT_EQ(sim.RequestCount(), 3u);
}

TEST_F(SimLinkTest, AValidReplyBehindStrayBytesIsFound)
{
    // A cable that echoes the request, and a line with a few stray bytes (leads among them).
    CSimFaults echo;
    echo.echoRequest = true;
    CSimFaults stray;
    stray.strayBytes = QByteArray::fromHex("72007213637272");
    for (const CSimFaults& faults : {echo, stray}) {
        sim.SetFaults(faults);
        sim.ClearRequests();
        for (std::uint16_t tag : {0x1000, 0x1001, 0x1002, 0x0008}) {
            CLinkPacket packet = ReadRequest(tag);
            ASSERT_TRUE(link.Transact(packet, 2)) << "tag " << tag;
            EXPECT_EQ(packet.reply.word1, tag);
            EXPECT_EQ(link.LastReplyBytes(), packet.reply.Encode());
        }
        EXPECT_EQ(sim.RequestCount(), 4u) << "each found on its first attempt";
    }
}

TEST_F(SimLinkTest, AFrameThatDoesNotAnswerFailsAtTheDeadlineAndTheNextAttemptResends)
{
    // First reply answers another word 1; the second is right.
    std::atomic<int> calls{0};
    sim.SetResponder([&](const CLinkRecord& request) -> std::optional<QByteArray> {
        const bool wrong = calls++ == 0;
        return Bytes(ReplyFrame(0x08, request.extension,
                                static_cast<std::uint16_t>(request.word1 + (wrong ? 1 : 0)), 42));
    });
    link.SetReplyTimeout(80);
    CLinkPacket packet = ReadRequest(0x1000);
    bool accepted = false;
    const qint64 elapsed = Timed(packet, 2, accepted);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(packet.reply.word2, 42);
    EXPECT_EQ(sim.RequestCount(), 2u);
    EXPECT_GE(elapsed, 80) << "the first attempt ran to its deadline";

    // A different extension is just as wrong.
    sim.SetResponder([&](const CLinkRecord& request) -> std::optional<QByteArray> {
        return Bytes(ReplyFrame(0x08, 2, request.word1, 1));
    });
    CLinkPacket other = ReadRequest(0x1000);
    EXPECT_FALSE(link.Transact(other, 1));
    EXPECT_EQ(other.reply.extension, 2) << "the reply record holds what was decoded last";
}

TEST_F(SimLinkTest, AStatusRequestAcceptsAnyValidFrame)
{
    sim.SetResponder([&](const CLinkRecord&) -> std::optional<QByteArray> {
        return Bytes(ReplyFrame(0x08, 0x05, 0x0042, 0x1234));
    });
    CLinkPacket packet = ReadRequest(0xFFFF);
    EXPECT_TRUE(link.Transact(packet, 1));
    EXPECT_EQ(packet.reply.word2, 0x1234);
    EXPECT_EQ(packet.reply.word1, 0x0042);

    CLinkPacket ordinary = ReadRequest(0xFFF0); // 0xFFF0 is not above the threshold
    EXPECT_FALSE(link.Transact(ordinary, 1));
}

TEST_F(SimLinkTest, ReplyTimeoutBoundsTheWaitForALateReply)
{
    CSimFaults faults;
    faults.delayMs = 20;
    sim.SetFaults(faults);
    CLinkPacket inside = ReadRequest(0x1001);
    EXPECT_TRUE(link.Transact(inside, 1)) << "20 ms late is inside a 50 ms time-out";

    // The type-12 time-out of 100 ms takes a reply 70 ms late.
    link.SetReplyTimeout(100);
    faults.delayMs = 70;
    sim.SetFaults(faults);
    CLinkPacket longer = ReadRequest(0x1001);
    EXPECT_TRUE(link.Transact(longer, 1));

    link.SetReplyTimeout(50);
    faults.delayMs = 250;
    sim.SetFaults(faults);
    CLinkPacket outside = ReadRequest(0x1001);
    bool accepted = true;
    const qint64 elapsed = Timed(outside, 1, accepted);
    EXPECT_FALSE(accepted) << "250 ms late is outside a 50 ms time-out";
    EXPECT_LT(elapsed, 240);
}

TEST_F(SimLinkTest, ASilentControllerCostsAboutTheTimeOutPlusOneReadPerAttempt)
{
    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    CLinkPacket packet = ReadRequest(8);
    bool accepted = true;
    const qint64 elapsed = Timed(packet, 2, accepted);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(sim.RequestCount(), 2u);
    // About 2 x (50 + 45) ms.
    EXPECT_GE(elapsed, 100);
    EXPECT_LE(elapsed, 400);
    EXPECT_EQ(packet.reply, CLinkRecord{}) << "nothing decoded: the reply stays all ones";
}

TEST_F(SimLinkTest, AFailedWriteEndsTheAttemptWithoutWaitingForAReply)
{
    link.SetReplyTimeout(1000);
    link.Close();
    CLinkPacket packet = ReadRequest(8);
    bool accepted = true;
    const qint64 elapsed = Timed(packet, 2, accepted);
    EXPECT_FALSE(accepted);
    EXPECT_LT(elapsed, 500) << "no 1000 ms reply wait after a write that did not go out";
    EXPECT_EQ(sim.RequestCount(), 0u);
}

TEST_F(SimLinkTest, ADroppedReplyIsRecoveredByTheSecondAttempt)
{
    CSimFaults faults;
    faults.dropEvery = 2;
    sim.SetFaults(faults);
    for (int i = 0; i < 4; ++i) {
        CLinkPacket packet = ReadRequest(0x1003);
        ASSERT_TRUE(link.Transact(packet, 2)) << "exchange " << i;
        EXPECT_EQ(packet.reply.word2, 1);
    }
    // Replies 2, 4, 6... are dropped: 1 ok, 2 drop+3 ok, 4 drop+5 ok, 6 drop+7 ok.
    EXPECT_EQ(sim.RequestCount(), 7u);
}

TEST_F(SimLinkTest, WrongEchoEveryNthIsRetried)
{
    CSimFaults faults;
    faults.wrongEchoEvery = 1;
    sim.SetFaults(faults);
    CLinkPacket packet = ReadRequest(0x1000);
    EXPECT_FALSE(link.Transact(packet, 2));
    EXPECT_EQ(packet.reply.word1, 0x1001) << "a valid frame for the next tag was decoded";
    EXPECT_EQ(sim.RequestCount(), 2u);
}

TEST_F(SimLinkTest, WireSpeedRepliesArriveAfterTheirCharacterTimes)
{
    CSimFaults faults;
    faults.wireSpeed = true;
    sim.SetFaults(faults);
    CLinkPacket packet = ReadRequest(0x1000);
    bool accepted = false;
    const qint64 elapsed = Timed(packet, 1, accepted);
    EXPECT_TRUE(accepted);
    EXPECT_GE(elapsed, 12) << "20 characters at 0.625 ms";
}
