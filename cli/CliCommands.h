#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class CControllerLink;

// tavrin-cli commands. Each takes the arguments after its command word and returns the
// process exit code. Exit codes: 0 success, 1 usage error, 2 communication failed; commands
// add their own above that.
namespace Cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitNoReply = 2;

// A 16-bit number written in decimal or with a 0x prefix in hexadecimal.
std::optional<unsigned> ParseWord(const QString& text, unsigned maximum = 0xFFFF);
// Prints a line to standard error, prefixed with the program name.
void Error(const QString& text);
// Opens `link` on `port` (the "PortDevice" setting when empty) with the controller's line
// settings. On failure prints why and sets `exitCode` (usage error without any port,
// communication failure when it does not open).
bool OpenLink(CControllerLink& link, const QString& port, int& exitCode);

int RunExchange(const QStringList& args);
int RunIdentify(const QStringList& args);
int RunParam(const QStringList& args);
int RunRead(const QStringList& args);
int RunSet(const QStringList& args);
int RunTags(const QStringList& args);
int RunWrite(const QStringList& args);

} // namespace Cli
