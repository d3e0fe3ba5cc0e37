#pragma once

#include "link/EControllerType.h"
#include "link/LinkResults.h"

#include <QString>

#include <cstdint>
#include <vector>

class CTavrinDoc;
class IProgress;

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
    static constexpr int kProgressRange = 100;
    // Consecutive records that got no reply at all before the pass gives up: a cable pulled
    // or a controller switched off would otherwise cost every remaining record its attempts.
    static constexpr int kSilentRecordLimit = 3;

    enum class EStatus
    {
        TypeMismatch, // the data belongs to another controller type; nothing was sent
        Declined,     // the user answered No to the overwrite question; nothing was sent
        Finished,     // every record was visited
        Stopped,      // the controller stopped answering; the rest of the records were not sent
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
        int notSent = 0; // records never tried because the controller stopped answering

        bool AllConfirmed() const { return status == EStatus::Finished && failures.empty(); }
    };

    // Whether the command is enabled: the link is ready, the document holds records, and
    // they belong to the connected controller type.
    static bool CanWrite(const CTavrinDoc& doc);

    // Runs the whole command on `doc`; messages, the overwrite question and the progress
    // window go through doc.Prompt().
    static SOutcome Run(CTavrinDoc& doc);

    // "The text 196" with both controller types' names.
    static QString TypeMismatchText(EControllerType dataType, EControllerType connectedType);

private:
    // Sends the records, last first, and counts the outcome; ends early when the controller
    // stops answering.
    static void WritePass(CTavrinDoc& doc, IProgress* progress, SOutcome& outcome);
};
