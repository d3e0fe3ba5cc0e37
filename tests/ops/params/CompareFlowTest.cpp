// Comparing the document with the simulated type-10 controller and with a profile, and
// writing chosen records.
#include "FlowTestSupport.h"

#include "common/SimModelEdits.h"
#include "ops/params/CCompareFlow.h"
#include "ops/params/CConfirmedWrite.h"
#include "ops/params/CReadFlow.h"
#include "res/StringTable.h"

#include <QTemporaryDir>

#include <algorithm>
#include <set>

using EDiff = CCompareFlow::EDiff;

namespace {

class CompareFlowTest : public FlowTest
{
protected:
    void SetUp() override
    {
        FlowTest::SetUp();
        if (HasFatalFailure())
            return;
        // Every parameter writable, so that any record can be written back.
        ReadWholeSet(true);
        ASSERT_GE(doc.Parameters().RecordCount(), 4);
    }

    // A value other than `value` within the record's range.
    static std::uint16_t OtherValue(const CParameter& record)
    {
        return record.value == record.minimum ? std::uint16_t(record.minimum + 1) : record.minimum;
    }

    void SetControllerValue(std::uint16_t tag, std::uint16_t value)
    {
        sim.WithModel([&](CSimModel& m) {
            CSimTag copy = *m.Tag(tag);
            copy.value = value;
            m.SetTag(tag, copy);
            m.ResetChecksum();
        });
    }

    std::uint16_t ControllerValue(std::uint16_t tag)
    {
        std::uint16_t value = 0;
        sim.WithModel([&](CSimModel& m) { value = m.Tag(tag)->value; });
        return value;
    }

    static std::vector<std::uint16_t> TagsWith(const std::vector<CCompareFlow::SRow>& rows,
                                               EDiff diff)
    {
        std::vector<std::uint16_t> out;
        for (const CCompareFlow::SRow& row : rows) {
            if (row.diff == diff)
                out.push_back(row.tag);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    const CParameter& Record(int index) const
    {
        return *doc.Parameters().Parameters()[std::size_t(index)];
    }
};

} // namespace

TEST_F(CompareFlowTest, ControllerComparisonFindsExactlyTheChangedValuesWithOneReadARecord)
{
    const CParameter& first = Record(0);
    const CParameter& third = Record(2);
    SetControllerValue(first.tagNumber, OtherValue(first));
    SetControllerValue(third.tagNumber, OtherValue(third));
    // A record of no tag for this controller type is not asked for.
    auto foreign = std::make_unique<CParameter>(Record(1));
    foreign->tagNumber = 0x7ABC;
    doc.Parameters().Append(std::move(foreign));
    const int applying = doc.Parameters().RecordCount() - 1;

    const auto outcome = CCompareFlow::DocCompareWithController(doc);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->skipped, 1);
    EXPECT_TRUE(outcome->unanswered.empty());
    ASSERT_EQ(int(outcome->rows.size()), applying);
    std::vector<std::uint16_t> changed{first.tagNumber, third.tagNumber};
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(TagsWith(outcome->rows, EDiff::Differ), changed);
    EXPECT_EQ(int(TagsWith(outcome->rows, EDiff::Same).size()), applying - 2);

    // Rows come in the list's order and format both sides as the list does.
    EXPECT_EQ(outcome->rows.back().tag, first.tagNumber);
    const CCompareFlow::SRow& row = outcome->rows.back();
    const CTagInfo* tag = doc.Tags().FindTag(first.tagNumber, kType);
    CParameter there = first;
    there.value = OtherValue(first);
    EXPECT_EQ(row.valueA, first.value);
    EXPECT_EQ(row.valueB, there.value);
    EXPECT_EQ(row.textA, first.ValueText(*tag, ControllerTypeNumber(kType)));
    EXPECT_EQ(row.textB, there.ValueText(*tag, ControllerTypeNumber(kType)));
    EXPECT_NE(row.textA, row.textB);

    // One value read per applying record, nothing else.
    EXPECT_EQ(int(sim.Requests().size()), applying);
    for (const auto& record : doc.Parameters().Parameters()) {
        if (record->tagNumber != 0x7ABC) {
            EXPECT_EQ(RequestsFor(record->tagNumber, LinkProtocol::kControlRead), 1);
        }
    }
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
    ASSERT_EQ(prompt.Progress().size(), 2u);
    EXPECT_EQ(prompt.Progress().back()->kind, IUserPrompt::EProgressKind::Cancellable);
    EXPECT_TRUE(prompt.Progress().back()->closed);
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_TRUE(doc.StatusPollRunning());
}

TEST_F(CompareFlowTest, UnansweredAndRefusedRecordsAreReportedNotSame)
{
    const std::uint16_t silent = Record(0).tagNumber;
    // Not right after the silent one: a "no such tag" is only believed once a reply came.
    const std::uint16_t gone = Record(2).tagNumber;
    sim.WithModel([&](CSimModel& m) { m.RemoveTag(gone); });
    AnswerThrough([&](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
        if (request.word1 == silent)
            return std::nullopt;
        return model.Answer(request);
    });
    prompt.ExpectMessage(LoadString(EString::ParametersNotRead).arg(1),
                         IUserPrompt::EIcon::Exclamation);

    const auto outcome = CCompareFlow::DocCompareWithController(doc);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->unanswered, std::vector<std::uint16_t>{silent});
    EXPECT_EQ(outcome->refused, std::vector<std::uint16_t>{gone});
    EXPECT_EQ(TagsWith(outcome->rows, EDiff::NoReply), std::vector<std::uint16_t>{silent});
    EXPECT_EQ(TagsWith(outcome->rows, EDiff::OnlyA), std::vector<std::uint16_t>{gone});
    EXPECT_TRUE(TagsWith(outcome->rows, EDiff::Differ).empty());
    EXPECT_EQ(RequestsFor(silent, LinkProtocol::kControlRead), 8) << "4 reads x 2 attempts";
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
    EXPECT_TRUE(prompt.AllShown());
}

