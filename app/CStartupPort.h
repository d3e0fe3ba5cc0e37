#pragma once

#include <QString>

#include <functional>

class CAppSettings;
class CControllerLink;
class IUserPrompt;

// Opening the serial port when the main window is created.
namespace StartupPort {

inline constexpr const char* kUnassigned = "Unassigned";
// A device name that cannot be opened: the first start always leads to the port question.
inline constexpr const char* kNoDevice = "zzz";

// Reads "PortDevice" ("Unassigned" or missing becomes "zzz" in both "PortDevice" and
// "PortName"), configures the link for 19200 baud 8E2 and opens it. While the port is not
// open it asks "Cannot open serial port. Do you wish to select a port now?."; Yes runs
// `selectPort` (the port selection dialog; true when it ended with OK) and tries the
// chosen device, No or a cancelled dialog stops. True when the port is open at the end.
bool Open(CControllerLink& link, CAppSettings& settings, IUserPrompt& prompt,
          const std::function<bool()>& selectPort);

// Configures the link with `device` and the controller's line settings and opens it.
bool ConfigureAndOpen(CControllerLink& link, const QString& device);

} // namespace StartupPort
