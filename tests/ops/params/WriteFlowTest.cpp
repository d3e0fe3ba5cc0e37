// Write to controller and compare against the simulated type-10 controller.
#include "FlowTestSupport.h"

#include "common/SimModelEdits.h"
#include "ops/params/CReadFlow.h"
#include "ops/params/CWriteFlow.h"
#include "ops/params/CWriteJournal.h"
#include "res/StringTable.h"
#include "store/CBackups.h"
#include "store/CChangeLog.h"

#include <QDir>
#include <QFile>

using EIcon = IUserPrompt::EIcon;

namespace {

class WriteFlowTest : public FlowTest
{
protected:
    void SetUp() override
    {
        FlowTest::SetUp();
        if (HasFatalFailure())
            return;
        ReadWholeSet(false);
        doc.SetModified(false);
        status.clear();
    }

    // Makes every parameter of the controller writable and reads the set again.
    void MakeAllWritable()
    {
        sim.WithModel([](CSimModel& m) { ::MakeAllWritable(m); });
        ReadWholeSet(false);
        doc.SetModified(false);
        status.clear();
    }

    // Tags of the records whose flags byte has `flag` set (or clear).
    std::vector<std::uint16_t> TagsWithFlag(std::uint8_t flag, bool set) const
    {
        std::vector<std::uint16_t> out;
        for (const auto& record : doc.Parameters().Parameters()) {
            if (((record->FlagsByte() & flag) != 0) == set)
                out.push_back(record->tagNumber);
        }
        return out;
    }

    // Keeps only the records with these tags, in their list order: a full pass costs a
    // 50 ms pause a record, so most tests write a few.
    void KeepRecords(const std::set<std::uint16_t>& tags)
    {
        std::vector<CParameter> kept;
        for (const auto& record : doc.Parameters().Parameters()) {
            if (tags.count(record->tagNumber))
                kept.push_back(*record);
        }
        doc.Parameters().Clear();
        for (const CParameter& record : kept)
            doc.Parameters().Append(std::make_unique<CParameter>(record));
        doc.Parameters().SetEmpty(false);
    }

    // The first record the controller lets change, given another value within its limits
    // (its maximum, or its minimum when it holds the maximum already).
    CParameter& ChangedWritableRecord()
    {
        for (const auto& record : doc.Parameters().Parameters()) {
            if (!record->readOnly && record->maximum != record->minimum) {
                record->value =
                    record->value == record->maximum ? record->minimum : record->maximum;
                return *record;
            }
        }
        ADD_FAILURE() << "no writable record";
        return *doc.Parameters().Parameters().front();
    }

    std::uint16_t SimValue(std::uint16_t tag)
    {
        std::uint16_t value = 0;
        sim.WithModel([&](CSimModel& m) { value = m.Tag(tag)->value; });
        return value;
    }

