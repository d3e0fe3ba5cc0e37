#include "ops/params/CConfirmedWrite.h"

#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "res/StringTable.h"

#include <memory>
#include <optional>

namespace {

using EDiff = CCompareFlow::EDiff;
using SWritePreview = IUserPrompt::SWritePreview;

// Write changed only on the comparison made, and what the user is told. The confirmation
// offers it only when every value is known; asked all the same, it writes nothing then.
CWriteFlow::SOutcome WriteChangedOnly(CTavrinDoc& doc,
                                      const CCompareFlow::SControllerRead& compared)
{
    CWriteFlow::SOutcome outcome;
    {
        CTransferSession session(doc);
        outcome = CCompareFlow::WriteChanged(doc, compared);
        doc.SetStatusMessage(EString::Ready);
    }
    IUserPrompt& prompt = doc.Prompt();
    const int unread = int(compared.unanswered.size() + compared.notRead.size());
    if (unread > 0) {
        prompt.Message(LoadString(EString::ChangedOnlyNotRead).arg(unread),
                       IUserPrompt::EIcon::Exclamation);
    } else if (outcome.status == CWriteFlow::EStatus::Finished && outcome.confirmed == 0 &&
               outcome.failures.empty()) {
        prompt.Message(LoadString(EString::ChangedOnlyNothingToWrite),
                       IUserPrompt::EIcon::Information);
    } else {
        CWriteFlow::ReportWritten(doc, outcome);
    }
    return outcome;
}

} // namespace

SWritePreview CConfirmedWrite::Preview(const std::vector<CCompareFlow::SRow>& rows)
{
    SWritePreview preview;
    for (const CCompareFlow::SRow& row : rows) {
        SWritePreview::SChange change;
        switch (row.diff) {
        case EDiff::Same:
        case EDiff::OnlyB: // the controller's side only: nothing here to write
            continue;
        case EDiff::Differ:
            change.before = row.textB;
            break;
        case EDiff::OnlyA:
            change.held = SWritePreview::EHeld::Refused;
            break;
        case EDiff::NoReply:
            change.held = SWritePreview::EHeld::NoReply;
            ++preview.unknown;
            break;
        }
        if (int(preview.changes.size()) == SWritePreview::kListLimit) {
            ++preview.more;
            continue;
        }
        change.name = row.name;
        change.after = row.textA;
        preview.changes.push_back(std::move(change));
    }
    return preview;
}

CWriteFlow::SOutcome CConfirmedWrite::Run(CTavrinDoc& doc)
{
    CWriteFlow::SOutcome outcome;
    if (!CWriteFlow::CheckSameType(doc))
        return outcome;
    const std::optional<CCompareFlow::SControllerRead> compared =
        CCompareFlow::DocReadController(doc);
    if (!compared) {
        outcome.status = CWriteFlow::EStatus::Declined;
        return outcome;
    }

    IUserPrompt& prompt = doc.Prompt();
    switch (prompt.ConfirmWrite(Preview(compared->rows))) {
    case IUserPrompt::EWriteChoice::Cancel:
        outcome.status = CWriteFlow::EStatus::Declined;
        prompt.Message(LoadString(EString::UploadCancelled), IUserPrompt::EIcon::Information);
        return outcome;
    case IUserPrompt::EWriteChoice::ChangedOnly:
        return WriteChangedOnly(doc, *compared);
    case IUserPrompt::EWriteChoice::All:
        break;
    }
    outcome = CWriteFlow::WriteAll(doc);
    CWriteFlow::ReportWritten(doc, outcome);
    return outcome;
}
