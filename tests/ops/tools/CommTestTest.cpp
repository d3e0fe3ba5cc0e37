// The communication test flow against the simulated controller: what goes on the wire, the
// bad-packet lines, ranges cut to their widths, loops that end at the largest values, a
// stop between exchanges, and totals of full ranges.
#include "link/LinkTestSupport.h"
#include "ops/tools/CCommTest.h"

#include <QStringList>

namespace {

// Records what the flow reports; stops the run after `stopAfter` pumps when set.
class CRecorder : public ICommTestObserver
{
public:
    void ShowState(const CCommTest&) override { ++states; }
    void AddBadPacket(const QString& txLine, const QString& rxLine) override
    {
        lines << txLine << rxLine;
    }
    bool Pump() override { return ++pumps != stopAfter; }

    QStringList lines;
    int states = 0;
    int pumps = 0;
    int stopAfter = -1;
};

class CommTestTest : public SimLinkTest
{
protected:
    static SCommTestRanges Ranges(int extFrom, int extTo, int tagFrom, int tagTo, int valueFrom,
                                  int valueTo)
    {
        return SCommTestRanges::FromEntries(extFrom, extTo, tagFrom, tagTo, valueFrom, valueTo);
    }

    CCommTest test{link};
    CRecorder recorder;
};

} // namespace

TEST_F(CommTestTest, AllZeroRangesSendOneReadRequest)
{
    const CCommTest::SResult result = test.Run(SCommTestRanges{}, recorder);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.sent, 1);
    EXPECT_EQ(test.GoodPackets(), 1);
    EXPECT_EQ(test.BadPackets(), 0);
    EXPECT_EQ(test.ProgressPercent(), 100);
    const std::vector<CSimRequest> wire = sim.Requests();
    ASSERT_EQ(wire.size(), 1u);
    const LinkFrame expected = {0x63, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x9B};
    EXPECT_EQ(wire[0].frame, expected);
    EXPECT_EQ(test.RequestLine(), QStringLiteral("Tx: 0x63 0x01 0x00 0x0000 0x0000"));
    EXPECT_TRUE(recorder.lines.isEmpty());
}

TEST_F(CommTestTest, BadPacketsAreListedByteByByte)
{
    // Tag 7 is not in the controller's table: its "no such tag" reply (word 1 zero) is a
    // valid frame that does not answer, and it is listed.
    test.Run(Ranges(0, 0, 7, 7, 0x1234, 0x1234), recorder);
    EXPECT_EQ(test.BadPackets(), 1);
    EXPECT_EQ(recorder.lines,
              QStringList({QStringLiteral("Tx: 0x63 0x01 0x00 0x0007 0x1234 0x0000  0x4E"),
                           QStringLiteral("Rx: 0x72 0x00 0x00 0x0000 0x0000 0x0000  0x8D")}));

    // A controller that never answers: each packet is tried twice, and two lines each.
    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    sim.ClearRequests();
    recorder.lines.clear();
    test.Run(Ranges(0, 0, 5, 6, 0, 0), recorder);
    EXPECT_EQ(test.GoodPackets(), 0);
    EXPECT_EQ(test.BadPackets(), 2);
    EXPECT_EQ(sim.RequestCount(), 4u);
    EXPECT_EQ(recorder.lines,
              QStringList({QStringLiteral("Tx: 0x63 0x01 0x00 0x0005 0x0000 0x0000  0x96"),
                           QStringLiteral("Rx: Invalid reply"),
                           QStringLiteral("Tx: 0x63 0x01 0x00 0x0006 0x0000 0x0000  0x95"),
                           QStringLiteral("Rx: Invalid reply")}));
}

TEST_F(CommTestTest, RangesAreCutToTheirWidths)
{
    const SCommTestRanges ranges =
        SCommTestRanges::FromEntries(300, 300, 65536 + 8, -1, -2, 0x10001);
    EXPECT_EQ(ranges.extensionFrom, 44);
    EXPECT_EQ(ranges.tagFrom, 8);
    EXPECT_EQ(ranges.tagTo, 0xFFFF);
    EXPECT_EQ(ranges.valueFrom, 0xFFFE);
    EXPECT_EQ(ranges.valueTo, 1);

    test.Run(Ranges(300, 300, 8, 8, 0, 0), recorder);
    const std::vector<CSimRequest> wire = sim.Requests();
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0].Record().extension, 44);
}

TEST_F(CommTestTest, LoopsEndAtTheLargestValuesAndShowTheLastPacket)
{
    const CCommTest::SResult result = test.Run(Ranges(0, 255, 0, 0, 3, 3), recorder);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.sent, 256);
    EXPECT_EQ(test.GoodPackets(), 256);
    EXPECT_EQ(sim.RequestCount(), 256u);
    EXPECT_EQ(test.Extension(), 255);
    EXPECT_EQ(test.Tag(), 0);
    EXPECT_EQ(test.Value(), 3);

    sim.ClearRequests();
    EXPECT_TRUE(test.Run(Ranges(0, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF), recorder).completed);
    EXPECT_EQ(test.PacketsDone(), 1);
    EXPECT_EQ(test.RequestLine(), QStringLiteral("Tx: 0x63 0x01 0x00 0xFFFF 0xFFFF"));
}

TEST_F(CommTestTest, AStopEndsTheRunAfterTheCurrentExchange)
{
    recorder.stopAfter = 3;
    const CCommTest::SResult result = test.Run(Ranges(0, 0, 8, 8, 0, 99), recorder);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.sent, 3);
    EXPECT_EQ(sim.RequestCount(), 3u);
    EXPECT_EQ(test.GoodPackets(), 3);
    EXPECT_EQ(test.Value(), 2);
}

TEST_F(CommTestTest, TotalsOfFullAndEmptyRanges)
{
    const SCommTestRanges full = Ranges(0, 255, 0, 0xFFFF, 0, 0xFFFF);
    const qint64 total = full.TotalPackets();
    EXPECT_EQ(total, qint64(1) << 40);
    EXPECT_EQ(CCommTest::ProgressPercent(total - 1, total), 99);
    EXPECT_EQ(CCommTest::ProgressPercent(total, total), 100);

    // Two empty ranges must not multiply into a positive total.
    EXPECT_EQ(Ranges(1, 0, 1, 0, 0, 0).TotalPackets(), 0);
    EXPECT_EQ(CCommTest::ProgressPercent(0, 0), 0);
    const CCommTest::SResult result = test.Run(Ranges(1, 0, 1, 0, 0, 0), recorder);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_EQ(CCommTest::TimingText(result.MsPerPacket()),
              QStringLiteral("Timing: 0 mS per packet"));
}
