// Replies that come late: a "no such tag" for an absent tag that arrives during a later
// exchange names no tag, and must never be taken for that exchange's answer.
#include "LinkTestSupport.h"

#include "data/CParameter.h"

TEST_F(SimLinkTest, LateNoSuchTagRepliesAreNeverTakenForALaterAnswer)
{
    const std::uint16_t present[] = {0x1000, 0x1001, 0x1002, 0x1003, 0x1004};
    const std::uint16_t absent[] = {0x4000, 0x4001, 0x4002, 0x4003, 0x4004};
    std::map<std::uint16_t, std::uint16_t> values;
    sim.WithModel([&](CSimModel& m) {
        for (std::uint16_t tag : present)
            values[tag] = m.Tag(tag)->value;
    });
    CSimFaults faults;
    for (std::uint16_t tag : present)
        faults.tagDelays[tag] = {15, 45};
    for (std::uint16_t tag : absent)
        faults.tagDelays[tag] = {100, 200};
    sim.SetFaults(faults);

    for (int round = 0; round < 2; ++round) {
        for (std::size_t i = 0; i < std::size(absent); ++i) {
            const std::uint16_t gone = absent[i];
            const std::uint16_t there = present[i];
            CParameter record;
            // Absent tags: whatever the outcome, never a success.
            switch (i % 3) {
            case 0:
                EXPECT_NE(link.ReadParameter(gone, 0, record), EReadResult::Read) << gone;
                break;
            case 1: {
                const EProbeResult probe = link.Probe(gone, 0);
                EXPECT_TRUE(probe == EProbeResult::NoSuchTag || probe == EProbeResult::NoReply)
                    << gone << " probed " << static_cast<int>(probe);
                break;
            }
            default: {
                std::uint16_t value = 0;
                EXPECT_FALSE(link.ReadWord(gone, 0, value)) << gone;
                break;
            }
            }
            // The present tag that follows, with late replies still on their way. A late "no
            // such tag" taken for its answer is the fault; a reply lost to a busy machine is
            // not, so it gets the read flow's four tries.
            EReadResult result = EReadResult::Failed;
            for (int attempt = 0; attempt < 4 && result != EReadResult::Read; ++attempt) {
                result = link.ReadParameter(there, 0, record);
                ASSERT_NE(result, EReadResult::NoSuchParameter)
                    << "round " << round << " tag " << there << " after " << gone;
            }
            ASSERT_EQ(result, EReadResult::Read)
                << "round " << round << " tag " << there << " after " << gone;
            EXPECT_EQ(record.tagNumber, there);
            EXPECT_EQ(record.value, values[there]);
        }
    }
}

// One lost exchange must not make every "no such tag" after it count as silence: the read
// flow would name each absent tag as unanswered and call a complete read short.
TEST_F(SimLinkTest, AbsentTagsAfterALostReplyAreStillAnsweredNoSuchTag)
{
    const std::uint16_t present = 0x1000;
    const std::uint16_t absent[] = {0x4000, 0x4001, 0x4002, 0x4003};
    CParameter record;

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    ASSERT_EQ(link.ReadParameter(present, 0, record), EReadResult::Failed);
    ASSERT_EQ(link.LastReadFailure(), EReadFailure::NoReply);
    ASSERT_FALSE(link.NoSuchTagTrusted());

    sim.SetFaults(CSimFaults());
    sim.ClearRequests();
    for (std::uint16_t tag : absent)
        EXPECT_EQ(link.ReadParameter(tag, 0, record), EReadResult::NoSuchParameter) << tag;
    // The first absent tag is asked twice (its first answer could have been a late reply);
    // the others once each.
    EXPECT_EQ(sim.RequestCount(), std::size(absent) + 1);
    EXPECT_EQ(link.ReadParameter(present, 0, record), EReadResult::Read);
}
