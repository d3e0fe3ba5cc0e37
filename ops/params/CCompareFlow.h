#pragma once

#include "link/EControllerType.h"
#include "ops/params/CWriteFlow.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class CControllerLink;
class CParameterSet;
class CTagFile;
class CTavrinDoc;
class CWriteJournal;
class IProgress;
class IUserPrompt;

// Compares the document's parameter set with a connected controller or with a profile, and
// writes chosen records of it to the controller.
//
// The core works on a link, a tag file and a parameter set, without the document, so that a
// command-line diff or a write of changed records only, or one worker thread per port, can
// drive it; the Doc entry points wrap it for the main window (transfer session, progress
// window, messages).
class CCompareFlow
{
public:
    // Value reads per record before it counts as unanswered (as the read from controller).
    static constexpr int kReadAttempts = 4;

    enum class EDiff
    {
        Same,    // both sides hold the record with the same value
        Differ,  // both sides hold it, with different values
        OnlyA,   // only here (in the document); for a controller: it refused the parameter
        OnlyB,   // only there (in the other profile)
        NoReply, // the controller did not answer for it: its value is unknown
    };

    struct SRow
    {
        std::uint16_t tag = 0;
        QString name;  // the tag's name from the tag file
        QString textA; // value here, formatted as the parameter list shows it; empty if none
        QString textB; // value there, likewise
        std::optional<std::uint16_t> valueA;
        std::optional<std::uint16_t> valueB;
        EDiff diff = EDiff::Same;
    };

    // Compares set `a` (here) with set `b` (there) record by record, matched by tag number.
    // Each set's records are named and formatted with the tags of its own data controller
    // type; records without such a tag are left out, as the parameter list leaves them out.
    // Rows come in the list's order of `a` (its last record first), then the records found
    // only in `b` in the list's order of `b`.
    static std::vector<SRow> Compare(const CParameterSet& a, const CParameterSet& b,
                                     const CTagFile& tags);

    // Whether any row is not Same.
    static bool AnyDifference(const std::vector<SRow>& rows);

    struct SControllerRead
    {
        bool cancelled = false;
        std::vector<std::uint16_t> unanswered; // applying records the controller never answered
        // Applying records never asked: CWriteFlow::kSilentRecordLimit records in a row had
        // gone unanswered, so the controller was taken as silent. Their rows are NoReply.
        std::vector<std::uint16_t> notRead;
        std::vector<std::uint16_t> refused; // applying records it answered as unknown
        int skipped = 0; // records without a tag for the connected type: not asked
        // The comparison; the controller's side is formatted with the record's own attributes.
        std::vector<SRow> rows;
    };

    // Reads from a controller of `type` the value of every record of `set` whose tag applies
    // to the type: one value read a record (up to kReadAttempts tries), not the attributes.
    // Stops early when `progress` (may be null) reports Cancel; rows are then empty. Stops
    // asking after kSilentRecordLimit records in a row got no reply (notRead).
    static SControllerRead CompareWithController(CControllerLink& link, const CTagFile& tags,
                                                 EControllerType type, const CParameterSet& set,
                                                 IProgress* progress);

    // Writes the records of `set` whose tag is in `tags` to a controller of `type`, last record
    // first, each as the write to controller writes it, noting each in `journal` (may be null).
    static CWriteFlow::SOutcome WriteSelected(CControllerLink& link, const CTagFile& tagFile,
                                              EControllerType type, const CParameterSet& set,
                                              const std::vector<std::uint16_t>& tags,
                                              IProgress* progress, CWriteJournal* journal);

    // --- The main window's commands on the document ---

    // Enabled like the write to controller: link ready, records of the connected type.
    static bool CanCompareWithController(const CTavrinDoc& doc);

    // Compares the document with the connected controller inside a transfer session, behind
    // a progress window with Cancel. Unanswered records are reported; the equality pane shows
    // whether everything matched. nullopt when cancelled or not possible.
    static std::optional<SControllerRead> DocCompareWithController(CTavrinDoc& doc);
    // The comparison without the type check and the message: what the write confirmation
    // lists. nullopt when cancelled or the main window is closing.
    static std::optional<SControllerRead> DocReadController(CTavrinDoc& doc);

    // After a profile was opened: when a controller of the profile's type answers, reads its
    // value of every record (behind the comparison's progress window, Cancel allowed) and
    // makes the equality pane say "Program Equal." when every value matches. Anything less
    // (a difference, a refusal, a record unanswered, Cancel) leaves "Program Not Equal.";
    // nothing is reported. True when the pane now says equal.
    static bool DocCheckEquality(CTavrinDoc& doc);

    // Asks for a profile, loads it (a bad file is reported as File Open reports it) and
    // compares the document with it. nullopt when the user cancelled or the file was bad.
    struct SProfileCompare
    {
        QString path;
        std::vector<SRow> rows;
    };
    static std::optional<SProfileCompare> DocCompareWithProfile(CTavrinDoc& doc);
    // The same on a profile already chosen.
    static std::optional<SProfileCompare> DocCompareWithProfile(CTavrinDoc& doc,
                                                                const QString& path);

    // Writes the document's records named in `tags` as the write to controller does: the
    // type check, the overwrite question, a transfer session with the write progress window,
    // the journal; then how many were written and confirmed (CWriteFlow::ReportWritten, and
    // the message pane) with the list of records not written.
    static CWriteFlow::SOutcome DocWriteSelected(CTavrinDoc& doc,
                                                 const std::vector<std::uint16_t>& tags);

    // Write changed only on a comparison already made, inside the caller's transfer session
    // and without messages: the records `compared` found differing or refused (written as the
    // write to controller writes them),
    // nothing when a value was unknown (Stopped, all of them counted not sent), nothing at
    // all to write (Finished, none confirmed); then the equality pane and the baseline.
    static CWriteFlow::SOutcome WriteChanged(CTavrinDoc& doc, const SControllerRead& compared);
};
