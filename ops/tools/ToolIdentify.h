#pragma once

#include "link/EControllerType.h"
#include "res/EString.h"

#include <functional>

class CTavrinDoc;

// The steps the one-shot controller tools (zero tilt, EEPROM defaults) share: identify the
// controller, in a transfer session that leaves the status poll as it found it, and tell the
// user "Incompatible controller" when it is not of a type the tool serves; and around that the
// tool's loop of identify, ask, attempt and, after a failed attempt, offer a retry.
namespace ToolIdentify {

enum class EOutcome
{
    Accepted,     // identified, and of a type the tool serves
    NoController, // no controller answered (the message was shown)
    Incompatible, // another type, or one that could not be identified (the message was shown)
};

EOutcome Check(CTavrinDoc& doc, bool (*accepts)(EControllerType));

// One tool for Run: the types it serves, its question and its attempt.
struct STool
{
    bool (*accepts)(EControllerType) = nullptr;
    // After each accepted identification, before the attempt: the tool's question (and
    // whatever else it must do first). False ends the run as Stopped; the tool has told the
    // user whatever it had to.
    std::function<bool()> proceed;
    // One attempt: true when it took.
    std::function<bool()> attempt;
    // Asked with Retry/Cancel after a failed attempt; Retry starts again at the
    // identification.
    EString retryQuestion;
};

enum class ERun
{
    Done,         // an attempt took
    NoController, // no controller answered an identification (the message was shown)
    Incompatible, // another type, or one that could not be identified (the message was shown)
    Stopped,      // `proceed` ended the run
    NoReply,      // an attempt failed and the user did not ask for a retry
};

// Runs `tool`'s loop: Check, proceed, attempt, and the retry question after a failed attempt,
// until one of them ends it. The tool's closing message is the caller's.
ERun Run(CTavrinDoc& doc, const STool& tool);

// A tool's own result for how its run ended: the results every tool names alike
// (NoController, Incompatible, NoReply), and `done` and `stopped` for the two it words itself.
template <typename EResult> EResult ResultOf(ERun run, EResult done, EResult stopped)
{
    switch (run) {
    case ERun::Done:
        return done;
    case ERun::NoController:
        return EResult::NoController;
    case ERun::Incompatible:
        return EResult::Incompatible;
    case ERun::Stopped:
        return stopped;
    case ERun::NoReply:
        break;
    }
    return EResult::NoReply;
}

} // namespace ToolIdentify
