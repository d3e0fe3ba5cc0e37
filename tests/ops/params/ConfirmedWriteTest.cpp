// The main window's write that shows what it will change first, against the simulated
// type-10 controller.
#include "FlowTestSupport.h"

#include "common/SimModelEdits.h"
#include "ops/params/CConfirmedWrite.h"
#include "ops/params/CReadFlow.h"
#include "res/StringTable.h"

using EHeld = IUserPrompt::SWritePreview::EHeld;
using EWriteChoice = IUserPrompt::EWriteChoice;

namespace {

class ConfirmedWriteTest : public FlowTest
{
protected:
    void SetUp() override
    {
        FlowTest::SetUp();
        if (HasFatalFailure())
            return;
        // Every parameter writable, so that any record can be written back.
        sim.WithModel([](CSimModel& m) { MakeAllWritable(m); });
        ASSERT_TRUE(CReadFlow::Run(doc).Complete());
        ASSERT_GE(doc.Parameters().RecordCount(), 24);
        sim.ClearRequests();
        equality.clear();
    }

    CParameter& Record(int index) { return *doc.Parameters().Parameters()[std::size_t(index)]; }

    // Gives the record another value within its limits and returns the one it had.
    std::uint16_t Edit(CParameter& record)
    {
        const std::uint16_t old = record.value;
        record.value = record.value == record.maximum ? record.minimum : record.maximum;
        return old;
    }

    // `value` of `record` as the parameter list shows it.
    QString Text(const CParameter& record, std::uint16_t value) const
    {
        CParameter copy = record;
        copy.value = value;
        return copy.ValueText(*doc.Tags().FindTag(record.tagNumber, kType),
                              ControllerTypeNumber(kType));
    }

    QString Name(const CParameter& record) const
    {
        return QString::fromLatin1(doc.Tags().FindTag(record.tagNumber, kType)->name);
    }

    std::vector<std::uint16_t> WrittenTags() const
    {
        std::vector<std::uint16_t> out;
        for (const CSimRequest& request : sim.Requests()) {
            if (request.Record().control == LinkProtocol::kControlWrite)
                out.push_back(request.Record().word1);
        }
        return out;
    }

    QStringList Texts() const
    {
        QStringList out;
        for (const QList<QVariant>& args : texts)
            out << args.at(0).toString();
        return out;
    }

    QSignalSpy texts{&doc, &CTavrinDoc::StatusMessageTextRequested};
};

} // namespace

TEST_F(ConfirmedWriteTest, ChangedOnlyWritesExactlyTheListedRecordsAndCountsTheConfirmed)
{
    CParameter& first = Record(1);
    CParameter& second = Record(3);
    const std::uint16_t firstHeld = Edit(first);
    const std::uint16_t secondHeld = Edit(second);
    // The controller no longer knows a third record: listed as refused, tried, not confirmed.
    const CParameter& gone = Record(5);
    sim.WithModel([&](CSimModel& m) { m.RemoveTag(gone.tagNumber); });

    prompt.ExpectWrite(EWriteChoice::ChangedOnly);
    prompt.ExpectMessageContaining(QStringLiteral("3 written, 2 confirmed\n") +
                                   LoadString(EString::ParametersNotWritten).arg(1));
    const CWriteFlow::SOutcome outcome = CConfirmedWrite::Run(doc);

    // The list's order, last record first; the controller's value, then the new one.
    const IUserPrompt::SWritePreview& preview = prompt.LastWritePreview();
    ASSERT_EQ(preview.changes.size(), 3u);
    EXPECT_EQ(preview.changes[0].name, Name(gone));
    EXPECT_EQ(preview.changes[0].held, EHeld::Refused);
    EXPECT_TRUE(preview.changes[0].before.isEmpty());
    EXPECT_EQ(preview.changes[1].name, Name(second));
    EXPECT_EQ(preview.changes[1].before, Text(second, secondHeld));
    EXPECT_EQ(preview.changes[1].after, Text(second, second.value));
    EXPECT_EQ(preview.changes[2].name, Name(first));
    EXPECT_EQ(preview.changes[2].before, Text(first, firstHeld));
    EXPECT_EQ(preview.changes[2].after, Text(first, first.value));
    EXPECT_EQ(preview.more, 0);
    EXPECT_TRUE(preview.ChangedOnlyPossible());

    EXPECT_EQ(WrittenTags(), (std::vector<std::uint16_t>{second.tagNumber, first.tagNumber}));
    EXPECT_EQ(outcome.confirmed, 2);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].tag, gone.tagNumber);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("3 written, 2 confirmed")});
    EXPECT_EQ(Emitted(equality), (std::vector<bool>{false, false}));
    EXPECT_EQ(doc.Baseline().value(first.tagNumber), firstHeld) << "not every record matches";
    // The comparison has Cancel; the write does not.
    ASSERT_EQ(prompt.Progress().size(), 3u) << "the read, the comparison, the write";
    EXPECT_EQ(prompt.Progress()[1]->title, LoadString(EString::ComparingWithController));
    EXPECT_EQ(prompt.Progress()[1]->kind, IUserPrompt::EProgressKind::Cancellable);
    EXPECT_EQ(prompt.Progress()[2]->kind, IUserPrompt::EProgressKind::Plain);
    EXPECT_TRUE(prompt.AllShown());
}

