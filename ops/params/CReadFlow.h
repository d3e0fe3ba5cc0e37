#pragma once

#include "link/EControllerType.h"
#include "link/LinkResults.h"

#include <cstdint>
#include <optional>
#include <vector>

class CControllerLink;
class CParameterSet;
class CTagFile;
class CTavrinDoc;
class CTransferSession;
class IProgress;

// Read from controller: fills the document with the connected controller's whole parameter
// set. Identifies the controller, then reads every tag of the tag list that applies to the
// connected type (seven exchanges a tag, up to kReadAttempts tries) behind a progress window
// with Cancel. The read stops early when CWriteFlow::kSilentRecordLimit tags in a row get no
// reply at all: a silent controller would otherwise cost every remaining tag its attempts.
// Synchronous; the only re-entrancy is the progress window's pump between tags, during which the
// link-ready flag is clear so controller commands stay disabled.
class CReadFlow
{
public:
    static constexpr int kReadAttempts = 4;

    enum class EStatus
    {
        NotStarted, // no tag file, or the user cancelled the save question: nothing changed
        Cancelled,  // the user pressed Cancel; the document was emptied
        Completed,  // every applying tag was visited
    };

    struct SOutcome
    {
        EStatus status = EStatus::NotStarted;
        std::optional<EIdentifyResult> identifyResult; // none when Identify did not run
        int parametersRead = 0;                        // records appended
        // Applying tags that got no reply in their last attempt: the set is incomplete.
        std::vector<std::uint16_t> unanswered;
        // Applying tags never asked because the controller had stopped answering.
        std::vector<std::uint16_t> notRead;
        // Applying tags the controller answered as absent or not supported.
        std::vector<std::uint16_t> refused;

        bool Complete() const
        {
            return status == EStatus::Completed && unanswered.empty() && notRead.empty();
        }
    };

    // Runs the whole command on `doc`: questions, messages and the progress window go
    // through doc.Prompt(); the frame and views follow the document's signals.
    static SOutcome Run(CTavrinDoc& doc);
    // The same on a controller already identified as `type` (a command that identified it
    // itself): the controller is not asked again.
    static SOutcome Run(CTavrinDoc& doc, EControllerType type);

    // The reading loop alone: appends to `set` a record for every tag of `tags` that applies
    // to `type`, pumping `progress` (may be null) every tag and stopping after the tag during
    // which its Cancel was pressed or `session` was asked to end. The progress range is the
    // number of tags that apply to `type`, its position how many of them were asked so far
    // (also after the last one, unless cancelled). The outcome's status is Cancelled or
    // Completed; `closing` tells whether the session asked to end. Fills parametersRead,
    // unanswered, notRead and refused; identifyResult is left to the caller.
    static SOutcome ReadSet(CControllerLink& link, const CTagFile& tags, EControllerType type,
                            CParameterSet& set, IProgress* progress,
                            const CTransferSession& session, bool* closing = nullptr);

private:
    static SOutcome RunOn(CTavrinDoc& doc, std::optional<EControllerType> identified);
};
