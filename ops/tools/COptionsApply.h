#pragma once

#include "link/CPortEntry.h"

#include <QString>

#include <functional>

class CSerialPort;
class CTavrinDoc;

// What the Options command does around its dialog, without the dialog: listing the ports
// while the link lets go of its own, and putting the user's choice into effect after OK.
namespace OptionsApply {

// Fills `list` by the standard (true) or basic (false) method; false when it failed, with
// `errorText` saying why (the basic method fails without a text when it found nothing).
using FEnumerate = std::function<bool(CPortList& list, QString& errorText, bool standard)>;

// The system's enumeration (CPortEnumerator, without the open check).
FEnumerate SystemEnumeration();

// Lists the ports with `enumerate`. The port is closed meanwhile, because the basic method
// opens every device it probes and the link's own device must be free to be found; it is
// opened again afterwards (with its stored name and line settings) only when it was open
// before. The result and `errorText` are the enumeration's.
bool EnumerateReleasingPort(CSerialPort& port, const FEnumerate& enumerate, bool standard,
                            CPortList& list, QString& errorText);

// "Can't open serial port: <portName>\nPlease reset using the menu item: Tools\Options".
QString CannotOpenText(const QString& portName);

// After OK: configures the link with "PortDevice" (19200 baud 8E2, low latency as
// "LowLatency" says) and opens it, telling the user by "PortName" when that fails (stop
// icon); then, when `tagFilePath` differs from the document's tag file (case-sensitively)
// and is not empty, loads it into the document (CTavrinDoc::LoadTagFile keeps the old tags
// when it fails) and refreshes every view with hint 0. True when the port is open at the
// end.
bool Apply(CTavrinDoc& doc, const QString& tagFilePath);

} // namespace OptionsApply
