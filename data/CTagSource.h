#pragma once

#include "data/CTagFile.h"

#include <QString>

// Reads the text source of a tag file (share/*.tagsrc) into tag and text records.
//
// The source is UTF-8 text, one "key = value" a line, in sections:
//
//   # comment (also after a value)
//   tagcount = 150          optional, before the first section; default: number of tags
//
//   [tag]                   one CTagInfo
//   tag = 0x1F00            tag number, decimal or 0x hex (required)
//   types = 9 10            controller types, or "all", or "none"; or: mask = 0x00000600
//   units = 16              units code
//   group = 20              display group
//   presentation = 4        presentation code (bits 1..7 of the display word)
//   display = 0x0100        whole display word; presentation, when also given, goes on top
//   privilege = 1
//   spare1 = 0, spare2 = 0  carried words
//   words = 0 0 0 0 0 0 0   presentation words 1..7
//   name = "Acceleration Delay"
//   info = "Time to reach full speed."
//   help = "No Help Available "
//
//   [trip] or [text]        one CErrorText or CTextObject
//   code = 0x0003           required
//   code2 = 0xFFFF          default 0xFFFF
//   text = "Overcurrent"    up to eight, in order
//
// Texts are in double quotes, with the escapes \" \\ \n \r \t; they are stored in
// Windows-1252, so a character outside that code page is an error.
class CTagSource
{
public:
    // Fills `file` from the source text. On failure returns false and sets `error` to
    // "line N: what is wrong"; `file` is then left empty.
    static bool Parse(const QString& source, CTagFile& file, QString* error);
    // Reads and parses a source file; errors name the file.
    static bool ParseFile(const QString& path, CTagFile& file, QString* error);
};
