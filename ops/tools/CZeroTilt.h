#pragma once

#include "link/EControllerType.h"

#include <cstdint>

class CTavrinDoc;

// The Zero tilt tool: tells a controller with a tilt sensor to take the present reading as
// zero. A short, fixed series of exchanges on the tilt tag (LinkProtocol::kTagTilt) between
// two questions; the status poll is kept away only while the exchanges run.
//
// The series reads the reading A and offset B, writes (0, B - A), writes (1, 0) and, when
// that is answered, writes (A, B) back. A read or a zeroing write without a reply is a failed
// attempt: the user may retry from the identification on. Nothing is written when the read
// brought no reading.
class CZeroTilt
{
public:
    // The only controller type with a tilt sensor.
    static constexpr EControllerType kTiltType = EControllerType::Corvo120;
    static bool AppliesTo(EControllerType type) { return type == kTiltType; }

    enum class EResult
    {
        Zeroed,       // the series was answered to its end
        NoController, // no controller answered the identification
        Incompatible, // a controller of another type, or one that could not be identified
        Declined,     // the user answered No to "Zero the tilt sensor?"
        NoReply,      // the series went unanswered and the user did not retry
    };

    explicit CZeroTilt(CTavrinDoc& doc) : m_doc(doc) {}

    // The menu command with its messages: "Incompatible controller" for a wrong or missing
    // controller, the question, Retry/Cancel after a failed attempt, and at the end "Tilt
    // sensor has (NOT) been zeroed.".
    EResult Run();

private:
    enum class EAttempt
    {
        Done,
        Failed
    };
    // Steps 3 to 5: the exchanges of one attempt.
    EAttempt Exchange();

    CTavrinDoc& m_doc;
};
