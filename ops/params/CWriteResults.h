#pragma once

#include "link/LinkResults.h"
#include "res/EString.h"

#include <QString>

#include <optional>

// What each result of CControllerLink::WriteParameter means to the user: the one table behind
// the write flow's list of records not written, the edit dialog's "Program &Controller" and
// tavrin-cli's set.
class CWriteResults
{
public:
    struct SEntry
    {
        EWriteResult result;
        // Why a record was not written, in the write flow's list; none when it was.
        std::optional<EString> reason;
        // The edit dialog's message (stop icon); none when the dialog closes as programmed.
        std::optional<EString> message;
        // tavrin-cli set's MEANING field.
        const char* cliWord;
        // tavrin-cli set's exit code: 0 confirmed, 4 refused by the controller, 3 written
        // but not confirmed, 2 no reply, 7 not written for want of a backup.
        int exitCode;
    };

    static const SEntry& Entry(EWriteResult result);
    // The reason text; empty for a confirmed write.
    static QString Reason(EWriteResult result);
};