    // Changes the controller's own quantities of `tag`.
    void ChangeSimTag(std::uint16_t tag, const std::function<void(CSimTag&)>& change)
    {
        sim.WithModel([&](CSimModel& m) {
            CSimTag copy = *m.Tag(tag);
            change(copy);
            m.SetTag(tag, copy);
            m.ResetChecksum();
        });
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
};

} // namespace

TEST_F(WriteFlowTest, EnabledOnlyForALinkedNonEmptySetOfTheConnectedType)
{
    EXPECT_TRUE(CWriteFlow::CanWrite(doc));
    doc.SetLinkReady(false);
    EXPECT_FALSE(CWriteFlow::CanWrite(doc));
    doc.SetLinkReady(true);
    doc.Parameters().SetDataControllerType(9);
    EXPECT_FALSE(CWriteFlow::CanWrite(doc));
    doc.Parameters().SetDataControllerType(ControllerTypeNumber(kType));
    doc.DeleteContents();
    EXPECT_FALSE(CWriteFlow::CanWrite(doc));
}

TEST_F(WriteFlowTest, AConfirmedPassWritesLastRecordFirstAndShowsEqual)
{
    MakeAllWritable();
    const std::vector<std::uint16_t> order = RecordTags();
    const bool modified = doc.IsModified();
    views.clear();

    prompt.ExpectOverwrite(true);
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    ASSERT_EQ(outcome.status, CWriteFlow::EStatus::Finished);
    EXPECT_TRUE(outcome.AllConfirmed());
    EXPECT_EQ(outcome.skipped, 0);

    // Every record is written once, the last one first.
    const std::vector<std::uint16_t> expected(order.rbegin(), order.rend());
    EXPECT_EQ(WrittenTags(), expected);
    EXPECT_EQ(outcome.confirmed, static_cast<int>(expected.size()));
    sim.WithModel([](CSimModel& m) {
        EXPECT_TRUE(m.ChecksumConsistent()) << "every write kept the checksum word";
    });
    EXPECT_EQ(Emitted(equality), std::vector<bool>{true});
    EXPECT_EQ(EmittedInts(views), std::vector<int>{0}) << "the change marks are redrawn";

    ASSERT_EQ(prompt.Progress().size(), 3u) << "two reads, then the write";
    const auto& bar = *prompt.Progress().back();
    EXPECT_EQ(bar.title, QStringLiteral("Writing data to controller"));
    EXPECT_EQ(bar.kind, IUserPrompt::EProgressKind::Plain);
    // The bar counts records: each one's start, then all of them.
    const int count = static_cast<int>(order.size());
    EXPECT_EQ(bar.high, count);
    ASSERT_EQ(bar.positions.size(), order.size() + 1);
    EXPECT_EQ(bar.positions[1], 1);
    EXPECT_EQ(bar.positions.back(), count);
    EXPECT_TRUE(bar.closed);

    EXPECT_EQ(EmittedInts(status), (std::vector<int>{4884, 57345}));
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_TRUE(doc.StatusPollRunning());
    EXPECT_EQ(RecordTags(), order) << "the document is unchanged";
    EXPECT_EQ(doc.IsModified(), modified);
    EXPECT_EQ(doc.PathName(), QStringLiteral("Downloaded"));
}

TEST_F(WriteFlowTest, ReadOnlyRecordsAreTriedFourTimesAndNamedUnlessTheyAlreadyMatch)
{
    std::vector<std::uint16_t> readOnly = TagsWithFlag(LinkProtocol::kStatusReadOnly, true);
    const std::vector<std::uint16_t> writable = TagsWithFlag(LinkProtocol::kStatusReadOnly, false);
    ASSERT_GE(readOnly.size(), 3u) << "the simulated set holds read-only parameters";
    readOnly.resize(3);
    KeepRecords({readOnly[0], readOnly[1], readOnly[2], writable.back()});
    // Two of them differ from the controller, the third still holds the controller's value.
    for (const std::uint16_t tag : {readOnly[0], readOnly[1]}) {
        CParameter* record = doc.Parameters().FindParameter(tag);
        ASSERT_NE(record, nullptr);
        record->value = static_cast<std::uint16_t>(
            record->value == record->minimum ? record->value + 1 : record->value - 1);
    }
    const std::vector<std::uint16_t> differing = {readOnly[0], readOnly[1]};

    prompt.ExpectOverwrite(true);
    prompt.ExpectMessageContaining(LoadString(EString::ParametersNotWritten).arg(differing.size()));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    EXPECT_FALSE(outcome.AllConfirmed());
    ASSERT_EQ(outcome.failures.size(), differing.size());
    for (std::size_t i = 0; i < differing.size(); ++i) {
        const CWriteFlow::SFailure& failure = outcome.failures[i];
        EXPECT_EQ(failure.tag, differing[differing.size() - 1 - i]) << "last record first";
        EXPECT_EQ(failure.result, EWriteResult::ReadOnly);
        EXPECT_EQ(failure.name.toLatin1(), doc.Tags().FindTag(failure.tag, kType)->name);
    }
    EXPECT_EQ(outcome.confirmed, 2) << "the writable record and the read-only one that matches";

    // Four reads, no write, for a read-only record.
    EXPECT_EQ(RequestsFor(readOnly.front(), LinkProtocol::kControlRead), 4);
    EXPECT_EQ(RequestsFor(readOnly.front(), LinkProtocol::kControlWrite), 0);
    EXPECT_EQ(RequestsFor(readOnly[2], LinkProtocol::kControlWrite), 0);
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});

    // The message names each differing one and why.
    const QString shown = prompt.Shown().back();
    for (const std::uint16_t tag : differing) {
        const QString line = QStringLiteral("0x%1 %2: read only")
                                 .arg(tag, 4, 16, QLatin1Char('0'))
                                 .arg(QString::fromLatin1(doc.Tags().FindTag(tag, kType)->name));
        EXPECT_TRUE(shown.contains(line)) << line.toStdString();
    }
    EXPECT_FALSE(shown.contains(QStringLiteral("0x%1").arg(readOnly[2], 4, 16, QLatin1Char('0'))));
}

