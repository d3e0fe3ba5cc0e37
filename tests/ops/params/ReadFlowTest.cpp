// Read from controller against the simulated type-10 controller.
#include "FlowTestSupport.h"

#include "ops/params/CReadFlow.h"
#include "res/StringTable.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

using EIcon = IUserPrompt::EIcon;

namespace {

class ReadFlowTest : public FlowTest
{
};

} // namespace

TEST_F(ReadFlowTest, FullReadKeepsTagListOrderAndEveryQuantity)
{
    const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);
    ASSERT_EQ(outcome.status, CReadFlow::EStatus::Completed);
    EXPECT_EQ(outcome.identifyResult, EIdentifyResult::Identified);
    EXPECT_TRUE(outcome.unanswered.empty());
    EXPECT_TRUE(outcome.Complete());

    const std::vector<std::uint16_t> applying = ApplyingTags();
    ASSERT_GE(applying.size(), 40u);
    EXPECT_EQ(RecordTags(), applying) << "one record per applying tag, in tag-list order";
    EXPECT_EQ(outcome.parametersRead, static_cast<int>(applying.size()));
    EXPECT_LT(applying.size(), doc.Tags().Tags().size()) << "the list also holds other types";

    // Every record holds the controller's quantities and its tag's display word.
    sim.WithModel([&](CSimModel& m) {
        for (const auto& record : doc.Parameters().Parameters()) {
            const CSimTag* tag = m.Tag(record->tagNumber);
            ASSERT_NE(tag, nullptr);
            EXPECT_EQ(record->value, tag->value) << record->tagNumber;
            EXPECT_EQ(record->minimum, tag->minimum) << record->tagNumber;
            EXPECT_EQ(record->step, tag->step) << record->tagNumber;
            EXPECT_EQ(record->displayWord,
                      doc.Tags().FindTag(record->tagNumber, kType)->displayWord);
            if (!tag->fixed) {
                EXPECT_EQ(record->checksumWord, m.ChecksumWord());
            }
        }
    });

    const CParameterSet& set = doc.Parameters();
    EXPECT_EQ(set.HeaderWord(), 0x0101);
    EXPECT_EQ(set.DataControllerType(), ControllerTypeNumber(kType));
    EXPECT_EQ(doc.ConnectedType(), kType);
    EXPECT_FALSE(set.IsEmpty());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.PathName(), QStringLiteral("Downloaded"));
    EXPECT_EQ(doc.Title(), QStringLiteral("Downloaded"));
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_TRUE(doc.StatusPollRunning());
    EXPECT_EQ(Emitted(equality), std::vector<bool>{true});
    EXPECT_EQ(EmittedInts(status), (std::vector<int>{4883, 57345}));
    EXPECT_EQ(EmittedInts(views), std::vector<int>{0});

    // The bar counts the records of the type; the other types' tags are pumped past without
    // moving it.
    ASSERT_EQ(prompt.Progress().size(), 1u);
    const auto& bar = *prompt.Progress().front();
    EXPECT_EQ(bar.title, LoadString(EString::ReadingDataFromController));
    EXPECT_EQ(bar.kind, IUserPrompt::EProgressKind::Cancellable);
    EXPECT_EQ(bar.low, 0);
    EXPECT_EQ(bar.high, static_cast<int>(applying.size()));
    EXPECT_EQ(bar.pumps, static_cast<int>(doc.Tags().Tags().size()));
    ASSERT_EQ(bar.positions.size(), doc.Tags().Tags().size() + 1);
    EXPECT_EQ(bar.positions.back(), static_cast<int>(applying.size()));
    EXPECT_TRUE(std::is_sorted(bar.positions.begin(), bar.positions.end()));
    EXPECT_TRUE(bar.closed);
}

TEST_F(ReadFlowTest, AModifiedSetIsOfferedForSavingFirst)
{
    CReadFlow::Run(doc);
    ASSERT_TRUE(doc.IsModified());
    const int records = doc.Parameters().RecordCount();
    const std::size_t requests = sim.RequestCount();

    prompt.ExpectQuestion(QStringLiteral("Save changes to Downloaded?"),
                          IUserPrompt::EAnswer::Cancel);
    EXPECT_EQ(CReadFlow::Run(doc).status, CReadFlow::EStatus::NotStarted);
    EXPECT_EQ(doc.Parameters().RecordCount(), records) << "cancel keeps the set";
    EXPECT_EQ(sim.RequestCount(), requests) << "nothing sent";

    prompt.ExpectQuestion(QStringLiteral("Save changes to Downloaded?"), IUserPrompt::EAnswer::No);
    EXPECT_EQ(CReadFlow::Run(doc).status, CReadFlow::EStatus::Completed);
    EXPECT_EQ(doc.Parameters().RecordCount(), records) << "read again, not appended";
}

TEST_F(ReadFlowTest, CancelDuringTheFirstTagLeavesAnUntitledEmptyDocument)
{
    prompt.CancelProgressAfter(1);
    prompt.ExpectMessage(LoadString(EString::ReadAborted), EIcon::Exclamation);
    const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);

    EXPECT_EQ(outcome.status, CReadFlow::EStatus::Cancelled);
    EXPECT_LE(outcome.parametersRead, 1) << "the loop ends after the current tag";
    EXPECT_EQ(doc.Parameters().RecordCount(), 0);
    EXPECT_TRUE(doc.Parameters().IsEmpty());
    EXPECT_EQ(doc.Title(), QStringLiteral("Untitled"));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Parameters().DataControllerType(), ControllerTypeNumber(kType));
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_TRUE(doc.StatusPollRunning());
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
    EXPECT_EQ(prompt.Progress().front()->pumps, 1);
}

