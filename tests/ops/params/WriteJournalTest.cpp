// Backups and the change log that every write to a controller leaves, against the simulated
// type-10 controller. The data folder is a temporary one (see CoreTestMain).
#include "FlowTestSupport.h"

#include "data/CCodePage.h"
#include "data/CEepromImage.h"
#include "ops/eeprom/CEepromBackup.h"
#include "ops/eeprom/CEepromTransfer.h"
#include "ops/params/CReadFlow.h"
#include "ops/params/CWriteFlow.h"
#include "ops/params/CWriteJournal.h"
#include "ops/tools/CEepromDefaults.h"
#include "res/StringTable.h"
#include "store/CBackups.h"
#include "store/CChangeLog.h"

#include <QDir>
#include <QFile>

#include <mutex>

namespace {

class WriteJournalTest : public FlowTest
{
protected:
    void SetUp() override
    {
        FlowTest::SetUp();
        if (HasFatalFailure())
            return;
        QDir(CBackups::DataFolder()).removeRecursively();
    }

    // Reads the controller, keeps the first `count` writable records of the set and gives
    // each a new value within its limits; returns the controller's values by tag.
    std::map<std::uint16_t, std::uint16_t> ReadAndChange(int count)
    {
        EXPECT_TRUE(CReadFlow::Run(doc).Complete());
        std::vector<CParameter> kept;
        for (const auto& record : doc.Parameters().Parameters()) {
            if (!record->readOnly && record->maximum != record->minimum &&
                static_cast<int>(kept.size()) < count)
                kept.push_back(*record);
        }
        std::map<std::uint16_t, std::uint16_t> before;
        doc.Parameters().Clear();
        for (CParameter record : kept) {
            before[record.tagNumber] = record.value;
            record.value = record.value == record.minimum ? record.maximum : record.minimum;
            doc.Parameters().Append(std::make_unique<CParameter>(record));
        }
        doc.Parameters().SetEmpty(false);
        sim.ClearRequests();
        return before;
    }
};

TEST_F(WriteJournalTest, AWriteCutShortLeavesABackupOfTheValuesItOverwrote)
{
    const std::map<std::uint16_t, std::uint16_t> before = ReadAndChange(8);
    ASSERT_EQ(before.size(), 8u);
    // The controller stops answering once three records have had their requests.
    auto seen = std::make_shared<std::set<std::uint16_t>>();
    AnswerThrough(
        [seen](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
            if (request.word1 >= 0x100 && !seen->count(request.word1)) {
                if (seen->size() == 3)
                    return std::nullopt;
                seen->insert(request.word1);
            }
            return model.Answer(request);
        });

    prompt.ExpectOverwrite(true);
    prompt.ExpectMessageContaining(LoadString(EString::StoppedAnswering).arg(5));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    ASSERT_EQ(outcome.status, CWriteFlow::EStatus::Stopped);
    ASSERT_EQ(outcome.confirmed, 3);
    ASSERT_FALSE(outcome.backupPath.isEmpty());
    EXPECT_TRUE(outcome.backupPath.startsWith(CBackups::Folder() + QLatin1Char('/') +
                                              CControllerLink::ControllerTypeName(kType) +
                                              QLatin1Char('-')))
        << outcome.backupPath.toStdString();
    EXPECT_TRUE(outcome.backupPath.endsWith(QStringLiteral(".prf")));

    // A profile of the connected type holding the three written records with the values the
    // controller had, everything else as the document's.
    CParameterSet backup;
    ASSERT_TRUE(backup.LoadFile(outcome.backupPath).Ok());
    EXPECT_EQ(backup.DataControllerType(), ControllerTypeNumber(kType));
    ASSERT_EQ(backup.RecordCount(), 3);
    for (const auto& record : backup.Parameters()) {
        ASSERT_TRUE(seen->count(record->tagNumber));
        EXPECT_EQ(record->value, before.at(record->tagNumber));
        CParameter expected = *doc.Parameters().FindParameter(record->tagNumber);
        expected.value = before.at(record->tagNumber);
        // The controller's checksum word moves with every write; see the test below.
        expected.checksumWord = record->checksumWord;
        expected.recordChecksum = record->recordChecksum;
        EXPECT_EQ(*record, expected);
    }
}

TEST_F(WriteJournalTest, ALossyLineBacksUpEveryRecordChangedWithItsOldValueInListOrder)
{
    const std::map<std::uint16_t, std::uint16_t> before = ReadAndChange(24);
    ASSERT_EQ(before.size(), 24u);
    const std::vector<std::uint16_t> listOrder = RecordTags();
    std::vector<const CParameter*> records; // last first, as the write pass sends them
    for (auto it = doc.Parameters().Parameters().rbegin();
         it != doc.Parameters().Parameters().rend(); ++it)
        records.push_back(it->get());

    // Three replies in ten lost: first reads go unanswered, and so do writes that took.
    CSimFaults faults;
    faults.random.drop = 0.3;
    faults.random.seed = 7;
    sim.SetFaults(faults);
    CWriteFlow::SOutcome outcome;
    QString path;
    {
        CWriteJournal journal(link, doc.Tags(), kType);
        ASSERT_TRUE(journal.Ready());
        CWriteFlow::WriteRecords(link, doc.Tags(), kType, records, nullptr, outcome, &journal);
        path = journal.Finish();
    }
    sim.SetFaults({});
    ASSERT_GT(sim.FaultCounts().dropped, 0);

    // Every record the controller now holds changed is in the backup with the value it had.
    std::vector<std::uint16_t> changed;
    sim.WithModel([&](CSimModel& m) {
        for (const std::uint16_t tag : listOrder) {
            if (m.Tag(tag)->value != before.at(tag))
                changed.push_back(tag);
        }
    });
    ASSERT_GE(outcome.confirmed, 12) << "a lossy line, not a dead one";
    ASSERT_GE(static_cast<int>(changed.size()), outcome.confirmed);
    CParameterSet backup;
    ASSERT_TRUE(backup.LoadFile(path).Ok()) << path.toStdString();
    std::vector<std::uint16_t> backedUp;
    for (const auto& record : backup.Parameters()) {
        backedUp.push_back(record->tagNumber);
        EXPECT_EQ(record->value, before.at(record->tagNumber)) << record->tagNumber;
    }
    for (const std::uint16_t tag : changed)
        EXPECT_NE(std::find(backedUp.begin(), backedUp.end(), tag), backedUp.end()) << tag;
    // In list order, although written last first.
    std::vector<std::uint16_t> inListOrder;
    for (const std::uint16_t tag : listOrder) {
        if (std::find(backedUp.begin(), backedUp.end(), tag) != backedUp.end())
            inListOrder.push_back(tag);
    }
    EXPECT_EQ(backedUp, inListOrder);

    // And every changed record's change-log line tells the value it had.
    for (const CChangeLog::SLine& line : CChangeLog::Read()) {
        const auto tag = static_cast<std::uint16_t>(line.tag.toUInt(nullptr, 0));
        if (std::find(changed.begin(), changed.end(), tag) == changed.end())
            continue;
        CParameter old = *doc.Parameters().FindParameter(tag);
        old.value = before.at(tag);
        EXPECT_EQ(line.oldValue,
                  old.ValueText(*doc.Tags().FindTag(tag, kType), ControllerTypeNumber(kType)))
            << tag;
    }
}

TEST_F(WriteJournalTest, EachRecordIsOnDiskBeforeItsWriteAndOneThatCannotBeSavedIsNotWritten)
{
    const std::map<std::uint16_t, std::uint16_t> before = ReadAndChange(4);
    ASSERT_EQ(before.size(), 4u);
    // The document's checksum words and flags are not the controller's: the backup must keep
    // the controller's, as a read would.
    for (const auto& record : doc.Parameters().Parameters()) {
        record->checksumWord ^= 0x5A5A;
        record->isVolatile = !record->isVolatile;
    }
    const std::vector<std::uint16_t> order = RecordTags(); // written from the last
    const QString folder = CBackups::Folder();
    const QString moved = CBackups::DataFolder() + QStringLiteral("/moved");

    struct SSeen
    {
        std::mutex lock;
        std::map<std::uint16_t, CLinkRecord> firstReply; // to the first read of each value
        std::map<std::uint16_t, bool> onDiskAtWrite;     // the backup held it as it came
        bool swapped = false;
    };
    auto seen = std::make_shared<SSeen>();
    const std::uint16_t third = order[1];
    AnswerThrough([=](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
        const bool ours =
            before.count(request.word1) && request.extension == LinkProtocol::kExtValue;
        std::lock_guard<std::mutex> guard(seen->lock);
        if (ours && request.control == LinkProtocol::kControlRead && request.word1 == third &&
            !seen->swapped) {
            // The folder goes and a file takes its name: every save from now on fails.
            QFile file(folder);
            seen->swapped = QDir().rename(folder, moved) && file.open(QIODevice::WriteOnly);
        }
        if (ours && request.control == LinkProtocol::kControlWrite) {
            const QStringList files =
                QDir(folder).entryList({QStringLiteral("*.prf")}, QDir::Files);
            CParameterSet set;
            const bool loaded =
                files.size() == 1 && set.LoadFile(folder + QLatin1Char('/') + files[0]).Ok();
            const CParameter* kept = loaded ? set.FindParameter(request.word1) : nullptr;
            seen->onDiskAtWrite[request.word1] = kept && kept->value == before.at(request.word1);
        }
        const std::optional<CLinkRecord> reply = model.Answer(request);
        if (reply && ours && request.control == LinkProtocol::kControlRead)
            seen->firstReply.emplace(request.word1, *reply);
        return reply;
    });

    prompt.ExpectOverwrite(true);
    prompt.ExpectMessageContaining(LoadString(EString::ParametersNotWritten).arg(2));
    const CWriteFlow::SOutcome outcome = CWriteFlow::Run(doc);
    std::lock_guard<std::mutex> guard(seen->lock);
    ASSERT_TRUE(seen->swapped);
    EXPECT_EQ(outcome.confirmed, 2);
    const std::map<std::uint16_t, bool> onDisk = {{order[3], true}, {order[2], true}};
    EXPECT_EQ(seen->onDiskAtWrite, onDisk);
    // The two whose backup could not be saved were not written, and the user is told why.
    ASSERT_EQ(outcome.failures.size(), 2u);
    for (const CWriteFlow::SFailure& failure : outcome.failures) {
        EXPECT_EQ(failure.result, EWriteResult::NotBackedUp);
        EXPECT_EQ(RequestsFor(failure.tag, LinkProtocol::kControlWrite), 0) << failure.tag;
    }
    EXPECT_EQ(outcome.failures[0].tag, order[1]);

    // The backup: list order, the old values, the controller's checksum word and flags.
    const QStringList files = QDir(moved).entryList({QStringLiteral("*.prf")}, QDir::Files);
    ASSERT_EQ(files.size(), 1);
    CParameterSet backup;
    ASSERT_TRUE(backup.LoadFile(moved + QLatin1Char('/') + files[0]).Ok());
    ASSERT_EQ(backup.RecordCount(), 2);
    for (int i = 0; i < 2; ++i) {
        const CParameter& record = *backup.Parameters()[static_cast<std::size_t>(i)];
        ASSERT_EQ(record.tagNumber, order[static_cast<std::size_t>(2 + i)]);
        const CLinkRecord& reply = seen->firstReply.at(record.tagNumber);
        EXPECT_EQ(record.value, before.at(record.tagNumber));
        EXPECT_EQ(record.checksumWord, reply.word3);
        EXPECT_EQ(record.FlagsByte(), reply.control);
        EXPECT_EQ(record.extension, reply.extension);
    }
}

TEST_F(WriteJournalTest, EveryRecordWrittenGetsAChangeLogLineWithOldAndNewValues)
{
    const std::map<std::uint16_t, std::uint16_t> before = ReadAndChange(2);
    ASSERT_EQ(before.size(), 2u);
    prompt.ExpectOverwrite(true);
    ASSERT_TRUE(CWriteFlow::Run(doc).AllConfirmed());

    QFile file(CChangeLog::Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readLine().startsWith("Time,User,Port,Controller,Versions,Tag,Name,Old"));
    const std::vector<CChangeLog::SLine> lines = CChangeLog::Read();
    ASSERT_EQ(lines.size(), 2u);
    // Last record first, as written.
    const auto& records = doc.Parameters().Parameters();
    for (std::size_t i = 0; i < 2; ++i) {
        const CParameter& record = *records[1 - i];
        const CTagInfo* tag = doc.Tags().FindTag(record.tagNumber, kType);
        ASSERT_NE(tag, nullptr);
        CParameter old = record;
        old.value = before.at(record.tagNumber);
        const CChangeLog::SLine& line = lines[i];
        EXPECT_EQ(line.tag.toUInt(nullptr, 0), record.tagNumber);
        EXPECT_EQ(line.name, CCodePage::ToUnicode(tag->name));
        EXPECT_EQ(line.oldValue, old.ValueText(*tag, ControllerTypeNumber(kType)));
        EXPECT_EQ(line.newValue, record.ValueText(*tag, ControllerTypeNumber(kType)));
        EXPECT_NE(line.oldValue, line.newValue);
        EXPECT_EQ(line.result, QStringLiteral("confirmed"));
        EXPECT_EQ(line.port, sim.SlavePath());
        EXPECT_EQ(line.controller, CControllerLink::ControllerTypeName(kType));
        EXPECT_TRUE(QDateTime::fromString(line.time, Qt::ISODate).isValid());
    }
}

TEST_F(WriteJournalTest, OnlyTheNewestBackupsAreKept)
{
    ASSERT_TRUE(QDir().mkpath(CBackups::Folder()));
    const QDateTime old = QDateTime::currentDateTime().addDays(-30);
    for (int i = 0; i < CBackups::kKeep; ++i) {
        QFile file(CBackups::Folder() +
                   QStringLiteral("/old-%1.prf").arg(i, 3, 10, QLatin1Char('0')));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // old-000 is the oldest.
        file.setFileTime(old.addSecs(i), QFileDevice::FileModificationTime);
    }
    const QString path = CBackups::Reserve(kType, QStringLiteral("eep"));
    ASSERT_FALSE(path.isEmpty());
    CBackups::Prune();
    const QStringList left = QDir(CBackups::Folder()).entryList(QDir::Files);
    EXPECT_EQ(left.size(), CBackups::kKeep);
    EXPECT_FALSE(left.contains(QStringLiteral("old-000.prf")));
    EXPECT_TRUE(left.contains(QStringLiteral("old-001.prf")));
    EXPECT_TRUE(QFile::exists(path));
    // A second backup in the same second gets a name of its own.
    const QString second =
        CBackups::Reserve(kType, QStringLiteral("eep"), QFileInfo(path).lastModified());
    EXPECT_NE(second, path);
}

TEST_F(WriteJournalTest, EepromSendSavesThePresentBytesFirstAndWithoutThemWritesNothing)
{
    std::vector<std::uint8_t> present;
    sim.WithModel([&present](CSimModel& m) {
        for (std::size_t i = 0; i < 4; ++i)
            m.Eeprom()[i] = static_cast<std::uint8_t>(0x40 + i);
        present.assign(m.Eeprom().begin(), m.Eeprom().begin() + 4);
    });
    CEepromImage image;
    image.SetControllerType(ControllerTypeNumber(kType));
    for (std::uint8_t byte : {0x11, 0x22, 0x33, 0x44})
        image.Append(byte);

    CEepromTransfer transfer(doc);
    prompt.ExpectQuestion(LoadString(EString::EepromProgramWarning), IUserPrompt::EAnswer::Yes);
    prompt.ExpectMessage(LoadString(EString::EepromUpdated), IUserPrompt::EIcon::Information);
    const CEepromTransfer::SOutcome sent = transfer.Send(image);
    ASSERT_EQ(sent.result, CEepromTransfer::EResult::Done);
    CEepromImage backup;
    ASSERT_TRUE(backup.LoadFile(sent.backupPath).Ok()) << sent.backupPath.toStdString();
    EXPECT_EQ(backup.ControllerType(), ControllerTypeNumber(kType));
    EXPECT_EQ(backup.ToBinary().mid(4), QByteArray("\x40\x41\x42\x43", 4));
    sim.WithModel([](CSimModel& m) { EXPECT_EQ(m.Eeprom()[3], 0x44); });

    // The backup's read of address 2 goes unanswered: nothing may be written.
    AnswerThrough([](const CLinkRecord& request, CSimModel& model) -> std::optional<CLinkRecord> {
        if (request.extension == LinkProtocol::kExtEepromByte && request.word1 == 2)
            return std::nullopt;
        return model.Answer(request);
    });
    sim.ClearRequests();
    prompt.ExpectQuestion(LoadString(EString::EepromProgramWarning), IUserPrompt::EAnswer::Yes);
    prompt.ExpectMessageContaining(CEepromBackup::NothingProgrammedText());
    const CEepromTransfer::SOutcome refused = transfer.Send(image);
    EXPECT_EQ(refused.result, CEepromTransfer::EResult::NoBackup);
    EXPECT_TRUE(refused.backupPath.isEmpty());
    EXPECT_EQ(RequestsFor(0, LinkProtocol::kControlWrite, LinkProtocol::kExtEepromByte), 0);
    EXPECT_EQ(RequestsFor(1, LinkProtocol::kControlWrite, LinkProtocol::kExtEepromByte), 0);
}

} // namespace