TEST_F(WriteFlowTest, AReadBackMismatchIsRetriedWithFourWrites)
{
    MakeAllWritable();
    const auto& records = doc.Parameters().Parameters();
    KeepRecords({records[records.size() - 2]->tagNumber, records.back()->tagNumber});
    CParameter* record = records.back().get();
    const std::uint16_t tag = record->tagNumber;
    ASSERT_NE(record->maximum, record->minimum);
    record->value = record->value == record->minimum ? record->maximum : record->minimum;

    // The controller acknowledges writes to `tag` but keeps its old value.
    AnswerThrough(
        [tag](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
            if (request.word1 == tag && request.control == LinkProtocol::kControlWrite) {
                const CSimTag before = *model.Tag(tag);
                const std::uint16_t checksum = model.ChecksumWord();
                const std::optional<CLinkRecord> reply = model.Answer(request);
                model.SetTag(tag, before);
                model.SetChecksumWord(checksum);
                return reply;
            }
            return model.Answer(request);
        });

    prompt.ExpectOverwrite(true);
    prompt.ExpectMessageContaining(QStringLiteral(": the controller confirmed a different value"));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].tag, tag);
    EXPECT_EQ(outcome.failures[0].result, EWriteResult::ReadBackDiffers);
    EXPECT_EQ(RequestsFor(tag, LinkProtocol::kControlWrite), 4);
    EXPECT_EQ(WrittenTags().front(), tag) << "the last record goes first";
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
}

TEST_F(WriteFlowTest, RecordsWithoutATagForTheTypeAreSkipped)
{
    MakeAllWritable();
    // Two records: one that writes, then one whose tag is not in the tag file.
    KeepRecords({doc.Parameters().Parameters().back()->tagNumber});
    auto orphan = std::make_unique<CParameter>(*doc.Parameters().Parameters().back());
    orphan->tagNumber = 0x7ABC;
    doc.Parameters().Append(std::move(orphan));

    prompt.ExpectOverwrite(true);
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    EXPECT_EQ(outcome.skipped, 1);
    EXPECT_EQ(outcome.confirmed, 1);
    EXPECT_TRUE(outcome.AllConfirmed()) << "skipped records do not count against equality";
    EXPECT_EQ(RequestsFor(0x7ABC, LinkProtocol::kControlRead), 0);
    EXPECT_EQ(Emitted(equality), std::vector<bool>{true});
    EXPECT_EQ(prompt.Progress().back()->positions, (std::vector<int>{0, 1, 2}));
}

