#include "ops/CWriteFlow.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "link/CControllerLink.h"
#include "ops/CTavrinDoc.h"
#include "ops/CTransferSession.h"
#include "ops/CWriteResults.h"
#include "ops/IUserPrompt.h"
#include "res/StringTable.h"

#include <QStringList>

#include <memory>

namespace {

// One line per record that was not confirmed, "0x1001 Name: why".
QString FailureLines(const std::vector<CWriteFlow::SFailure>& failures)
{
    QStringList lines;
    for (const CWriteFlow::SFailure& failure : failures) {
        lines << QStringLiteral("0x%1 %2: %3")
                     .arg(failure.tag, 4, 16, QLatin1Char('0'))
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

void CWriteFlow::WritePass(CTavrinDoc& doc, IProgress* progress, SOutcome& outcome)
{
    CControllerLink& link = doc.Link();
    const EControllerType type = doc.ConnectedType();
    const CParameterSet::List& records = doc.Parameters().Parameters();
    const int count = static_cast<int>(records.size());
    int silentInARow = 0;
    for (int k = 0; k < count; ++k) {
        const CParameter& record = *records[static_cast<std::size_t>(count - 1 - k)];
        if (progress) {
            progress->SetPosition(k * kProgressRange / count);
            // No Cancel here; pumping only lets the window repaint. The transfer session
            // keeps every command of the main window off meanwhile.
            progress->Pump();
        }
        const CTagInfo* tag = doc.Tags().FindTag(record.tagNumber, type);
        if (!tag || !tag->AppliesToType(type)) {
            ++outcome.skipped;
            continue;
        }
        EWriteResult result = EWriteResult::NoReply;
        for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
            result = link.WriteParameter(record);
            if (result == EWriteResult::Confirmed)
                break;
        }
        // A read-only parameter cannot be written, but when the controller already holds
        // the record's value it matches the display all the same.
        const bool alreadyEqual =
            result == EWriteResult::ReadOnly && link.LastWriteCurrentValue() == record.value;
        if (result == EWriteResult::Confirmed || alreadyEqual)
            ++outcome.confirmed;
        else
            outcome.failures.push_back({record.tagNumber, CCodePage::ToUnicode(tag->name), result});

        // The last attempt's very first read went unanswered: nothing came back at all.
        const bool silent = result == EWriteResult::NoReply && !link.LastWriteCurrentValue();
        silentInARow = silent ? silentInARow + 1 : 0;
        if (silentInARow >= kSilentRecordLimit) {
            outcome.status = EStatus::Stopped;
            for (int rest = k + 1; rest < count; ++rest) {
                const auto number = records[static_cast<std::size_t>(count - 1 - rest)]->tagNumber;
                const CTagInfo* other = doc.Tags().FindTag(number, type);
                outcome.notSent += other && other->AppliesToType(type);
            }
            return;
        }
    }
    outcome.status = EStatus::Finished;
}

CWriteFlow::SOutcome CWriteFlow::Run(CTavrinDoc& doc)
{
    SOutcome outcome;
    IUserPrompt& prompt = doc.Prompt();
    const EControllerType dataType = doc.DataType();
    const EControllerType connectedType = doc.ConnectedType();
    if (dataType != connectedType) {
        prompt.Message(TypeMismatchText(dataType, connectedType), IUserPrompt::EIcon::Exclamation);
        return outcome;
    }
    if (!prompt.ConfirmOverwrite()) {
        outcome.status = EStatus::Declined;
        prompt.Message(LoadString(EString::UploadCancelled), IUserPrompt::EIcon::Information);
        return outcome;
    }

    {
        CTransferSession session(doc);
        std::unique_ptr<IProgress> progress = prompt.BeginProgress(
            LoadString(EString::WritingDataToController), IUserPrompt::EProgressKind::Plain);
        if (progress)
            progress->SetRange(0, kProgressRange);
        doc.SetStatusMessage(EString::Downloading);
        WritePass(doc, progress.get(), outcome);

        // Only a pass that confirmed every record may say the controller matches the display.
        doc.SetEqualityPane(outcome.failures.empty() && outcome.notSent == 0);
        doc.SetStatusMessage(EString::Ready);
    }
    if (outcome.status == EStatus::Stopped) {
        prompt.MessageWithDetails(
            LoadString(EString::StoppedAnswering).arg(outcome.failures.size() + outcome.notSent),
            FailureLines(outcome.failures), IUserPrompt::EIcon::Exclamation);
    } else if (!outcome.failures.empty()) {
        prompt.MessageWithDetails(
            LoadString(EString::ParametersNotWritten).arg(outcome.failures.size()),
            FailureLines(outcome.failures), IUserPrompt::EIcon::Exclamation);
    }
    return outcome;
}
