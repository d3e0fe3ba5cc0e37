#pragma once

// tavrin-cli's exit codes, the same meaning in every command. They live beside the flows
// because the command results' table (CWriteResults) gives the code each result ends with.
namespace Cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;      // usage or invalid input; nothing was sent
inline constexpr int kExitNoReply = 2;    // no controller answered, or the link failed
inline constexpr int kExitPartly = 3;     // done only in part; the lines say which
inline constexpr int kExitRefused = 4;    // another controller type, a controller or parameter
                                          // that refuses, or a file that does not fit
inline constexpr int kExitDeclined = 5;   // the user answered No
inline constexpr int kExitPortClosed = 6; // the serial port cannot be opened
inline constexpr int kExitFile = 7;       // a file cannot be read or written

} // namespace Cli
