#pragma once

#include "link/EControllerType.h"

class CTavrinDoc;

// The EEPROM defaults tool: tells a controller of the Tarn family to reset every parameter
// to its factory value, one write of 1 to LinkProtocol::kTagEepromDefaults, after a warning
// the user must answer Yes. The status poll is kept away only while the exchanges run.
class CEepromDefaults
{
public:
    // Whether the tool applies to a controller of `type`.
    static bool AppliesTo(EControllerType type) { return IsTarnFamily(type); }

    enum class EResult
    {
        Done,         // the controller answered the reset
        NoController, // no controller answered the identification
        Incompatible, // a controller of another type, or one that could not be identified
        Declined,     // the user answered anything but Yes to the warning
        NoReply,      // the reset went unanswered and the user did not retry
    };

    explicit CEepromDefaults(CTavrinDoc& doc) : m_doc(doc) {}

    // The menu command with its messages: "Incompatible controller", the warning (Yes, No,
    // Cancel; anything but Yes ends with "... was cancelled."), Retry/Cancel after an
    // unanswered reset, and at the end whether the reset was done.
    EResult Run();

private:
    CTavrinDoc& m_doc;
};