TEST_F(ConfirmedWriteTest, TwentyAreListedWithACountOfTheRestAndWriteAllWritesEveryRecord)
{
    // 24 records, 22 of them edited.
    std::vector<CParameter> kept;
    for (int index = 0; index < 24; ++index)
        kept.push_back(Record(index));
    doc.Parameters().Clear();
    for (const CParameter& record : kept)
        doc.Parameters().Append(std::make_unique<CParameter>(record));
    doc.Parameters().SetEmpty(false);
    std::vector<QString> edited; // names in the list's order, last record first
    for (int index = 23; index >= 0; --index) {
        if (index == 4 || index == 17 || Record(index).maximum == Record(index).minimum)
            continue;
        Edit(Record(index));
        edited.push_back(Name(Record(index)));
    }
    ASSERT_GT(edited.size(), 20u);

    prompt.ExpectWrite(EWriteChoice::All);
    prompt.ExpectMessage(QStringLiteral("24 written, 24 confirmed"),
                         IUserPrompt::EIcon::Information);
    const CWriteFlow::SOutcome outcome = CConfirmedWrite::Run(doc);

    const IUserPrompt::SWritePreview& preview = prompt.LastWritePreview();
    ASSERT_EQ(preview.changes.size(), 20u);
    for (std::size_t i = 0; i < 20; ++i)
        EXPECT_EQ(preview.changes[i].name, edited[i]) << i;
    EXPECT_EQ(preview.more, int(edited.size()) - 20);

    EXPECT_TRUE(outcome.AllConfirmed());
    std::vector<std::uint16_t> everyRecord;
    for (int index = 23; index >= 0; --index)
        everyRecord.push_back(Record(index).tagNumber);
    EXPECT_EQ(WrittenTags(), everyRecord) << "the unedited records too, last first";
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("24 written, 24 confirmed")});
    EXPECT_EQ(Emitted(equality), (std::vector<bool>{false, true}));
    EXPECT_EQ(doc.Baseline().value(Record(0).tagNumber), Record(0).value);
}

TEST_F(ConfirmedWriteTest, CancelInTheConfirmationOrTheComparisonSendsNoWrite)
{
    // Nothing differs: the list says so and only "write all" is offered.
    prompt.ExpectWrite(EWriteChoice::Cancel);
    prompt.ExpectMessage(LoadString(EString::UploadCancelled), IUserPrompt::EIcon::Information);
    EXPECT_EQ(CConfirmedWrite::Run(doc).status, CWriteFlow::EStatus::Declined);
    EXPECT_TRUE(prompt.LastWritePreview().NothingDiffers());
    EXPECT_FALSE(prompt.LastWritePreview().ChangedOnlyPossible());
    EXPECT_EQ(int(sim.Requests().size()), doc.Parameters().RecordCount()) << "one read each";
    EXPECT_TRUE(WrittenTags().empty());

    // Cancel during the comparison: no confirmation, no message, no write.
    Edit(Record(2));
    sim.ClearRequests();
    prompt.CancelProgressAfter(3);
    EXPECT_EQ(CConfirmedWrite::Run(doc).status, CWriteFlow::EStatus::Declined);
    EXPECT_EQ(sim.Requests().size(), 2u) << "stopped after two reads";
    EXPECT_TRUE(WrittenTags().empty());
    EXPECT_TRUE(Texts().isEmpty());
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_TRUE(doc.StatusPollRunning());
    EXPECT_TRUE(prompt.AllShown());
}

TEST_F(ConfirmedWriteTest, AnUnknownValueTurnsChangedOnlyOffAndItWritesNothingIfAskedAnyway)
{
    const CParameter& silent = Record(0);
    const CParameter& edited = Record(2);
    Edit(Record(2));
    AnswerThrough([&](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
        if (request.word1 == silent.tagNumber)
            return std::nullopt;
        return model.Answer(request);
    });

    prompt.ExpectWrite(EWriteChoice::ChangedOnly);
    prompt.ExpectMessage(LoadString(EString::ChangedOnlyNotRead).arg(1),
                         IUserPrompt::EIcon::Exclamation);
    EXPECT_EQ(CConfirmedWrite::Run(doc).status, CWriteFlow::EStatus::Stopped);

    const IUserPrompt::SWritePreview& preview = prompt.LastWritePreview();
    ASSERT_EQ(preview.changes.size(), 2u);
    EXPECT_EQ(preview.changes[0].name, Name(edited));
    EXPECT_EQ(preview.changes[0].held, EHeld::Value);
    EXPECT_EQ(preview.changes[1].name, Name(silent));
    EXPECT_EQ(preview.changes[1].held, EHeld::NoReply);
    EXPECT_EQ(preview.changes[1].after, Text(silent, silent.value));
    EXPECT_EQ(preview.unknown, 1);
    EXPECT_FALSE(preview.ChangedOnlyPossible());

    EXPECT_TRUE(WrittenTags().empty());
    EXPECT_TRUE(Texts().isEmpty());
    EXPECT_EQ(Emitted(equality), (std::vector<bool>{false, false}));
    EXPECT_TRUE(prompt.AllShown());
}