TEST_F(CompareFlowTest, ASilentControllerIsAskedForThreeRecordsOnlyAndTheRestAreNotRead)
{
    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    const int count = doc.Parameters().RecordCount();
    prompt.ExpectMessage(LoadString(EString::ParametersNotRead).arg(count),
                         IUserPrompt::EIcon::Exclamation);

    const auto outcome = CCompareFlow::DocCompareWithController(doc);
    ASSERT_TRUE(outcome.has_value());
    const std::vector<std::uint16_t> asked = {Record(0).tagNumber, Record(1).tagNumber,
                                              Record(2).tagNumber};
    EXPECT_EQ(outcome->unanswered, asked);
    ASSERT_EQ(int(outcome->notRead.size()), count - 3);
    EXPECT_EQ(outcome->notRead.front(), Record(3).tagNumber);
    // Only the three records were asked, each 4 reads x 2 attempts.
    std::set<std::uint16_t> tagsAsked;
    for (const CSimRequest& request : sim.Requests())
        tagsAsked.insert(request.Record().word1);
    EXPECT_EQ(tagsAsked, std::set<std::uint16_t>(asked.begin(), asked.end()));
    EXPECT_EQ(sim.RequestCount(), 3u * 8u);
    EXPECT_EQ(int(TagsWith(outcome->rows, EDiff::NoReply).size()), count)
        << "a record not read is unknown, not here only";
    EXPECT_TRUE(prompt.AllShown());
}

TEST_F(CompareFlowTest, WriteSelectedWritesExactlyTheTickedRecordsThenTheyMatch)
{
    // Three records edited here; two of them ticked.
    std::vector<std::uint16_t> edited;
    for (int index : {0, 1, 3}) {
        CParameter& record = *doc.Parameters().Parameters()[std::size_t(index)];
        record.value = OtherValue(record);
        edited.push_back(record.tagNumber);
    }
    const std::vector<std::uint16_t> ticked{edited[0], edited[2]};
    const std::uint16_t unticked = edited[1];
    const std::uint16_t before = ControllerValue(unticked);

    QSignalSpy texts(&doc, &CTavrinDoc::StatusMessageTextRequested);
    prompt.ExpectOverwrite(true);
    prompt.ExpectMessage(QStringLiteral("2 written, 2 confirmed"), IUserPrompt::EIcon::Information);
    const CWriteFlow::SOutcome written = CCompareFlow::DocWriteSelected(doc, ticked);
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts.at(0).at(0).toString(), QStringLiteral("2 written, 2 confirmed"));
    EXPECT_TRUE(written.AllConfirmed());
    EXPECT_EQ(written.confirmed, 2);

    std::vector<std::uint16_t> writes;
    for (const CSimRequest& request : sim.Requests()) {
        if (request.Record().control == LinkProtocol::kControlWrite)
            writes.push_back(request.Record().word1);
    }
    EXPECT_EQ(writes, (std::vector<std::uint16_t>{ticked[1], ticked[0]})) << "last record first";
    EXPECT_EQ(ControllerValue(unticked), before);
    EXPECT_EQ(prompt.Progress().back()->title, LoadString(EString::WritingDataToController));

    const auto again = CCompareFlow::DocCompareWithController(doc);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(TagsWith(again->rows, EDiff::Differ), std::vector<std::uint16_t>{unticked});

    // Answering No sends nothing.
    sim.ClearRequests();
    prompt.ExpectOverwrite(false);
    prompt.ExpectMessage(LoadString(EString::UploadCancelled), IUserPrompt::EIcon::Information);
    EXPECT_EQ(CCompareFlow::DocWriteSelected(doc, {unticked}).status,
              CWriteFlow::EStatus::Declined);
    EXPECT_TRUE(sim.Requests().empty());
    EXPECT_TRUE(prompt.AllShown());
}

