#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class CParameter;
class CTagInfo;

// The raw fields of one parameter record and its tag, as the raw parameter dialog shows and
// takes them. Everything a user can get wrong is decided here, without widgets: a number is
// accepted only when it fits its field, so nothing is ever stored with its high bits cut off.
class CRawParameterFields
{
public:
    // The seven 16-bit words, in the order the dialog lists them.
    enum EWord
    {
        Value,
        Minimum,
        Maximum,
        Step,
        Scale,
        Div,
        Shift,
        kWordCount
    };

    static constexpr int kWordLow = -32768; // a negative number is its two's complement word
    static constexpr int kWordHigh = 65535;
    static constexpr int kModifierLow = 0;
    static constexpr int kModifierHigh = 127; // bits 1..7 of the display word

    // What the dialog edits. unitsCode is -1 when no presentation entry is selected (a tag
    // whose units code lies outside the units table): the tag's code is then kept.
    struct SFields
    {
        quint16 words[kWordCount] = {};
        quint8 flags = 0; // the reply status byte (LinkProtocol::kStatus...)
        int unitsCode = -1;
        int modifier = 0;
    };

    // The fields as the record and the tag hold them now.
    static SFields FromRecord(const CParameter& record, const CTagInfo& tag);
    // Stores the fields: the seven words and the flags into the record, the modifier into bits
    // 1..7 of the tag's display word (bit 0 and bits 8..15 kept) and, when one is selected,
    // the units code into the tag.
    static void Apply(const SFields& fields, CParameter& record, CTagInfo& tag);

    // A word as the dialog shows it: the unsigned decimal number, "%d" of the 16-bit word.
    static QString WordText(quint16 word);
    // A decimal integer from -32768 to 65535 (surrounding blanks allowed); nullopt for any
    // other text, including an empty one, hexadecimal and fractions.
    static std::optional<quint16> ParseWord(const QString& text);
    // A decimal integer from 0 to 127; nullopt otherwise.
    static std::optional<int> ParseModifier(const QString& text);

    // The value word lies within the minimum..maximum words, all read as signed 16-bit when
    // the flags carry LinkProtocol::kStatusSigned and as unsigned otherwise. The window stores no
    // value outside the limits it stores with it.
    static bool ValueWithinLimits(const SFields& fields);

    // The messages shown when a field is refused. `label` is the field's caption, with or
    // without its "&" mnemonic marker.
    static QString WordRefusal(const QString& label);
    static QString ModifierRefusal(const QString& label);
    // The value outside the limits: names the limits as ValueWithinLimits reads them.
    static QString LimitsRefusal(const QString& label, const SFields& fields);
};
