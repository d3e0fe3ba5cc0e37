#pragma once

#include "data/CADCChannel.h"

#include <QString>

#include <vector>

// Reads the text source of an ADC channel file (share/ADCChannels.adcsrc).
//
// The source is UTF-8 text, one channel a line, fields separated by blanks or tabs:
//
//   TYPE  TAG  MINIMUM  MAXIMUM  ACCESS  "NAME"  ["SECOND TEXT"]
//
// TYPE is 0..0xFFFF, TAG and ACCESS 0..0xFFFF, MINIMUM and MAXIMUM signed 32-bit; numbers
// are decimal or 0x hexadecimal with an optional leading minus. Texts are in double quotes
// with the escapes \" \\ \n \r \t and are stored in Windows-1252, so a character outside that
// code page is an error. '#' outside quotes starts a comment; blank lines are ignored.
// The reserved fields are 0 and the number range is 0..0xFFFFFFFF.
class CAdcChannelSource
{
public:
    // The channels in source order. On failure returns false and sets `error` to
    // "line N: what is wrong"; `channels` is then left empty.
    static bool Parse(const QString& source, std::vector<CADCChannel>& channels, QString* error);
    // Reads and parses a source file; errors name the file.
    static bool ParseFile(const QString& path, std::vector<CADCChannel>& channels, QString* error);
};