TEST_F(CompareFlowTest, ProfileComparisonShowsDifferencesAndRecordsOnOneSideOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.prf"));
    // The profile: the document's set with one value changed and its first record dropped.
    const std::uint16_t dropped = Record(0).tagNumber;
    const std::uint16_t changed = Record(2).tagNumber;
    {
        CParameterSet other;
        other.SetDataControllerType(ControllerTypeNumber(kType));
        for (const auto& record : doc.Parameters().Parameters()) {
            if (record->tagNumber == dropped)
                continue;
            auto copy = std::make_unique<CParameter>(*record);
            if (copy->tagNumber == changed)
                copy->value = OtherValue(*copy);
            other.Append(std::move(copy));
        }
        ASSERT_TRUE(other.SaveFile(path).Ok());
    }
    // And the document lacks a record the profile has.
    const std::uint16_t onlyThere = Record(3).tagNumber;
    CParameterSet& set = doc.Parameters();
    std::vector<CParameter> kept;
    for (const auto& record : set.Parameters()) {
        if (record->tagNumber != onlyThere)
            kept.push_back(*record);
    }
    set.Clear();
    for (const CParameter& record : kept)
        set.Append(std::make_unique<CParameter>(record));
    set.SetEmpty(false);

    prompt.ExpectOpenFile(path);
    const auto result = CCompareFlow::DocCompareWithProfile(doc);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(TagsWith(result->rows, EDiff::Differ), std::vector<std::uint16_t>{changed});
    EXPECT_EQ(TagsWith(result->rows, EDiff::OnlyA), std::vector<std::uint16_t>{dropped});
    EXPECT_EQ(TagsWith(result->rows, EDiff::OnlyB), std::vector<std::uint16_t>{onlyThere});
    EXPECT_EQ(result->rows.back().tag, onlyThere) << "records only there come last";
    EXPECT_TRUE(result->rows.back().textA.isEmpty());
    EXPECT_FALSE(result->rows.back().textB.isEmpty());
    EXPECT_TRUE(sim.Requests().empty()) << "a profile comparison does not talk to the controller";

    // A file that is not a profile is reported as opening it would be; nothing is compared.
    const QString bad = dir.filePath(QStringLiteral("short.prf"));
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("abc");
    }
    prompt.ExpectMessageContaining(QDir::toNativeSeparators(bad));
    EXPECT_FALSE(CCompareFlow::DocCompareWithProfile(doc, bad).has_value());
    EXPECT_TRUE(prompt.AllShown());
}

TEST_F(CompareFlowTest, WriteChangedOnlyMakesTheWrittenValuesTheBaselineThenHasNothingToWrite)
{
    std::vector<std::uint16_t> edited;
    for (int index : {1, 3}) {
        CParameter& record = *doc.Parameters().Parameters()[std::size_t(index)];
        record.value = OtherValue(record);
        edited.push_back(record.tagNumber);
    }
    const auto writes = [this] {
        std::vector<std::uint16_t> tags;
        for (const CSimRequest& request : sim.Requests()) {
            if (request.Record().control == LinkProtocol::kControlWrite)
                tags.push_back(request.Record().word1);
        }
        return tags;
    };

    // Exactly the two edited records go out, and the display then matches.
    views.clear();
    prompt.ExpectWrite(IUserPrompt::EWriteChoice::ChangedOnly);
    prompt.ExpectMessage(QStringLiteral("2 written, 2 confirmed"), IUserPrompt::EIcon::Information);
    const CWriteFlow::SOutcome written = CConfirmedWrite::Run(doc);
    EXPECT_TRUE(written.AllConfirmed());
    EXPECT_EQ(written.confirmed, 2);
    EXPECT_EQ(writes(), (std::vector<std::uint16_t>{edited[1], edited[0]})) << "last record first";
    EXPECT_EQ(Emitted(equality), (std::vector<bool>{false, true}));
    EXPECT_EQ(doc.Baseline().value(edited[0]), Record(1).value);
    EXPECT_EQ(EmittedInts(views), std::vector<int>{0}) << "the change marks are redrawn";

    // Nothing differs any more: nothing is written, and the user is told so.
    sim.ClearRequests();
    prompt.ExpectWrite(IUserPrompt::EWriteChoice::ChangedOnly);
    prompt.ExpectMessage(LoadString(EString::ChangedOnlyNothingToWrite),
                         IUserPrompt::EIcon::Information);
    EXPECT_EQ(CConfirmedWrite::Run(doc).confirmed, 0);
    EXPECT_TRUE(writes().empty());
    EXPECT_TRUE(prompt.AllShown());
}

TEST_F(CompareFlowTest, AnOpenedProfileShowsEqualOnlyWhenTheControllerHoldsEveryValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("same.prf"));
    ASSERT_TRUE(doc.OnSaveDocument(path));

    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(CCompareFlow::DocCheckEquality(doc));
    EXPECT_EQ(Emitted(equality), (std::vector<bool>{false, true}));
    EXPECT_TRUE(doc.LinkReady());

    // One value otherwise in the controller: not equal. (A copy: each open replaces the set.)
    const CParameter record = Record(1);
    SetControllerValue(record.tagNumber, OtherValue(record));
    equality.clear();
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_FALSE(CCompareFlow::DocCheckEquality(doc));
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});

    // A controller that stops answering tells nothing: not equal, and no message.
    SetControllerValue(record.tagNumber, record.value);
    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    equality.clear();
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_FALSE(CCompareFlow::DocCheckEquality(doc));
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
    EXPECT_TRUE(prompt.AllShown());
}
