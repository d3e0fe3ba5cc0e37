// The simulated controller's parameter table built from the bundled tag file.
#include "sim/CSimTagTable.h"

#include "data/COptionTextTable.h"
#include "data/CTagFile.h"

#include <gtest/gtest.h>

namespace {

int Signed(std::uint16_t word, bool isSigned)
{
    return isSigned ? static_cast<std::int16_t>(word) : word;
}

const CTagFile& BundledTags()
{
    static CTagFile file;
    static const bool loaded = file.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok();
    EXPECT_TRUE(loaded);
    return file;
}

} // namespace

TEST(SimTagTable, EveryApplyingTagBecomesAPlausibleParameter)
{
    const CTagFile& tags = BundledTags();
    for (int number : {5, 6, 8, 9, 10, 12, 14, 15, 17, 30, 31}) {
        const EControllerType type = ControllerTypeFromNumber(number);
        CSimModel model;
        ASSERT_TRUE(model.SetIdentity(type));
        model.SetTripCodes(0, 0);
        const int added = SimTagTable::AddParameters(model, tags, type);
        EXPECT_GT(added, 0) << "type " << number;
        if (IsTarnFamily(type)) {
            EXPECT_GE(added, 40) << "type " << number;
        }
        EXPECT_TRUE(model.ChecksumConsistent());

        for (const auto& info : tags.Tags()) {
            if (!info->AppliesToType(type))
                continue;
            const CSimTag* tag = model.Tag(info->tag);
            ASSERT_NE(tag, nullptr) << "type " << number << " tag " << info->tag;
            if (tag->fixed)
                continue;
            const bool isSigned = tag->flags & LinkProtocol::kStatusSigned;
            const int value = Signed(tag->value, isSigned);
            const int minimum = Signed(tag->minimum, isSigned);
            const int maximum = Signed(tag->maximum, isSigned);
            EXPECT_LE(minimum, value) << "tag " << info->tag;
            EXPECT_LE(value, maximum) << "tag " << info->tag;
            EXPECT_EQ((value - minimum) % tag->step, 0) << "on a step: tag " << info->tag;
            EXPECT_NE(tag->scale, 0);
            EXPECT_NE(tag->divisor, 0);
            EXPECT_TRUE(tag->flags & LinkProtocol::kStatusSupported);
            if (const auto* row = COptionTextTable::FindRow(info->tag, ControllerTypeNumber(type));
                row && row->mode == COptionTextTable::EMode::Index) {
                EXPECT_LT(maximum, COptionTextTable::ListLength(row->list)) << "tag " << info->tag;
            }
        }
    }
}

TEST(SimTagTable, TheTableIsTheSameEveryTime)
{
    CSimModel first;
    CSimModel second;
    first.SetIdentity(EControllerType::Tarn);
    second.SetIdentity(EControllerType::Tarn);
    SimTagTable::AddParameters(first, BundledTags(), EControllerType::Tarn);
    SimTagTable::AddParameters(second, BundledTags(), EControllerType::Tarn);
    ASSERT_EQ(first.Tags().size(), second.Tags().size());
    for (const auto& [number, tag] : first.Tags()) {
        const CSimTag* other = second.Tag(number);
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(tag.value, other->value);
        EXPECT_EQ(tag.maximum, other->maximum);
        EXPECT_EQ(tag.flags, other->flags);
    }
    // Identification tags stay as the family set them.
    EXPECT_EQ(first.Tag(8)->value, 9);
    EXPECT_TRUE(first.Tag(8)->fixed);
}
