#pragma once

#include "link/EControllerType.h"
#include "link/LinkResults.h"
#include "ops/params/CWriteFlow.h"
#include "ops/params/CliExitCodes.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class CControllerLink;
class CParameter;
class CParameterSet;
class CTagFile;

// tavrin-cli commands. Each takes the context main made for the run and the arguments after
// its command word, and returns the process exit code (ops/params/CliExitCodes.h); the codes
// mean the same in every command.
namespace Cli {

class CCommandContext;

// A 16-bit number written in decimal or with a 0x prefix in hexadecimal.
std::optional<unsigned> ParseWord(const QString& text, unsigned maximum = 0xFFFF);
// A signed number, decimal or 0x-prefixed, with an optional leading minus; within
// -2^47..2^47 so that scaling it cannot overflow.
std::optional<qint64> ParseNumber(const QString& text);

// Prints a line to standard error, prefixed with the program name, whole even when worker
// threads print too (WriteErrorLine).
void Error(const QString& text);

// One field of a record: backslash, tab, CR and LF written \\, \t, \r, \n.
QString Field(const QString& text);
// One record on standard output: the fields joined by tabs, UTF-8, flushed at once so that
// a script sees each record as it is made.
void PrintRecord(const QStringList& fields);

// Whether a file can be saved as `path`, tried the way QSaveFile saves (a temporary file
// beside the target) and left without a trace, so that a long read or write is not spent on
// an output that cannot be written. False with the reason in `why`.
bool CanSave(const QString& path, QString& why);

// The fields of a "param" record: "param", tag, value, maximum, minimum, scale, div, step,
// shift, checksum word, flags (0x-prefixed hexadecimal), extension. `show` adds the tag's
// name and the value text.
QStringList ParamFields(const CParameter& record);

// The records of a write to one controller: failed TAG NAME RESULT for each of `failures`,
// then the "written" record with the counts in the order of an apply's "port" record:
// confirmed, failed (tried and not confirmed), skipped (no tag for the type), unchanged
// (already held), kept (--keep), not sent (the controller had stopped answering); then
// backup PATH when `backup` names the profile saved.
void PrintWriteRecords(const std::vector<CWriteFlow::SFailure>& failures, int confirmed, int failed,
                       int skipped, int unchanged, int kept, int notSent, const QString& backup);

// Opens `link` on `port` (the "PortDevice" setting when empty) with the controller's line
// settings, asking for low latency as the "LowLatency" setting says. On failure prints the device
// and the reason and sets `exitCode`: kExitUsage without any port, kExitPortClosed when it does not
// open.
bool OpenLink(CControllerLink& link, const QString& port, int& exitCode);

// Loads `path` into `tags`: a tag file, or a folder and its newest TagList*.tag; an empty
// path is the "TagFileDir" setting. On failure prints why and sets `exitCode`: kExitUsage
// when there is no tag file to load, kExitFile when it cannot be read.
bool LoadTagFile(const QString& path, CTagFile& tags, int& exitCode);
// Loads the profile at `profilePath` into `set` and the tag file as LoadTagFile does. On
// failure prints why and sets `exitCode` (kExitFile for a profile that cannot be read).
bool LoadProfileAndTags(const QString& profilePath, const QString& tagsPath, CParameterSet& set,
                        CTagFile& tags, int& exitCode);

// The one mapping from an identification to an exit code, for every command that needs a
// known controller: kExitOk only for an identified type; kExitNoReply when nothing answered;
// kExitRefused when the controller answered but could not be identified (temporarily
// unavailable, not recognised, no identification tag, or a code outside the map). When the
// result is not kExitOk it prints why on standard error.
int IdentifyExitCode(EIdentifyResult result, EControllerType type);
// Identifies the controller on `link` and maps the result with IdentifyExitCode; `type` is
// the type found (None unless identified).
int IdentifyOrExit(CControllerLink& link, EControllerType& type);

int RunApply(CCommandContext& context, const QStringList& args);
int RunDiff(CCommandContext& context, const QStringList& args);
int RunExport(CCommandContext& context, const QStringList& args);
int RunExchange(CCommandContext& context, const QStringList& args);
int RunIdentify(CCommandContext& context, const QStringList& args);
int RunInfo(CCommandContext& context, const QStringList& args);
int RunLog(CCommandContext& context, const QStringList& args);
int RunGet(CCommandContext& context, const QStringList& args);
int RunParam(CCommandContext& context, const QStringList& args);
int RunPrint(CCommandContext& context, const QStringList& args);
int RunRead(CCommandContext& context, const QStringList& args);
int RunSet(CCommandContext& context, const QStringList& args);
int RunShow(CCommandContext& context, const QStringList& args);
int RunTags(CCommandContext& context, const QStringList& args);
int RunTimers(CCommandContext& context, const QStringList& args);
int RunUpdateCheck(CCommandContext& context, const QStringList& args);
int RunWrite(CCommandContext& context, const QStringList& args);
// write with --changed-only or --keep (RunWrite hands such a write on).
int RunWriteSelective(CCommandContext& context, const QStringList& args);
int RunZeroTilt(CCommandContext& context, const QStringList& args);
int RunEepromDefaults(CCommandContext& context, const QStringList& args);
int RunEeprom(CCommandContext& context, const QStringList& args);
int RunDFile(CCommandContext& context, const QStringList& args);
int RunCommTest(CCommandContext& context, const QStringList& args);
int RunAdc(CCommandContext& context, const QStringList& args);
int RunAdcChannels(CCommandContext& context, const QStringList& args);

} // namespace Cli
