// Reading and writing single parameters against the simulated controller.
#include "LinkTestSupport.h"

#include "data/CParameter.h"
#include "data/CUnitsTable.h"

namespace {

int WriteRequests(const CControllerSim& sim)
{
    int writes = 0;
    for (const auto& request : sim.Requests())
        writes += request.Record().control == 0;
    return writes;
}

} // namespace

TEST_F(SimLinkTest, ReadParameterTakesAllSevenQuantities)
{
    CParameter record;
    ASSERT_EQ(link.ReadParameter(0x1002, 6, record), EReadResult::Read);
    EXPECT_EQ(record.tagNumber, 0x1002);
    EXPECT_EQ(record.unitsCode, 6);
    EXPECT_EQ(record.value, 0xFFCE);
    EXPECT_EQ(record.maximum, 100);
    EXPECT_EQ(record.minimum, 0xFF9C);
    EXPECT_EQ(record.scale, 1);
    EXPECT_EQ(record.div, 1);
    EXPECT_EQ(record.step, 1);
    EXPECT_EQ(record.shift, 0);
    EXPECT_TRUE(record.isSigned);
    EXPECT_TRUE(record.supported);
    EXPECT_FALSE(record.readOnly);
    EXPECT_EQ(record.extension, 0);
    sim.WithModel([&](CSimModel& m) { EXPECT_EQ(record.checksumWord, m.ChecksumWord()); });

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 7u);
    const std::uint8_t order[] = {0, 2, 3, 4, 5, 6, 7};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(requests[i].Record().extension, order[i]);
        EXPECT_EQ(requests[i].Record().word1, 0x1002);
    }
}

TEST_F(SimLinkTest, ReadParameterFillsDefaultsForUnsupportedAttributes)
{
    sim.WithModel([](CSimModel& m) {
        CSimTag tag;
        tag.value = 12;
        tag.maximum = 999;
        tag.minimum = 5;
        tag.scale = 0;
        tag.divisor = 0;
        tag.step = 9;
        tag.shift = 3;
        tag.unsupportedAttributes = (1 << 2) | (1 << 3) | (1 << 6) | (1 << 7);
        m.SetTag(0x2000, tag);
    });
    CParameter record;
    ASSERT_EQ(link.ReadParameter(0x2000, 6, record), EReadResult::Read);
    EXPECT_EQ(record.maximum, CUnitsTable::DefaultMaximum(6));
    EXPECT_EQ(record.maximum, 69) << "Celsius";
    EXPECT_EQ(record.minimum, 0);
    EXPECT_EQ(record.scale, 1) << "a scale of 0 is stored as 1";
    EXPECT_EQ(record.div, 1) << "a divisor of 0 is stored as 1";
    EXPECT_EQ(record.step, 1);
    EXPECT_EQ(record.shift, 0);
}

TEST_F(SimLinkTest, ReadParameterResultsForMissingUnsupportedAndSilentTags)
{
    CParameter record;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(link.ReadParameter(0x4242, 0, record), EReadResult::NoSuchParameter);
    EXPECT_LT(timer.elapsed(), 45) << "answered at once, not after the time-outs";
    EXPECT_EQ(sim.RequestCount(), 1u);

    sim.WithModel([](CSimModel& m) { m.SetTag(0x2001, {.value = 1, .flags = 0}); });
    EXPECT_EQ(link.ReadParameter(0x2001, 0, record), EReadResult::Failed);
    EXPECT_FALSE(record.supported);

    // An attribute read that gets no reply fails the whole read.
    std::atomic<int> calls{0};
    sim.SetResponder([&](const CLinkRecord& request) -> std::optional<QByteArray> {
        if (calls++ >= 2)
            return std::nullopt;
        return Bytes(ReplyFrame(0x08, request.extension, request.word1, 5));
    });
    sim.ClearRequests();
    EXPECT_EQ(link.ReadParameter(0x1000, 0, record), EReadResult::Failed);
    EXPECT_EQ(sim.RequestCount(), 4u) << "value, maximum, then the minimum twice";

    CSimFaults faults;
    faults.silent = true;
    sim.SetResponder({});
    sim.SetFaults(faults);
    EXPECT_EQ(link.ReadParameter(0x1000, 0, record), EReadResult::Failed);
}

