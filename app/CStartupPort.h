#pragma once

#include "link/CPortEntry.h"

#include <QString>

#include <functional>
#include <optional>

class CAppSettings;
class CControllerLink;
class IUserPrompt;

// Opening the serial port when the main window is created.
namespace StartupPort {

inline constexpr const char* kUnassigned = "Unassigned";
// A device name that cannot be opened: the first start always leads to the port question.
inline constexpr const char* kNoDevice = "zzz";

// How the port selection dialog ended.
struct SPortChoice
{
    bool accepted = false;          // OK; false for Cancel
    std::optional<CPortEntry> port; // the line chosen with OK; empty when none was selected
};

// Reads the port device setting ("Unassigned" or missing becomes "zzz" in both the device
// and the port name setting), configures the link for 19200 baud 8E2 and opens it. While the port
// is not open it asks "Cannot open serial port. Do you wish to select a port now?."; Yes runs
// `selectPort` (the port selection dialog), stores the port it hands back
// (CAppSettings::SetChosenPort) and tries the stored device again; No or a cancelled dialog
// stops. True when the port is open at the end.
bool Open(CControllerLink& link, CAppSettings& settings, IUserPrompt& prompt,
          const std::function<SPortChoice()>& selectPort);

// The port question: "Cannot open serial port. Do you wish to select a port now?.", after
// the permission message (CSerialPort::PermissionDeniedText) when that is why the last open
// failed.
QString CannotOpenQuestion(const CControllerLink& link);

// Configures the link with `device`, the controller's line settings and whether to ask for
// low latency (the "LowLatency" setting), and opens it.
bool ConfigureAndOpen(CControllerLink& link, const QString& device, bool lowLatency);

} // namespace StartupPort
