#include "ops/CWriteFlow.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "link/CControllerLink.h"
#include "ops/CTavrinDoc.h"
#include "ops/IUserPrompt.h"
#include "res/StringTable.h"

#include <memory>

namespace {

constexpr int kStringNotSupported = 4205;
constexpr int kStringReadOnly = 4206;
constexpr int kStringMismatch = 4207;
constexpr int kStringNoReply = 4208;
constexpr int kStringOtherResult = 4209;

// The failure message: a heading and one line per record, "0x1001 Name: why".
QString FailureText(const std::vector<CWriteFlow::SFailure>& failures)
{
    QString text = LoadString(CWriteFlow::kStringNotWritten).arg(failures.size());
    for (const CWriteFlow::SFailure& failure : failures) {
        text += QStringLiteral("\n0x%1 %2: %3")
                    .arg(failure.tag, 4, 16, QLatin1Char('0'))
                    .arg(failure.name, CWriteFlow::ResultText(failure.result));
    }
    return text;
}

} // namespace

bool CWriteFlow::CanWrite(const CTavrinDoc& doc)
{
    const CParameterSet& parameters = doc.Parameters();
    return doc.LinkReady() && !parameters.IsEmpty() && parameters.RecordCount() > 0 &&
           doc.DataType() == doc.ConnectedType();
}

QString CWriteFlow::TypeMismatchText(std::uint16_t dataType, std::uint16_t connectedType)
{
    // The table's text is in printf form with two %s.
    QString text = LoadString(kStringTypeMismatch);
    for (const std::uint16_t type : {dataType, connectedType}) {
        const qsizetype at = text.indexOf(QLatin1String("%s"));
        if (at < 0)
            break;
        text.replace(at, 2, CControllerLink::ControllerTypeName(type));
    }
    return text;
}

QString CWriteFlow::ResultText(int result)
{
    switch (result) {
    case CControllerLink::WriteNotSupported:
        return LoadString(kStringNotSupported);
    case CControllerLink::WriteReadOnly:
        return LoadString(kStringReadOnly);
    case CControllerLink::WriteMismatch:
        return LoadString(kStringMismatch);
    case CControllerLink::WriteNoReply:
        return LoadString(kStringNoReply);
    default:
        return LoadString(kStringOtherResult).arg(result);
    }
}

CWriteFlow::SOutcome CWriteFlow::Run(CTavrinDoc& doc)
{
    SOutcome outcome;
    IUserPrompt& prompt = doc.Prompt();
    const std::uint16_t dataType = doc.DataType();
    const std::uint16_t connectedType = doc.ConnectedType();
    if (dataType != connectedType) {
        prompt.Message(TypeMismatchText(dataType, connectedType), IUserPrompt::EIcon::Exclamation);
        return outcome;
    }
    if (!prompt.ConfirmOverwrite()) {
        outcome.status = EStatus::Declined;
        prompt.Message(LoadString(kStringCancelled), IUserPrompt::EIcon::Information);
        return outcome;
    }

    std::unique_ptr<IProgress> progress =
        prompt.BeginProgress(LoadString(kStringProgressTitle), IUserPrompt::EProgressKind::Plain);
    if (progress)
        progress->SetRange(0, kProgressRange);
    doc.SetStatusMessage(kStringDownloading);
    doc.SetLinkReady(false);
    doc.StopStatusPoll();

    CControllerLink& link = doc.Link();
    const CParameterSet::List& records = doc.Parameters().Parameters();
    const int count = static_cast<int>(records.size());
    for (int k = 0; k < count; ++k) {
        const CParameter& record = *records[static_cast<std::size_t>(count - 1 - k)];
        if (progress) {
            progress->SetPosition(k * kProgressRange / count);
            // No Cancel here; pumping only lets the window repaint. The link-ready flag is
            // clear, so no controller command can start meanwhile.
            progress->Pump();
        }
        const CTagInfo* tag = doc.Tags().FindTag(record.tagNumber, dataType);
        if (!tag || !tag->AppliesToType(connectedType)) {
            ++outcome.skipped;
            continue;
        }
        int result = CControllerLink::WriteNoReply;
        for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
            result = link.WriteParameter(record);
            if (result == CControllerLink::WriteOk)
                break;
        }
        // A read-only parameter cannot be written, but when the controller already holds
        // the record's value it matches the display all the same.
        const bool alreadyEqual = result == CControllerLink::WriteReadOnly &&
                                  link.LastWriteCurrentValue() == record.value;
        if (result == CControllerLink::WriteOk || alreadyEqual)
            ++outcome.confirmed;
        else
            outcome.failures.push_back({record.tagNumber, CCodePage::ToUnicode(tag->name), result});
    }
    outcome.status = EStatus::Finished;

    // Only a pass that confirmed every record may say the controller matches the display.
    doc.SetEqualityPane(outcome.failures.empty());
    doc.SetStatusMessage(kStringReady);
    progress.reset();
    doc.SetLinkReady(true);
    doc.StartStatusPoll();
    if (!outcome.failures.empty())
        prompt.Message(FailureText(outcome.failures), IUserPrompt::EIcon::Exclamation);
    return outcome;
}
