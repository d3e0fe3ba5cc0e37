// The frame encoding and the reply-frame finder, as pure functions over bytes.
#include "link/CControllerLink.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

LinkFrame Reply(std::uint8_t status, std::uint8_t ext, std::uint16_t w1, std::uint16_t w2,
                std::uint16_t w3 = 0)
{
    CLinkRecord r;
    r.lead = 0x72;
    r.control = status;
    r.extension = ext;
    r.word1 = w1;
    r.word2 = w2;
    r.word3 = w3;
    r.checksum = r.ComputeChecksum();
    return r.Encode();
}

int SumOf(const LinkFrame& f)
{
    int sum = 0;
    for (auto b : f)
        sum += b;
    return sum & 0xFF;
}

} // namespace

TEST(LinkFrame, SampleRequestEncodesExactly)
{
    CLinkPacket packet;
    packet.SetRequest(8, 0);
    const LinkFrame expected = {0x63, 0x01, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x93};
    EXPECT_EQ(packet.request.Encode(), expected);
    EXPECT_EQ(SumOf(expected), 0xFF);
}

TEST(LinkFrame, BuildersKeepTheChecksumCurrent)
{
    CLinkPacket packet;
    // A new packet is all ones on both sides.
    EXPECT_EQ(packet.request.Encode(),
              (LinkFrame{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(packet.reply.Encode(), packet.request.Encode());

    packet.SetRequest(0x1234, 0x81, 0xBEEF, 0x0102);
    EXPECT_EQ(packet.request.Encode(),
              (LinkFrame{0x63, 0x01, 0x81, 0x12, 0x34, 0xBE, 0xEF, 0x01, 0x02, 0x24}));
    packet.SetWrite();
    EXPECT_EQ(packet.request.control, 0);
    EXPECT_EQ(SumOf(packet.request.Encode()), 0xFF);
    packet.request.word2 = 7;
    packet.UpdateChecksum();
    EXPECT_EQ(SumOf(packet.request.Encode()), 0xFF);
    packet.SetRead();
    EXPECT_EQ(packet.request.control, 1);
    EXPECT_EQ(SumOf(packet.request.Encode()), 0xFF);

    const LinkFrame bytes = packet.request.Encode();
    EXPECT_EQ(CLinkRecord::Decode(bytes.data()), packet.request);
}

TEST(LinkFrame, ReplyTests)
{
    CLinkPacket packet;
    packet.SetRequest(32, 0);
    const LinkFrame good = Reply(0x08 | 0x01, 0, 32, 0x1234);
    packet.reply = CLinkRecord::Decode(good.data());
    EXPECT_TRUE(packet.IsReplyValid());
    EXPECT_TRUE(packet.ReplyMatchesRequest());
    EXPECT_TRUE(packet.IsSupported());
    EXPECT_TRUE(packet.IsTempUnavailable());
    EXPECT_FALSE(packet.IsReadOnly());
    EXPECT_FALSE(packet.ReplyWord1IsZero());

    packet.reply.checksum ^= 1;
    EXPECT_FALSE(packet.IsReplyValid());
    packet.reply = CLinkRecord::Decode(Reply(0, 2, 32, 0).data());
    EXPECT_FALSE(packet.IsReplyValid()) << "extension not echoed";
    EXPECT_FALSE(packet.ReplyMatchesRequest());
    packet.reply = CLinkRecord::Decode(Reply(0, 0, 0, 0).data());
    EXPECT_TRUE(packet.ReplyWord1IsZero());
    EXPECT_FALSE(packet.ReplyMatchesRequest());
}

TEST(FindReplyFrame, FindsAFrameAsSoonAsItsTenthByteIsIn)
{
    CControllerLink link;
    std::vector<std::uint8_t> stream = {0x63, 0x01, 0x72, 0x72, 0x00};
    const LinkFrame frame = Reply(0x08, 0, 8, 9);
    stream.insert(stream.end(), frame.begin(), frame.end());

    link.FindReplyFrame();
    for (int length = 1; length <= static_cast<int>(stream.size()); ++length) {
        const int found = link.FindReplyFrame(stream.data(), length);
        if (length < static_cast<int>(stream.size()))
            EXPECT_EQ(found, -1) << "length " << length;
        else
            EXPECT_EQ(found, 5);
    }
}

TEST(FindReplyFrame, StaysOnAFoundFrameAndRulesOutEarlierCandidates)
{
    CControllerLink link;
    const LinkFrame frame = Reply(0x08, 0, 8, 9);
    std::vector<std::uint8_t> window = {0x11, 0x72, 0x00};
    window.insert(window.end(), frame.begin(), frame.end());
    window.insert(window.end(), frame.begin(), frame.end()); // a second valid frame later

    link.FindReplyFrame();
    EXPECT_EQ(link.FindReplyFrame(window.data(), 13), 3);
    // Candidates at 0 and 1 were ruled out; the scan stays where the frame was found from.
    EXPECT_EQ(link.ScanPosition(), 2);
    // Every further byte finds the same first frame again, never the second.
    for (int length = 14; length <= static_cast<int>(window.size()); ++length)
        EXPECT_EQ(link.FindReplyFrame(window.data(), length), 3);

    link.FindReplyFrame();
    EXPECT_EQ(link.ScanPosition(), 0);
}

TEST(FindReplyFrame, MissingBytesReadAsAllOnes)
{
    CControllerLink link;
    // A frame whose checksum byte happens to be 0xFF must still wait for its tenth byte:
    // nine received bytes are never enough.
    CLinkRecord r;
    r.lead = 0x72;
    r.control = 0;
    r.extension = 0;
    r.word1 = 0;
    r.word2 = 0;
    r.word3 = 0;
    // Choose word3 so that the checksum comes out 0xFF: sum of first nine bytes must be 0.
    r.word3 = static_cast<std::uint16_t>((0x100 - 0x72) & 0xFF);
    r.checksum = r.ComputeChecksum();
    ASSERT_EQ(r.checksum, 0xFF);
    const LinkFrame frame = r.Encode();
    link.FindReplyFrame();
    EXPECT_EQ(link.FindReplyFrame(frame.data(), 9), -1);
    EXPECT_EQ(link.FindReplyFrame(frame.data(), 10), 0);
}

TEST(FindReplyFrame, RandomWindowsOnlyEverYieldValidFrames)
{
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> coin(0, 3);
    for (int round = 0; round < 20000; ++round) {
        std::array<std::uint8_t, 20> window{};
        for (auto& b : window)
            b = coin(rng) == 0 ? 0x72 : static_cast<std::uint8_t>(byte(rng));
        if (coin(rng) == 0) {
            const LinkFrame frame = Reply(static_cast<std::uint8_t>(byte(rng)), 0,
                                          static_cast<std::uint16_t>(byte(rng)), 1);
            const int at = std::uniform_int_distribution<int>(0, 10)(rng);
            std::copy(frame.begin(), frame.end(), window.begin() + at);
        }
        CControllerLink link;
        link.FindReplyFrame();
        int previousScan = 0;
        for (int length = 1; length <= 20; ++length) {
            const int found = link.FindReplyFrame(window.data(), length);
            ASSERT_GE(link.ScanPosition(), previousScan) << "the scan never moves back";
            previousScan = link.ScanPosition();
            if (found < 0)
                continue;
            ASSERT_LE(found + 10, length) << "a frame is only found once all of it is in";
            LinkFrame candidate{};
            std::copy_n(window.begin() + found, 10, candidate.begin());
            ASSERT_TRUE(LinkProtocol::IsValidFrame(candidate.data(), 0x72));
        }
    }
}

TEST(FindReplyFrame, APartlyReceivedReplyIsNeverTakenForAFrame)
{
    // Ten echo bytes, then a reply to tag 0x0089 with status 0x09. Its first five bytes plus
    // five bytes of 0xFF sum to 0xFF: fed byte by byte, the finder must still wait for the
    // real tail rather than decode word 2 and word 3 as 0xFFFF.
    CLinkPacket request;
    request.SetRequest(0x0089, 0);
    const LinkFrame echo = request.request.Encode();
    const LinkFrame reply = Reply(0x09, 0, 0x0089, 0x0123, 0x4567);
    std::vector<std::uint8_t> stream(echo.begin(), echo.end());
    stream.insert(stream.end(), reply.begin(), reply.end());

    CControllerLink link;
    link.FindReplyFrame();
    for (int length = 1; length < 20; ++length)
        ASSERT_EQ(link.FindReplyFrame(stream.data(), length), -1) << "length " << length;
    ASSERT_EQ(link.FindReplyFrame(stream.data(), 20), 10);
    EXPECT_EQ(CLinkRecord::Decode(stream.data() + 10).word2, 0x0123);
}
