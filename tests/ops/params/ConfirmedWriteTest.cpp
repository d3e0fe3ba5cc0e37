// The main window's write that shows what it will change first, against the simulated
// type-10 controller.
#include "FlowTestSupport.h"

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
        ReadWholeSet(true);
        ASSERT_GE(doc.Parameters().RecordCount(), 24);
    }

    CParameter& Record(int index) { return *doc.Parameters().Parameters()[std::size_t(index)]; }

    // Gives record `index` another value within its limits; its line in the confirmation.
    QString Edit(int index)
    {
        CParameter& record = Record(index);
        const QString before = Text(record);
        record.value = record.value == record.maximum ? record.minimum : record.maximum;
        return Line(record, before, EHeld::Value);
    }
    QString Text(const CParameter& record) const
    {
        return record.ValueText(*doc.Tags().FindTag(record.tagNumber, kType),
                                ControllerTypeNumber(kType));
    }
    QString Line(const CParameter& record, const QString& before, EHeld held) const
    {
        return QStringLiteral("%1: %2 -> %3 (%4)")
            .arg(QString::fromLatin1(doc.Tags().FindTag(record.tagNumber, kType)->name), before,
                 Text(record))
            .arg(int(held));
    }
    QStringList Listed() const
    {
        QStringList out;
        for (const auto& change : prompt.LastWritePreview().changes)
            out << QStringLiteral("%1: %2 -> %3 (%4)")
                       .arg(change.name, change.before, change.after)
                       .arg(int(change.held));
        return out;
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

    QSignalSpy texts{&doc, &CTavrinDoc::StatusMessageTextRequested};
};

} // namespace

TEST_F(ConfirmedWriteTest, ChangedOnlyWritesExactlyTheListedRecordsAndCountsTheConfirmed)
{
    const QString first = Edit(1);
    const QString second = Edit(3);
    // A record the controller no longer knows is listed as refused, tried and not confirmed.
    sim.WithModel([&](CSimModel& m) { m.RemoveTag(Record(5).tagNumber); });

    prompt.ExpectWrite(EWriteChoice::ChangedOnly);
    prompt.ExpectMessageContaining(QStringLiteral("3 written, 2 confirmed\n") +
                                   LoadString(EString::ParametersNotWritten).arg(1));
    const CWriteFlow::SOutcome outcome = CConfirmedWrite::Run(doc);

    EXPECT_EQ(Listed(), (QStringList{Line(Record(5), {}, EHeld::Refused), second, first}))
        << "the list's order, last record first";
    EXPECT_TRUE(prompt.LastWritePreview().ChangedOnlyPossible());
    EXPECT_EQ(WrittenTags(),
              (std::vector<std::uint16_t>{Record(3).tagNumber, Record(1).tagNumber}));
    EXPECT_EQ(outcome.confirmed, 2);
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts.at(0).at(0).toString(), QStringLiteral("3 written, 2 confirmed"));
    EXPECT_EQ(Emitted(equality), (std::vector<bool>{false, false}));
    EXPECT_EQ(prompt.Progress()[1]->kind, IUserPrompt::EProgressKind::Cancellable)
        << "the comparison can be cancelled";
}

TEST_F(ConfirmedWriteTest, TwentyAreListedWithACountOfTheRestAndWriteAllWritesEveryRecord)
{
    std::vector<CParameter> kept;
    for (int index = 0; index < 24; ++index)
        kept.push_back(Record(index));
    doc.Parameters().Clear();
    for (const CParameter& record : kept)
        doc.Parameters().Append(std::make_unique<CParameter>(record));
    doc.Parameters().SetEmpty(false);
    QStringList edited; // last record first; two left as they are
    std::vector<std::uint16_t> everyRecord;
    for (int index = 23; index >= 0; --index) {
        everyRecord.push_back(Record(index).tagNumber);
        if (index != 4 && index != 17 && Record(index).maximum != Record(index).minimum)
            edited << Edit(index);
    }
    ASSERT_GT(edited.size(), 20);

    prompt.ExpectWrite(EWriteChoice::All);
    prompt.ExpectMessage(QStringLiteral("24 written, 24 confirmed"),
                         IUserPrompt::EIcon::Information);
    EXPECT_TRUE(CConfirmedWrite::Run(doc).AllConfirmed());

    EXPECT_EQ(Listed(), edited.mid(0, 20));
    EXPECT_EQ(prompt.LastWritePreview().more, edited.size() - 20);
    EXPECT_EQ(WrittenTags(), everyRecord) << "the unedited records too";
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts.at(0).at(0).toString(), QStringLiteral("24 written, 24 confirmed"));
    EXPECT_EQ(Emitted(equality), (std::vector<bool>{false, true}));
}

TEST_F(ConfirmedWriteTest, CancelInTheConfirmationOrTheComparisonSendsNoWrite)
{
    // Nothing differs: only "write all" is offered.
    prompt.ExpectWrite(EWriteChoice::Cancel);
    prompt.ExpectMessage(LoadString(EString::UploadCancelled), IUserPrompt::EIcon::Information);
    EXPECT_EQ(CConfirmedWrite::Run(doc).status, CWriteFlow::EStatus::Declined);
    EXPECT_TRUE(prompt.LastWritePreview().NothingDiffers());
    EXPECT_FALSE(prompt.LastWritePreview().ChangedOnlyPossible());
    EXPECT_EQ(int(sim.Requests().size()), doc.Parameters().RecordCount()) << "one read each";

    // Cancel during the comparison: no confirmation, no message.
    Edit(2);
    sim.ClearRequests();
    prompt.CancelProgressAfter(3);
    EXPECT_EQ(CConfirmedWrite::Run(doc).status, CWriteFlow::EStatus::Declined);
    EXPECT_EQ(sim.Requests().size(), 2u) << "two reads, then it stopped";
    EXPECT_TRUE(texts.isEmpty());
    EXPECT_TRUE(doc.StatusPollRunning());
}

TEST_F(ConfirmedWriteTest, AnUnknownValueTurnsChangedOnlyOffAndItWritesNothingIfAskedAnyway)
{
    const QString edited = Edit(2);
    const std::uint16_t silent = Record(0).tagNumber;
    AnswerThrough([&](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
        if (request.word1 == silent)
            return std::nullopt;
        return model.Answer(request);
    });

    prompt.ExpectWrite(EWriteChoice::ChangedOnly);
    prompt.ExpectMessage(LoadString(EString::ChangedOnlyNotRead).arg(1),
                         IUserPrompt::EIcon::Exclamation);
    EXPECT_EQ(CConfirmedWrite::Run(doc).status, CWriteFlow::EStatus::Stopped);

    EXPECT_EQ(Listed(), (QStringList{edited, Line(Record(0), {}, EHeld::NoReply)}));
    EXPECT_EQ(prompt.LastWritePreview().unknown, 1);
    EXPECT_FALSE(prompt.LastWritePreview().ChangedOnlyPossible());
    EXPECT_TRUE(WrittenTags().empty());
    EXPECT_TRUE(texts.isEmpty());
}