TEST_F(WriteFlowTest, ASilentControllerLeavesTheSetNotEqualAndSaysWhy)
{
    KeepRecords({doc.Parameters().Parameters().back()->tagNumber});
    const CParameter kept = *doc.Parameters().Parameters().back();
    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);

    prompt.ExpectOverwrite(true);
    prompt.ExpectMessageContaining(QStringLiteral(": no reply from the controller"));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].result, EWriteResult::NoReply);
    EXPECT_EQ(RequestsFor(kept.tagNumber, LinkProtocol::kControlRead), 8) << "4 calls x 2 attempts";
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
    EXPECT_TRUE(doc.LinkReady()) << "set at the end; the next poll corrects it";
}

TEST_F(WriteFlowTest, AControllerThatStopsAnsweringEndsThePassAndSaysHowManyWereNotWritten)
{
    // The controller answers everything for the first five records written, then nothing.
    const int total = static_cast<int>(doc.Parameters().RecordCount());
    auto seen = std::make_shared<std::set<std::uint16_t>>();
    AnswerThrough(
        [seen](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
            // The version reads for the change log come first and are no records.
            if (request.word1 < 0x100)
                return model.Answer(request);
            if (!seen->count(request.word1) && seen->size() == 5)
                return std::nullopt;
            seen->insert(request.word1);
            return model.Answer(request);
        });

    prompt.ExpectOverwrite(true);
    prompt.ExpectMessageContaining(LoadString(EString::StoppedAnswering).arg(total - 5));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    EXPECT_EQ(outcome.status, CWriteFlow::EStatus::Stopped);
    EXPECT_EQ(outcome.confirmed, 5);
    EXPECT_EQ(static_cast<int>(outcome.failures.size()), CWriteFlow::kSilentRecordLimit);
    EXPECT_EQ(outcome.notSent, total - 5 - CWriteFlow::kSilentRecordLimit);
    // The records after the third silent one were never asked for.
    const std::uint16_t firstUntried =
        doc.Parameters().Parameters()[static_cast<std::size_t>(total - 9)]->tagNumber;
    EXPECT_EQ(RequestsFor(firstUntried, LinkProtocol::kControlRead), 0);
    EXPECT_EQ(Emitted(equality), std::vector<bool>{false});
    EXPECT_TRUE(doc.LinkReady());
}

TEST_F(WriteFlowTest, DataOfAnotherTypeOrAnAnswerNoSendsNothing)
{
    doc.Parameters().SetDataControllerType(9);
    prompt.ExpectMessage(QStringLiteral("Data is from Tarn controller.\nConnected controller is "
                                        "Tarn+.\nCannot upload the data."),
                         EIcon::Exclamation);
    EXPECT_EQ(CWriteFlow::Run(doc).status, CWriteFlow::EStatus::TypeMismatch);

    doc.Parameters().SetDataControllerType(ControllerTypeNumber(kType));
    prompt.ExpectOverwrite(false);
    prompt.ExpectMessage(QStringLiteral("Upload cancelled"), EIcon::Information);
    EXPECT_EQ(CWriteFlow::Run(doc).status, CWriteFlow::EStatus::Declined);

    EXPECT_EQ(sim.RequestCount(), 0u);
    EXPECT_TRUE(equality.isEmpty());
    EXPECT_TRUE(status.isEmpty());
    EXPECT_EQ(prompt.Progress().size(), 1u) << "only the read's window";
    EXPECT_TRUE(doc.LinkReady());
}

