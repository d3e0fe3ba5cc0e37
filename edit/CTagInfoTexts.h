#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

class CParameter;
class CTagInfo;

// The texts of the tag information window for one parameter record and its tag: the raw
// words as the controller reported them (signed when the record's Signed flag is set, no
// scaling), the tag's name and privilege level, the name of the record's units code, and
// which of the eight reply flags are set.
class CTagInfoTexts
{
public:
    // One reply flag line: its control id, caption and mask in the reply flag byte.
    struct SFlagLine
    {
        int id;
        const char* caption;
        quint8 mask;
    };
    // In the order the window lists them: Supported, Foreground, Invert, Wrap, Signed,
    // Volatile, Read only, Temp. unavailable.
    static const std::array<SFlagLine, 8>& FlagLines();

    static CTagInfoTexts Make(const CParameter& record, const CTagInfo& tag);

    QString name;      // the tag's name (group box title)
    QString number;    // "Tag number: 0x%04X"
    QString value;     // "Value: %d"
    QString minimum;   // "Minimum: %d"
    QString maximum;   // "Maximum: %d"
    QString scale;     // "Scale: %d"
    QString div;       // "Div: %d"
    QString shift;     // "Shift: %d"
    QString step;      // "Step: %d"
    QString privilege; // "Priviledge Level: %d"
    QString units;     // name of the record's units code; empty outside the units table
    quint8 flags = 0;  // the record's reply flag byte
};
