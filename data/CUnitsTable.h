#pragma once

#include <QByteArray>
#include <QtGlobal>

// The units table: one entry per units code 0..24. A tag names its units by code; the code is
// copied into each parameter record read for the tag.
//
// Texts are kept as the 8-bit (Windows-1252) bytes that the controllers' tools have always
// used, so "°" is the single byte 0xB0. They become QString only when a value text is built.
class CUnitsTable
{
public:
    struct Entry
    {
        const char* name;       // shown by the tag information dialog, e.g. "Celsius"
        QByteArray text1;       // two-state: the "on" text; otherwise the unit on its own
        QByteArray text2;       // two-state: the "off" text; otherwise the value format
        bool twoState;          // value is shown as one of two texts
        quint16 defaultMaximum; // maximum a read stores when the controller reports none
    };

    static constexpr int kCount = 25;

    // The entry of a units code, or nullptr for a code outside 0..24.
    static const Entry* Find(int unitsCode);

    // Default maximum of a units code; 32767 (the "Decimal Integer" default) for a code
    // outside the table, so a read of a tag with a stray code still gets a usable limit.
    static quint16 DefaultMaximum(int unitsCode);

    // Whether the code names a two-state unit; false for a code outside the table.
    static bool IsTwoState(int unitsCode);
};
