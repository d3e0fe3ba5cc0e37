#include "ops/params/CReadFlow.h"

#include "data/CParameter.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferProgress.h"
#include "doc/CTransferSession.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "ops/params/CWriteFlow.h"
#include "res/StringTable.h"

#include <memory>

namespace {

// Reads one tag into a new record, trying up to kReadAttempts times. Returns the record, or
// nullptr with `noReply` telling whether every attempt went unanswered. One refusal is the
// controller's answer: an attempt lost on the line after it does not make the tag silent.
std::unique_ptr<CParameter> ReadTag(CControllerLink& link, const CTagInfo& tag, bool& noReply)
{
    auto record = std::make_unique<CParameter>();
    noReply = true;
    for (int attempt = 0; attempt < CReadFlow::kReadAttempts; ++attempt) {
        *record = CParameter();
        if (link.ReadParameter(tag.tag, tag.unitsCode, *record) == EReadResult::Read) {
            record->displayWord = tag.displayWord;
            noReply = false;
            return record;
        }
        noReply = noReply && link.LastReadFailure() == EReadFailure::NoReply;
    }
    return nullptr;
}

} // namespace

CReadFlow::SOutcome CReadFlow::ReadSet(CControllerLink& link, const CTagFile& tags,
                                       EControllerType type, CParameterSet& set,
                                       IProgress* progress, const CTransferSession& session,
                                       bool* closing)
{
    SOutcome outcome;
    outcome.status = EStatus::Completed;
    bool cancelled = false;
    bool ending = false;
    // The bar counts the records of this type: the tags of other types are passed over.
    int applying = 0;
    for (const auto& tag : tags.Tags())
        applying += tag->AppliesToType(type);
    if (progress)
        progress->SetRange(0, applying);
    int done = 0;
    int silentInARow = 0;
    for (const auto& tag : tags.Tags()) {
        if (silentInARow >= CWriteFlow::kSilentRecordLimit) {
            // The controller stopped answering: the rest are not asked.
            if (tag->AppliesToType(type))
                outcome.notRead.push_back(tag->tag);
            continue;
        }
        if (progress) {
            progress->SetPosition(done);
            cancelled = progress->Pump();
        }
        ending = session.CancelRequested();
        cancelled = cancelled || ending;
        if (tag->AppliesToType(type)) {
            ++done;
            bool noReply = false;
            if (std::unique_ptr<CParameter> record = ReadTag(link, *tag, noReply)) {
                set.Append(std::move(record));
                ++outcome.parametersRead;
            } else if (noReply) {
                outcome.unanswered.push_back(tag->tag);
            } else {
                outcome.refused.push_back(tag->tag);
            }
            silentInARow = noReply ? silentInARow + 1 : 0;
        }
        if (cancelled) {
            outcome.status = EStatus::Cancelled;
            break;
        }
    }
    if (progress && outcome.status == EStatus::Completed)
        progress->SetPosition(done);
    if (closing)
        *closing = ending;
    return outcome;
}

CReadFlow::SOutcome CReadFlow::Run(CTavrinDoc& doc)
{
    return RunOn(doc, std::nullopt);
}

CReadFlow::SOutcome CReadFlow::Run(CTavrinDoc& doc, EControllerType type)
{
    return RunOn(doc, type);
}

CReadFlow::SOutcome CReadFlow::RunOn(CTavrinDoc& doc, std::optional<EControllerType> identified)
{
    SOutcome outcome;
    IUserPrompt& prompt = doc.Prompt();
    const CTagFile& tags = doc.Tags();
    if (tags.Tags().empty()) {
        prompt.Message(LoadString(EString::NoTagFileToProceed), IUserPrompt::EIcon::Exclamation);
        return outcome;
    }
    if (!doc.SaveModified())
        return outcome;

    doc.DeleteContents();
    doc.SetPathName(QString::fromLatin1(CTavrinDoc::kDownloaded), false);

    bool cancelled = false;
    bool closing = false;
    EControllerType type = EControllerType::None;
    {
        // The link-ready flag stays clear until the read ends, whatever Identify finds: no
        // other controller command may start in the middle of this one, and the main window
        // takes no commands while the progress window pumps between tags.
        CTransferSession session(doc, CTransferSession::ECancel::Allowed);
        std::unique_ptr<IProgress> progress =
            CTransferProgress::Begin(doc, CTavrinDoc::ETransferDirection::Reading,
                                     LoadString(EString::ReadingDataFromController),
                                     IUserPrompt::EProgressKind::Cancellable);
        doc.SetStatusMessage(EString::ReadingFromController);

        CControllerLink& link = doc.Link();
        if (identified) {
            type = *identified;
        } else {
            outcome.identifyResult = link.Identify(type);
            doc.SetConnectedType(type);
        }

        const SOutcome read =
            ReadSet(link, tags, type, doc.Parameters(), progress.get(), session, &closing);
        cancelled = read.status == EStatus::Cancelled;
        outcome.parametersRead = read.parametersRead;
        outcome.unanswered = read.unanswered;
        outcome.notRead = read.notRead;
        outcome.refused = read.refused;
        progress.reset();

        // A set with tags the controller never answered is partial: it must not show as equal.
        doc.SetEqualityPane(!cancelled && outcome.unanswered.empty() && outcome.notRead.empty());
        CParameterSet& parameters = doc.Parameters();
        parameters.SetHeaderWord(CParameterSet::kReadHeaderWord);
        parameters.SetDataControllerType(ControllerTypeNumber(type));
        doc.SetStatusMessage(EString::Ready);
        // The next poll corrects the flag if the controller has gone.
        session.SetLinkReadyAfter(true);
    }

    if (cancelled) {
        outcome.status = EStatus::Cancelled;
        doc.DeleteContents();
        doc.SetTitle(QString::fromLatin1(CTavrinDoc::kUntitled));
        doc.SetModified(false);
        // A read stopped because the window is closing needs no message: the user asked.
        if (!closing)
            prompt.Message(LoadString(EString::ReadAborted), IUserPrompt::EIcon::Exclamation);
    } else {
        outcome.status = EStatus::Completed;
        doc.Parameters().SetEmpty(false);
        doc.SetBaseline();
        doc.SetModified(true);
        const std::size_t missing = outcome.unanswered.size() + outcome.notRead.size();
        if (missing > 0) {
            prompt.Message(LoadString(EString::ParametersNotRead).arg(missing),
                           IUserPrompt::EIcon::Exclamation);
        }
    }
    doc.UpdateAllViews(0);
    return outcome;
}
