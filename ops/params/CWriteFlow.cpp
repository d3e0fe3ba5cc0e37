#include "ops/params/CWriteFlow.h"
#include "data/CParameterText.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferProgress.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/params/CWriteJournal.h"
#include "ops/params/CWriteResults.h"
#include "res/StringTable.h"

#include <QStringList>

#include <memory>
#include <optional>

namespace {

// One line per record that was not confirmed, "0x1001 Name: why".
QString FailureLines(const std::vector<CWriteFlow::SFailure>& failures)
{
    QStringList lines;
    for (const CWriteFlow::SFailure& failure : failures) {
        lines << QStringLiteral("0x%1 %2: %3")
                     .arg(HexWord(failure.tag, EHexCase::Lower))
                     .arg(failure.name, CWriteResults::Reason(failure.result));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

bool CWriteFlow::CanWrite(const CTavrinDoc& doc)
{
    const CParameterSet& parameters = doc.Parameters();
    return doc.LinkReady() && !parameters.IsEmpty() && parameters.RecordCount() > 0 &&
           doc.DataType() == doc.ConnectedType();
}

QString CWriteFlow::TypeMismatchText(EControllerType dataType, EControllerType connectedType)
{
    // The table's text is in printf form with two %s.
    QString text = LoadString(EString::DataFromTypeCannotUpload);
    for (const EControllerType type : {dataType, connectedType}) {
        const qsizetype at = text.indexOf(QLatin1String("%s"));
        if (at < 0)
            break;
        text.replace(at, 2, CControllerLink::ControllerTypeName(type));
    }
    return text;
}

bool CWriteFlow::CheckSameType(CTavrinDoc& doc)
{
    const EControllerType dataType = doc.DataType();
    const EControllerType connectedType = doc.ConnectedType();
    if (dataType == connectedType)
        return true;
    doc.Prompt().Message(TypeMismatchText(dataType, connectedType),
                         IUserPrompt::EIcon::Exclamation);
    return false;
}

bool CWriteFlow::CheckAndConfirm(CTavrinDoc& doc, SOutcome& outcome)
{
    if (!CheckSameType(doc))
        return false;
    IUserPrompt& prompt = doc.Prompt();
    if (prompt.ConfirmOverwrite())
        return true;
    outcome.status = EStatus::Declined;
    prompt.Message(LoadString(EString::UploadCancelled), IUserPrompt::EIcon::Information);
    return false;
}

CWriteFlow::SRecordWrite CWriteFlow::WriteRecord(CControllerLink& link, const CParameter& record,
                                                 CWriteJournal* journal)
{
    SRecordWrite write;
    std::optional<std::uint16_t> before;
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        write.result = journal ? link.WriteParameter(record, journal->BeforeWrite(record))
                               : link.WriteParameter(record);
        // A write goes out only after a read was answered, so the first answered read of
        // the attempts saw the value the record overwrites; a later one may see the new value.
        if (!before)
            before = link.LastWriteCurrentValue();
        if (write.result == EWriteResult::Confirmed || write.result == EWriteResult::NotBackedUp)
            break;
    }
    if (journal)
        journal->Note(record, before, write.result);
    // A read-only parameter cannot be written, but when the controller already holds the
    // record's value it matches the display all the same.
    const bool alreadyEqual =
        write.result == EWriteResult::ReadOnly && link.LastWriteCurrentValue() == record.value;
    write.confirmed = write.result == EWriteResult::Confirmed || alreadyEqual;
    write.silent = write.result == EWriteResult::NoReply && !link.LastWriteCurrentValue();
    return write;
}

void CWriteFlow::WriteRecords(CControllerLink& link, const CTagFile& tags, EControllerType type,
                              const std::vector<const CParameter*>& records, IProgress* progress,
                              SOutcome& outcome, CWriteJournal* journal)
{
    const int count = static_cast<int>(records.size());
    if (journal && !journal->Ready()) {
        outcome.status = EStatus::NoBackup;
        return;
    }
    if (journal) {
        std::vector<std::uint16_t> order;
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            order.push_back((*it)->tagNumber);
        journal->SetListOrder(std::move(order));
    }
    if (progress)
        progress->SetRange(0, count);
    int silentInARow = 0;
    for (int k = 0; k < count; ++k) {
        const CParameter& record = *records[static_cast<std::size_t>(k)];
        if (progress) {
            progress->SetPosition(k);
            // No Cancel here; pumping only lets the window repaint. The transfer session
            // keeps every command of the main window off meanwhile.
            progress->Pump();
        }
        const CTagInfo* tag = tags.FindTag(record.tagNumber, type);
        if (!tag || !tag->AppliesToType(type)) {
            ++outcome.skipped;
            continue;
        }
        const SRecordWrite write = WriteRecord(link, record, journal);
        if (write.confirmed)
            ++outcome.confirmed;
        else
            outcome.failures.push_back(
                {record.tagNumber, CCodePage::ToUnicode(tag->name), write.result});

        silentInARow = write.silent ? silentInARow + 1 : 0;
        if (silentInARow >= kSilentRecordLimit) {
            outcome.status = EStatus::Stopped;
            for (int rest = k + 1; rest < count; ++rest) {
                const auto number = records[static_cast<std::size_t>(rest)]->tagNumber;
                const CTagInfo* other = tags.FindTag(number, type);
                outcome.notSent += other && other->AppliesToType(type);
            }
            if (progress)
                progress->SetPosition(count);
            return;
        }
    }
    if (progress)
        progress->SetPosition(count);
    outcome.status = EStatus::Finished;
}

void CWriteFlow::WritePass(CTavrinDoc& doc, IProgress* progress, SOutcome& outcome)
{
    const CParameterSet::List& stored = doc.Parameters().Parameters();
    std::vector<const CParameter*> records;
    records.reserve(stored.size());
    for (auto it = stored.rbegin(); it != stored.rend(); ++it)
        records.push_back(it->get());
    // The values overwritten go into a backup profile and each record into the change log.
    CWriteJournal journal(doc.Link(), doc.Tags(), doc.ConnectedType());
    WriteRecords(doc.Link(), doc.Tags(), doc.ConnectedType(), records, progress, outcome, &journal);
    outcome.backupPath = journal.Finish();
}

CWriteFlow::SOneWrite CWriteFlow::WriteOne(CControllerLink& link, const CTagFile& tags,
                                           EControllerType type, const CParameter& record)
{
    SOneWrite write;
    // Without a backup nothing is sent.
    CWriteJournal journal(link, tags, type);
    write.backupRefused = !journal.Ready();
    if (write.backupRefused)
        return write;
    write.result = link.WriteParameter(record, journal.BeforeWrite(record));
    journal.Note(record, link.LastWriteCurrentValue(), write.result);
    write.backupPath = journal.Finish();
    return write;
}

std::optional<EString> CWriteFlow::WriteOneRefusal(const CTavrinDoc& doc)
{
    if (doc.DataType() == doc.ConnectedType())
        return std::nullopt;
    return doc.LinkReady() ? EString::DataFromOtherType : EString::CommunicationError;
}

CWriteFlow::SOneWrite CWriteFlow::WriteOne(CTavrinDoc& doc, const CParameter& record)
{
    IUserPrompt& prompt = doc.Prompt();
    if (const std::optional<EString> refusal = WriteOneRefusal(doc)) {
        prompt.Message(LoadString(*refusal), IUserPrompt::EIcon::Exclamation);
        return {};
    }
    SOneWrite write;
    {
        // The poll must not interleave with the write's exchanges.
        CTransferSession session(doc);
        write = WriteOne(doc.Link(), doc.Tags(), doc.ConnectedType(), record);
    }
    if (write.backupRefused) {
        prompt.Message(CWriteJournal::RefusalText(), IUserPrompt::EIcon::Exclamation);
    } else if (write.result == EWriteResult::Confirmed) {
        doc.SetBaselineValue(record.tagNumber, record.value);
    } else if (const std::optional<EString> message = CWriteResults::Entry(write.result).message) {
        prompt.Message(LoadString(*message), IUserPrompt::EIcon::Stop);
    }
    return write;
}

void CWriteFlow::ReportFailures(IUserPrompt& prompt, const SOutcome& outcome, const QString& lead)
{
    const QString first = lead.isEmpty() ? QString() : lead + QLatin1Char('\n');
    if (outcome.status == EStatus::NoBackup) {
        prompt.Message(CWriteJournal::RefusalText(), IUserPrompt::EIcon::Exclamation);
    } else if (outcome.status == EStatus::Stopped) {
        prompt.MessageWithDetails(first + LoadString(EString::StoppedAnswering)
                                              .arg(outcome.failures.size() + outcome.notSent),
                                  FailureLines(outcome.failures), IUserPrompt::EIcon::Exclamation);
    } else if (!outcome.failures.empty()) {
        prompt.MessageWithDetails(
            first + LoadString(EString::ParametersNotWritten).arg(outcome.failures.size()),
            FailureLines(outcome.failures), IUserPrompt::EIcon::Exclamation);
    }
}

QString CWriteFlow::WrittenText(const SOutcome& outcome)
{
    // A record that was tried and not confirmed was sent all the same; one never tried
    // (the controller had stopped answering) or skipped was not.
    const int written = outcome.confirmed + int(outcome.failures.size());
    return LoadString(EString::WrittenConfirmed).arg(written).arg(outcome.confirmed);
}

void CWriteFlow::ReportWritten(CTavrinDoc& doc, const SOutcome& outcome)
{
    IUserPrompt& prompt = doc.Prompt();
    if (outcome.status != EStatus::NoBackup)
        doc.SetStatusMessageText(WrittenText(outcome));
    if (outcome.AllConfirmed())
        prompt.Message(WrittenText(outcome), IUserPrompt::EIcon::Information);
    else
        ReportFailures(prompt, outcome, WrittenText(outcome));
}

CWriteFlow::SOutcome CWriteFlow::Run(CTavrinDoc& doc)
{
    SOutcome outcome;
    if (!CheckAndConfirm(doc, outcome))
        return outcome;
    outcome = WriteAll(doc);
    ReportFailures(doc.Prompt(), outcome);
    return outcome;
}

CWriteFlow::SOutcome CWriteFlow::WriteAll(CTavrinDoc& doc)
{
    SOutcome outcome;
    {
        CTransferSession session(doc);
        std::unique_ptr<IProgress> progress = CTransferProgress::Begin(
            doc, CTavrinDoc::ETransferDirection::Writing,
            LoadString(EString::WritingDataToController), IUserPrompt::EProgressKind::Plain);
        doc.SetStatusMessage(EString::WritingToController);
        WritePass(doc, progress.get(), outcome);

        if (outcome.status != EStatus::NoBackup) {
            // Only a pass that confirmed every record may say the controller matches the
            // display.
            const bool allConfirmed = outcome.failures.empty() && outcome.notSent == 0;
            doc.SetEqualityPane(allConfirmed);
            // The controller now holds what is shown: nothing counts as changed any more, and
            // the list drops its change marks.
            if (allConfirmed) {
                doc.SetBaseline();
                doc.UpdateAllViews(0);
            }
        }
        doc.SetStatusMessage(EString::Ready);
    }
    return outcome;
}
