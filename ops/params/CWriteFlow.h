#pragma once

#include "link/EControllerType.h"
#include "link/LinkResults.h"
#include "res/EString.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class CControllerLink;
class CParameter;
class CTagFile;
class CTavrinDoc;
class CWriteJournal;
class IProgress;
class IUserPrompt;

// Write to controller and compare: sends every record of the document to the connected
// controller, last record first, each with WriteParameter (read, checksum-keeping write,
// read-back) up to kWriteAttempts times, behind a progress window without Cancel (the pass
// stops early when kSilentRecordLimit records in a row get no reply at all). The
// document's records, modified flag and path stay as they are; the equality pane shows
// "Program Equal." only when every record was confirmed (records without a tag for the
// connected type are skipped and do not count), and the user is told which were not.
class CWriteFlow
{
public:
    static constexpr int kWriteAttempts = 4;
    // Consecutive records that got no reply at all before the pass gives up: a cable pulled
    // or a controller switched off would otherwise cost every remaining record its attempts.
    static constexpr int kSilentRecordLimit = 3;

    enum class EStatus
    {
        TypeMismatch, // the data belongs to another controller type; nothing was sent
        Declined,     // the user answered No to the overwrite question; nothing was sent
        Finished,     // every record was visited
        Stopped,      // the controller stopped answering; the rest of the records were not sent
        NoBackup,     // the backup file could not be made; nothing was sent
    };

    // A record that the controller did not confirm.
    struct SFailure
    {
        std::uint16_t tag = 0;
        QString name;                                // the tag's name from the tag file
        EWriteResult result = EWriteResult::NoReply; // the last attempt's result
    };

    struct SOutcome
    {
        EStatus status = EStatus::TypeMismatch;
        int confirmed = 0;
        int skipped = 0;
        std::vector<SFailure> failures; // in the order written (last record first)
        int notSent = 0;    // records never tried because the controller stopped answering
        QString backupPath; // the backup of the values overwritten; empty when none was saved

        bool AllConfirmed() const { return status == EStatus::Finished && failures.empty(); }
    };

    // Whether the command is enabled: the link is ready, the document holds records, and
    // they belong to the connected controller type.
    static bool CanWrite(const CTavrinDoc& doc);

    // Runs the whole command on `doc`; messages, the overwrite question and the progress
    // window go through doc.Prompt().
    static SOutcome Run(CTavrinDoc& doc);
    // Run's write once the user has agreed, without its report: the pass inside a transfer
    // session behind the write progress window, then the equality pane and, when every
    // record was confirmed, the baseline.
    static SOutcome WriteAll(CTavrinDoc& doc);

    // "The text 196" with both controller types' names.
    static QString TypeMismatchText(EControllerType dataType, EControllerType connectedType);
    // The guard before anything is sent for the document: true when its data belongs to the
    // connected controller type; otherwise tells the user (TypeMismatchText) and is false.
    static bool CheckSameType(CTavrinDoc& doc);
    // What every write of the document asks first: CheckSameType, then the overwrite
    // question; a No is told to the user and left in `outcome` as Declined. True to go on.
    static bool CheckAndConfirm(CTavrinDoc& doc, SOutcome& outcome);

    // What writing one record came to.
    struct SRecordWrite
    {
        EWriteResult result = EWriteResult::NoReply; // the last attempt's result
        // Confirmed, or read only and the controller already holds the record's value.
        bool confirmed = false;
        // The last attempt's very first read went unanswered: nothing came back at all.
        bool silent = false;
    };

    // Writes one record with up to kWriteAttempts WriteParameter calls, noting the outcome in
    // `journal` when one is given. With a journal, each write is sent only once the record is
    // in its backup on disk (a record that cannot be saved ends as NotBackedUp, unwritten);
    // the value noted as overwritten is that of the first read answered.
    static SRecordWrite WriteRecord(CControllerLink& link, const CParameter& record,
                                    CWriteJournal* journal = nullptr);

    // Sends `records` in the given order to a controller of `type`, skipping records without
    // a tag for it, and counts the outcome into `outcome`; ends early (Stopped) when the
    // controller stops answering. `progress` (may be null) counts records: its range is
    // 0..records.size(), its position the records sent before the one now going out, and the
    // whole range once the pass ends (Finished or Stopped). The records come last first, as the
    // write pass sends them: the journal's backup keeps them the other way round, in list
    // order. A journal that is not Ready sends nothing (NoBackup).
    static void WriteRecords(CControllerLink& link, const CTagFile& tags, EControllerType type,
                             const std::vector<const CParameter*>& records, IProgress* progress,
                             SOutcome& outcome, CWriteJournal* journal = nullptr);

    // What writing one record by itself came to.
    struct SOneWrite
    {
        bool backupRefused = false; // the backup file could not be made; nothing was sent
        EWriteResult result = EWriteResult::NoReply; // the write's result, when one was sent
        QString backupPath; // the backup of the value overwritten; empty when none was saved

        bool Confirmed() const { return !backupRefused && result == EWriteResult::Confirmed; }
    };

    // Writes `record` once (one WriteParameter: read, checksum-keeping write, read-back) to
    // the controller of `type` on `link`, through a journal of its own: the value
    // overwritten goes into a backup profile saved before the write is sent, and the record
    // into the change log. When the backup file cannot be made nothing is sent.
    static SOneWrite WriteOne(CControllerLink& link, const CTagFile& tags, EControllerType type,
                              const CParameter& record);

    // Why one record of `doc` cannot be written now: its data is not of the connected
    // controller type (another type, or none while no controller answers); nullopt when it
    // can be.
    static std::optional<EString> WriteOneRefusal(const CTavrinDoc& doc);

    // Program Controller for one edited record of `doc`: writes it as above, inside a
    // transfer session, and tells the user through doc.Prompt() when nothing was sent for
    // want of a backup or the write failed. A confirmed write makes the written value the
    // record's baseline: the controller holds it now. When WriteOneRefusal has a reason the
    // user is told it and nothing is sent.
    static SOneWrite WriteOne(CTavrinDoc& doc, const CParameter& record);

    // Tells the user which records were not written, when any were not, or that nothing was
    // for want of a backup; says nothing for a pass that confirmed everything it sent. A
    // `lead` line, when given, comes first in the message of records not written.
    static void ReportFailures(IUserPrompt& prompt, const SOutcome& outcome,
                               const QString& lead = {});

    // "95 written, 93 confirmed": the records sent (confirmed or not) and those confirmed.
    static QString WrittenText(const SOutcome& outcome);
    // The report of a write from the main window: WrittenText in the message pane and as an
    // information message when every record sent was confirmed, otherwise first in
    // ReportFailures' message. A write refused for want of a backup is only reported so.
    static void ReportWritten(CTavrinDoc& doc, const SOutcome& outcome);

private:
    // Sends the document's records, last first, and counts the outcome; ends early when the
    // controller stops answering.
    static void WritePass(CTavrinDoc& doc, IProgress* progress, SOutcome& outcome);
};