TEST_F(ReadFlowTest, WithoutATagFileNothingHappens)
{
    doc.Tags().Clear();
    prompt.ExpectMessage(LoadString(EString::NoTagFileToProceed), EIcon::Exclamation);
    EXPECT_EQ(CReadFlow::Run(doc).status, CReadFlow::EStatus::NotStarted);
    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_TRUE(prompt.Progress().empty());
    EXPECT_TRUE(equality.isEmpty());
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_TRUE(doc.PathName().isEmpty());
}

TEST_F(ReadFlowTest, TagsThatNeverAnswerMakeThePartialSetNotEqual)
{
    const std::vector<std::uint16_t> applying = ApplyingTags();
    const std::set<std::uint16_t> silent = {applying[3], applying[7]};
    AnswerThrough(
        [silent](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
            // Tag applying[7] answers its value, then goes quiet on its attributes.
            if (silent.count(request.word1) &&
                (request.word1 != *silent.rbegin() || request.extension != 0))
                return std::nullopt;
            return model.Answer(request);
        });

    prompt.ExpectMessage(LoadString(EString::ParametersNotRead).arg(2), EIcon::Exclamation);
    const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);
    EXPECT_EQ(outcome.status, CReadFlow::EStatus::Completed);
    EXPECT_EQ(outcome.unanswered, (std::vector<std::uint16_t>{applying[3], applying[7]}));
    EXPECT_FALSE(outcome.Complete());
    EXPECT_EQ(doc.Parameters().RecordCount(), static_cast<int>(applying.size()) - 2);
    EXPECT_EQ(doc.Parameters().FindParameter(applying[3]), nullptr);
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
    EXPECT_TRUE(doc.IsModified()) << "the partial set is still kept";
    // Four ReadParameter calls of two attempts each.
    EXPECT_EQ(RequestsFor(applying[3], LinkProtocol::kControlRead), 8);
    EXPECT_EQ(RequestsFor(applying[7], LinkProtocol::kControlRead, 2), 8);
}

TEST_F(ReadFlowTest, TagsTheControllerRefusesAreLeftOutQuietly)
{
    const std::vector<std::uint16_t> applying = ApplyingTags();
    sim.WithModel([&](CSimModel& m) {
        m.RemoveTag(applying[1]);                        // "no such tag"
        m.SetTag(applying[2], {.value = 5, .flags = 0}); // without "Supported"
    });
    // Their last asking is lost on the line: the refusals before it still stand.
    auto asked = std::make_shared<std::map<std::uint16_t, int>>();
    const std::set<std::uint16_t> refusing = {applying[1], applying[2]};
    AnswerThrough([asked, refusing](const CLinkRecord& request,
                                    CSimModel& model) -> std::optional<CLinkRecord> {
        if (refusing.count(request.word1) && ++(*asked)[request.word1] >= CReadFlow::kReadAttempts)
            return std::nullopt;
        return model.Answer(request);
    });
    const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);
    EXPECT_TRUE(outcome.Complete());
    EXPECT_EQ(outcome.refused, (std::vector<std::uint16_t>{applying[1], applying[2]}));
    EXPECT_EQ(doc.Parameters().RecordCount(), static_cast<int>(applying.size()) - 2);
    EXPECT_EQ(Emitted(equality), std::vector<bool>{true}) << "an answer is not a gap";
    // Three refusals, then the fourth ReadParameter's two attempts.
    EXPECT_EQ(RequestsFor(applying[2], LinkProtocol::kControlRead), 5);
}

TEST_F(ReadFlowTest, ASilentControllerIsTriedOnEveryTagAndReported)
{
    // Two tags keep this short: every unanswered tag costs 4 x 2 reply time-outs.
    CTagFile::TagList tags;
    for (const std::uint16_t number : {ApplyingTags()[0], std::uint16_t(0x7ABC)}) {
        auto tag = std::make_unique<CTagInfo>();
        tag->tag = number;
        tag->controllerMask = 1u << 3; // another type: applies only while none is identified
        tags.push_back(std::move(tag));
    }
    doc.Tags().SetContents(2, std::move(tags), {});
    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);

    prompt.ExpectMessage(LoadString(EString::ParametersNotRead).arg(2), EIcon::Exclamation);
    const CReadFlow::SOutcome outcome = CReadFlow::Run(doc);
    EXPECT_EQ(outcome.status, CReadFlow::EStatus::Completed);
    EXPECT_EQ(outcome.identifyResult, EIdentifyResult::NoReply);
    EXPECT_EQ(doc.ConnectedType(), EControllerType::None);
    EXPECT_EQ(doc.DataType(), EControllerType::None);
    EXPECT_EQ(outcome.unanswered.size(), 2u) << "with no type identified every tag applies";
    EXPECT_EQ(doc.Parameters().RecordCount(), 0);
    EXPECT_EQ(RequestsFor(0x7ABC, LinkProtocol::kControlRead), 8);
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
    EXPECT_TRUE(doc.LinkReady()) << "set at the end; the next poll corrects it";
}