TEST_F(WriteFlowTest, WriteOneSendsTheRecordOnceBehindItsBackupAndMakesItTheBaseline)
{
    CParameter& record = ChangedWritableRecord();
    const std::uint16_t tag = record.tagNumber;
    const std::uint16_t old = SimValue(tag);
    ASSERT_NE(record.value, old);

    const CWriteFlow::SOneWrite write = CWriteFlow::WriteOne(doc, record);
    ASSERT_TRUE(write.Confirmed());
    EXPECT_EQ(WrittenTags(), std::vector<std::uint16_t>{tag});
    EXPECT_EQ(SimValue(tag), record.value);
    EXPECT_EQ(doc.Baseline().value(tag), record.value) << "no longer counts as changed";
    EXPECT_TRUE(equality.isEmpty()) << "one record says nothing about the rest";

    CParameterSet backup;
    ASSERT_TRUE(backup.LoadFile(write.backupPath).Ok()) << write.backupPath.toStdString();
    ASSERT_EQ(backup.RecordCount(), 1);
    EXPECT_EQ(backup.Parameters().front()->tagNumber, tag);
    EXPECT_EQ(backup.Parameters().front()->value, old);

    const std::vector<CChangeLog::SLine> lines = CChangeLog::Read();
    ASSERT_FALSE(lines.empty());
    const CTagInfo* info = doc.Tags().FindTag(tag, kType);
    ASSERT_NE(info, nullptr);
    CParameter before = record;
    before.value = old;
    EXPECT_EQ(lines.back().tag.toUInt(nullptr, 0), tag);
    EXPECT_EQ(lines.back().oldValue, before.ValueText(*info, ControllerTypeNumber(kType)));
    EXPECT_EQ(lines.back().newValue, record.ValueText(*info, ControllerTypeNumber(kType)));
    EXPECT_EQ(lines.back().result, QStringLiteral("confirmed"));

    EXPECT_TRUE(doc.LinkReady());
    EXPECT_TRUE(doc.StatusPollRunning());
    EXPECT_FALSE(doc.TransferActive());
}

TEST_F(WriteFlowTest, EveryFailedWriteOneIsReportedAndLeavesTheBaseline)
{
    CParameter& record = ChangedWritableRecord();
    const std::uint16_t tag = record.tagNumber;
    const std::uint16_t old = SimValue(tag);
    const auto expectFailure = [&](EString message, EWriteResult result) {
        prompt.ExpectMessage(LoadString(message), EIcon::Stop);
        const CWriteFlow::SOneWrite write = CWriteFlow::WriteOne(doc, record);
        EXPECT_EQ(write.result, result);
        EXPECT_FALSE(write.Confirmed());
        EXPECT_EQ(doc.Baseline().value(tag), old);
        EXPECT_TRUE(doc.StatusPollRunning());
    };

    ChangeSimTag(tag, [](CSimTag& t) { t.flags = 0; });
    expectFailure(EString::ParameterNotSupported, EWriteResult::NotSupported);

    ChangeSimTag(tag, [](CSimTag& t) {
        t.flags = LinkProtocol::kStatusSupported | LinkProtocol::kStatusReadOnly;
    });
    expectFailure(EString::ParameterNotSupported, EWriteResult::ReadOnly);

    // The controller keeps the value within limits that leave out the one written.
    ChangeSimTag(tag, [&](CSimTag& t) {
        t.flags = LinkProtocol::kStatusSupported;
        t.minimum = old;
        t.maximum = old;
    });
    expectFailure(EString::ControllerNotUpdated, EWriteResult::ReadBackDiffers);
    EXPECT_EQ(SimValue(tag), old);

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    expectFailure(EString::CommsLost, EWriteResult::NoReply);
    sim.SetFaults(CSimFaults());
}

TEST_F(WriteFlowTest, WriteOneSendsNothingWhenTheBackupsFolderCannotBeWritten)
{
    CParameter& record = ChangedWritableRecord();
    const std::uint16_t tag = record.tagNumber;
    const std::uint16_t old = SimValue(tag);
    // A file where the folder belongs: no backup can be reserved.
    const QString folder = CBackups::Folder();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(CBackups::DataFolder()));
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    prompt.ExpectMessage(CWriteJournal::RefusalText(), EIcon::Exclamation);
    const CWriteFlow::SOneWrite write = CWriteFlow::WriteOne(doc, record);
    QFile::remove(folder);
    EXPECT_TRUE(write.backupRefused);
    EXPECT_FALSE(write.Confirmed());
    EXPECT_TRUE(WrittenTags().empty());
    EXPECT_EQ(SimValue(tag), old);
    EXPECT_EQ(doc.Baseline().value(tag), old);
}
