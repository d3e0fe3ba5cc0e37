// How the simulated controller answers, without a port.
#include "common/SimRecords.h"
#include "sim/CSimModel.h"

#include <gtest/gtest.h>

TEST(SimModel, AnswersEachQuantityWithItsStatusAndEcho)
{
    CSimModel model = CSimModel::DefaultController();
    const std::pair<std::uint8_t, std::uint16_t> expected[] = {{0, 250}, {2, 500}, {3, 10}, {4, 1},
                                                               {5, 10},  {6, 5},   {7, 0}};
    for (const auto& [ext, value] : expected) {
        const auto reply = model.Answer(SimRequest(0x1000, ext));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->lead, 0x72);
        EXPECT_EQ(reply->extension, ext);
        EXPECT_EQ(reply->word1, 0x1000);
        EXPECT_EQ(reply->word2, value) << "extension " << int(ext);
        EXPECT_EQ(reply->control, 0x28);
        EXPECT_EQ(reply->checksum, reply->ComputeChecksum());
    }
    EXPECT_EQ(model.Answer(SimRequest(0x1000, 0))->word3, model.ChecksumWord());
}

TEST(SimModel, UnknownTagsAndBrokenRequests)
{
    CSimModel model = CSimModel::DefaultController();
    const auto none = model.Answer(SimRequest(0x4242, 0));
    ASSERT_TRUE(none);
    EXPECT_EQ(none->word1, 0) << "no such parameter";
    EXPECT_EQ(none->extension, 0);

    CLinkRecord broken = SimRequest(0x1000, 0);
    broken.checksum ^= 0x10;
    EXPECT_FALSE(model.Answer(broken));
    CLinkRecord reply = SimRequest(0x1000, 0);
    reply.lead = 0x72;
    reply.checksum = reply.ComputeChecksum();
    EXPECT_FALSE(model.Answer(reply)) << "a reply frame is not a request";
}

TEST(SimModel, WritesKeepTheChecksumWordAndHonourReadOnly)
{
    CSimModel model = CSimModel::DefaultController();
    ASSERT_TRUE(model.ChecksumConsistent());
    const auto before = *model.Answer(SimRequest(0x1001, 0));
    const std::uint16_t newValue = 77;
    const auto aux = static_cast<std::uint16_t>(before.word3 + before.word2 - newValue);
    const auto written = model.Answer(SimRequest(0x1001, 0, true, newValue, aux));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->word2, newValue);
    EXPECT_EQ(model.Tag(0x1001)->value, newValue);
    EXPECT_TRUE(model.ChecksumConsistent());

    // A careless checksum word is stored as sent and shows up as inconsistent.
    model.Answer(SimRequest(0x1001, 0, true, 78, 0));
    EXPECT_FALSE(model.ChecksumConsistent());

    // Read-only tags keep their value.
    model.Answer(SimRequest(0x1004, 0, true, 1, 0));
    EXPECT_EQ(model.Tag(0x1004)->value, 2400);
}
