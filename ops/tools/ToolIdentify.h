#pragma once

#include "link/EControllerType.h"

class CTavrinDoc;

// The first step of the one-shot controller tools (zero tilt, EEPROM defaults): identify the
// controller, in a transfer session that leaves the status poll as it found it, and tell the
// user "Incompatible controller" when it is not of a type the tool serves.
namespace ToolIdentify {

enum class EOutcome
{
    Accepted,     // identified, and of a type the tool serves
    NoController, // no controller answered (the message was shown)
    Incompatible, // another type, or one that could not be identified (the message was shown)
};

EOutcome Check(CTavrinDoc& doc, bool (*accepts)(EControllerType));

} // namespace ToolIdentify