TEST_F(WriteJournalTest, EepromDefaultsSavesTheSetFirstAndCancelSendsNoReset)
{
    std::map<std::uint16_t, std::uint16_t> before;
    std::uint16_t changed = 0;
    sim.WithModel([&](CSimModel& m) {
        for (const auto& [number, t] : m.Tags()) {
            if (!changed && !t.fixed && t.maximum > t.minimum) {
                changed = number;
                m.SetDefault(number, t.minimum);
                CSimTag tag = t;
                tag.value = t.minimum + 1;
                m.SetTag(number, tag);
            }
        }
        m.ResetChecksum();
        for (const auto& [number, t] : m.Tags())
            before[number] = t.value;
    });
    ASSERT_NE(changed, 0);
    const auto valueNow = [&] {
        std::uint16_t v = 0;
        sim.WithModel([&](CSimModel& m) { v = m.Tag(changed)->value; });
        return v;
    };
    using EAnswer = IUserPrompt::EAnswer;
    const QString cancelled = LoadString(EString::EepromResetCancelled);

    // Cancel at the question, and Cancel in the read's progress window: nothing is reset.
    prompt.ExpectQuestion(LoadString(EString::ResetEepromQuestion), EAnswer::Yes)
        .ExpectQuestion(LoadString(EString::EepromBackupQuestion), EAnswer::Cancel)
        .ExpectMessage(cancelled, IUserPrompt::EIcon::Information);
    EXPECT_EQ(CEepromDefaults(doc).Run(), CEepromDefaults::EResult::Declined);
    prompt.CancelProgressAfter(3);
    prompt.ExpectQuestion(LoadString(EString::ResetEepromQuestion), EAnswer::Yes)
        .ExpectQuestion(LoadString(EString::EepromBackupQuestion), EAnswer::Yes)
        .ExpectMessage(cancelled, IUserPrompt::EIcon::Information);
    EXPECT_EQ(CEepromDefaults(doc).Run(), CEepromDefaults::EResult::Declined);
    EXPECT_EQ(valueNow(), before.at(changed));
    EXPECT_TRUE(CBackups::List().empty());

    prompt.CancelProgressAfter(0);
    prompt.ExpectQuestion(LoadString(EString::ResetEepromQuestion), EAnswer::Yes)
        .ExpectQuestion(LoadString(EString::EepromBackupQuestion), EAnswer::Yes)
        .ExpectMessage(LoadString(EString::EepromResetToDefaults), IUserPrompt::EIcon::Information);
    CEepromDefaults defaults(doc);
    EXPECT_EQ(defaults.Run(), CEepromDefaults::EResult::Done);
    EXPECT_NE(valueNow(), before.at(changed)) << "the reset went out";

    const auto backups = CBackups::List();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].path, defaults.BackupPath());
    EXPECT_TRUE(backups[0].path.endsWith(QStringLiteral(".prf")));
    CParameterSet saved;
    ASSERT_TRUE(saved.LoadFile(backups[0].path).Ok());
    EXPECT_EQ(saved.DataControllerType(), ControllerTypeNumber(kType));
    EXPECT_EQ(saved.RecordCount(), static_cast<int>(ApplyingTags().size()));
    for (const auto& record : saved.Parameters())
        EXPECT_EQ(record->value, before.at(record->tagNumber)) << record->tagNumber;
    ASSERT_NE(saved.FindParameter(changed), nullptr);
}