TEST_F(SimLinkTest, WriteParameterKeepsTheChecksumWordOnTheWire)
{
    CParameter record;
    ASSERT_EQ(link.ReadParameter(0x1001, 0, record), EReadResult::Read);
    std::uint16_t checksumBefore = 0;
    sim.WithModel([&](CSimModel& m) { checksumBefore = m.ChecksumWord(); });
    record.value = 150;
    sim.ClearRequests();
    EXPECT_EQ(link.WriteParameter(record), EWriteResult::Confirmed);

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 3u) << "read, write, read-back";
    const CLinkRecord write = requests[1].Record();
    EXPECT_EQ(write.control, 0);
    EXPECT_EQ(write.word1, 0x1001);
    EXPECT_EQ(write.word2, 150);
    EXPECT_EQ(write.word3, static_cast<std::uint16_t>(checksumBefore + 120 - 150));
    const CLinkRecord readBack = requests[2].Record();
    EXPECT_EQ(readBack.control, 1);
    EXPECT_EQ(readBack.word2, 150) << "the read-back carries the words as sent";
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(requests[2].at - requests[1].at)
                  .count(),
              45)
        << "50 ms between the write and the read-back";
    sim.WithModel([](CSimModel& m) {
        EXPECT_EQ(m.Tag(0x1001)->value, 150);
        EXPECT_TRUE(m.ChecksumConsistent());
    });
}

TEST_F(SimLinkTest, WriteParameterRefusesWithoutWritingAndReportsMismatch)
{
    CParameter record;
    ASSERT_EQ(link.ReadParameter(0x1004, 0, record), EReadResult::Read);
    record.value = 1;
    sim.ClearRequests();
    EXPECT_EQ(link.WriteParameter(record), EWriteResult::ReadOnly);
    EXPECT_EQ(WriteRequests(sim), 0);

    sim.WithModel([](CSimModel& m) { m.SetTag(0x2002, {.value = 4, .flags = 0}); });
    record.tagNumber = 0x2002;
    EXPECT_EQ(link.WriteParameter(record), EWriteResult::NotSupported);
    EXPECT_EQ(WriteRequests(sim), 0);

    // The controller keeps 0x1001 within 0..200: 300 reads back as 200.
    ASSERT_EQ(link.ReadParameter(0x1001, 0, record), EReadResult::Read);
    record.value = 300;
    sim.ClearRequests();
    EXPECT_EQ(link.WriteParameter(record), EWriteResult::ReadBackDiffers);
    EXPECT_EQ(WriteRequests(sim), 1) << "the write is not repeated";
    EXPECT_EQ(sim.RequestCount(), 3u);

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    EXPECT_EQ(link.WriteParameter(record), EWriteResult::NoReply);
}

TEST_F(SimLinkTest, WriteParameterWithoutAReplyToTheWriteGivesNoReply)
{
    CParameter record;
    ASSERT_EQ(link.ReadParameter(0x1001, 0, record), EReadResult::Read);
    record.value = 10;
    // Answer the first read, then drop everything: the write gets no reply.
    std::atomic<int> calls{0};
    sim.SetResponder([&](const CLinkRecord& request) -> std::optional<QByteArray> {
        if (calls++ > 0)
            return std::nullopt;
        return Bytes(ReplyFrame(0x08, request.extension, request.word1, 5, 7));
    });
    sim.ClearRequests();
    EXPECT_EQ(link.WriteParameter(record), EWriteResult::NoReply);
    EXPECT_EQ(sim.RequestCount(), 3u) << "one read, then the write twice";
}

// A read-back answered "no such tag" carries word 2 = 0; it must not confirm a write of 0.
TEST_F(SimLinkTest, WriteParameterIsNotConfirmedByANoSuchTagReadBack)
{
    // The controller keeps the parameter at 7 or above; the first read-back is answered
    // "no such tag", the next with the value it holds. Keyed on what is asked, not on how
    // many requests came, so that a retry on a busy machine changes nothing.
    std::atomic<bool> written{false};
    std::atomic<int> readBacks{0};
    sim.SetResponder([&](const CLinkRecord& request) -> std::optional<QByteArray> {
        if (request.control == LinkProtocol::kControlWrite) {
            written = true;
            return Bytes(ReplyFrame(0x08, request.extension, request.word1, request.word2));
        }
        if (!written)
            return Bytes(ReplyFrame(0x08, request.extension, request.word1, 9));
        if (++readBacks == 1)
            return Bytes(ReplyFrame(0x00, request.extension, 0, 0));
        return Bytes(ReplyFrame(0x08, request.extension, request.word1, 7));
    });
    CParameter record;
    record.tagNumber = 0x2000;
    record.extension = 0;
    record.value = 0;
    EXPECT_EQ(link.WriteParameter(record), EWriteResult::ReadBackDiffers);
    EXPECT_GE(readBacks.load(), 2) << "the \"no such tag\" read-back was not taken as an answer";
}
