#pragma once

#include "doc/IUserPrompt.h"
#include "ops/params/CCompareFlow.h"
#include "ops/params/CWriteFlow.h"

#include <vector>

class CTavrinDoc;

// The main window's Write to Controller and Write Changed Only: a write that says first what
// it will change. After the type check the document is compared with the controller (one
// value read a record, behind a progress window with Cancel); the user then sees the records
// that differ in one confirmation and chooses to write those only, all of them, or nothing.
// Afterwards the message pane and a message say how many records were written and how many
// the controller confirmed.
class CConfirmedWrite
{
public:
    // What the confirmation lists for a comparison with the controller: the rows that are
    // not Same, in their order, the first SWritePreview::kListLimit of them in full.
    static IUserPrompt::SWritePreview Preview(const std::vector<CCompareFlow::SRow>& rows);

    // Runs the command on `doc`; everything the user sees goes through doc.Prompt().
    // Nothing is sent after the comparison when it is cancelled (or the main window is
    // closing), nor when the confirmation is answered Cancel ("Upload cancelled", status
    // Declined). "Write all" writes as CWriteFlow::Run does; "write changed only"
    // writes what CCompareFlow::WriteChanged finds differing in the comparison already made.
    static CWriteFlow::SOutcome Run(CTavrinDoc& doc);
};
