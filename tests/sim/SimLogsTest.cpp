// The simulated controller's trip logs, without a port.
#include "common/SimRecords.h"
#include "sim/CSimModel.h"

#include <gtest/gtest.h>

TEST(SimLogs, OnlyAZeroWithTwiceTheChecksumWordClears)
{
    CSimModel model = CSimModel::DefaultController();
    model.Logs().SetEntries(CSimLogs::ELog::Control, {{0x0011, 4}});
    const auto key = static_cast<std::uint16_t>(2u * model.ChecksumWord());

    const auto read = model.Answer(SimRequest(0xA0));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->word2, 0x0011);
    EXPECT_EQ(read->word3, model.ChecksumWord());
    EXPECT_TRUE(read->control & LinkProtocol::kStatusSupported);

    EXPECT_EQ(model.Answer(SimRequest(0xA0, 0, true, 0, model.ChecksumWord()))->word2, 0x0011);
    EXPECT_EQ(model.Answer(SimRequest(0xA0, 0, true, 5, key))->word2, 0x0011);
    EXPECT_EQ(model.Answer(SimRequest(0xA0, 0, true, 0, key))->word2, 0);
    EXPECT_EQ(model.Logs().Log(CSimLogs::ELog::Control).codes[0], 0);
    EXPECT_EQ(model.Logs().Log(CSimLogs::ELog::Control).counts[0], 4) << "counts apart";
    EXPECT_TRUE(model.ChecksumConsistent()) << "log clears leave the parameters' checksum";
}

TEST(SimLogs, AbsentLogsLeaveTheirTagsToTheTableAndTheSystemLogMakesATarnPlus)
{
    CSimModel model = CSimModel::DefaultController(); // identifies as a Tarn, no tag 64
    const auto absent = model.Answer(SimRequest(0x40));
    EXPECT_EQ(absent->word1, 0x40) << "the tag is known without the log";
    EXPECT_EQ(absent->control, 0) << "but not supported";
    EXPECT_EQ(model.Answer(SimRequest(0xAF))->control, 0) << "nor are the other log's tags";
    EXPECT_EQ(model.Answer(SimRequest(0x70))->word1, 0) << "beyond the logs: no such tag";
    model.Logs().SetEntries(CSimLogs::ELog::System, {});
    model.Logs().Log(CSimLogs::ELog::System).length = 2;
    const auto status = model.Answer(SimRequest(0x40));
    EXPECT_EQ(status->word1, 0x40);
    EXPECT_EQ(status->control, LinkProtocol::kStatusSupported) << "tag 64 now answers";
    EXPECT_EQ(model.Answer(SimRequest(0x51))->control, LinkProtocol::kStatusSupported);
    EXPECT_EQ(model.Answer(SimRequest(0x52))->control, 0) << "beyond the log's length";
    EXPECT_EQ(model.Answer(SimRequest(0x62))->control, 0);
}
