#pragma once

#include "link/LinkResults.h"

#include <cstdint>
#include <optional>
#include <vector>

class CTavrinDoc;

// Read from controller: fills the document with the connected controller's whole parameter
// set. Identifies the controller, then reads every tag of the tag list that applies to the
// connected type (seven exchanges a tag, up to kReadAttempts tries) behind a progress window
// with Cancel. Synchronous; the only re-entrancy is the progress window's pump between tags,
// during which the link-ready flag is clear so controller commands stay disabled.
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
        // Applying tags the controller answered as absent or not supported.
        std::vector<std::uint16_t> refused;

        bool Complete() const { return status == EStatus::Completed && unanswered.empty(); }
    };

    // Runs the whole command on `doc`: questions, messages and the progress window go
    // through doc.Prompt(); the frame and views follow the document's signals.
    static SOutcome Run(CTavrinDoc& doc);
};
