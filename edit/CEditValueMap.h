#pragma once

#include "edit/CEditTemplates.h"
#include "res/EString.h"

#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

class CParameter;
class CTagInfo;

// The states of a template's choice controls, in the template's control order, and of the
// latching box of the inhibit template.
struct SEditState
{
    std::vector<bool> checked;
    bool latchChecked = false;
    bool latchEnabled = true;
};

// The slider of the slider template in the dialog's units: range, line step and the current
// value's position.
struct SSliderUnits
{
    qint64 minimum = 0;
    qint64 maximum = 0;
    qint64 step = 0;
    qint64 value = 0;
};

// How each edit template maps between a parameter's raw value and its controls, without any
// widget: the dialog copies these states to and from its buttons, so every mapping is tested
// here on plain records.
class CEditValueMap
{
public:
    // The dialog works in one unit system, chosen once from the record's Foreground flag:
    // with it set, the limits and step are shown raw, so the value and every position are raw
    // too (signed when the record is signed); without it everything is scaled. Mixing the two
    // would let a scaled position be read against a raw range.
    static qint64 ToEditUnits(const CParameter& record, quint16 word);
    // A number in the dialog's units as the raw word to store, clamped to the record's
    // minimum..maximum (raw): rounding in the scaling can land just outside the limits.
    static quint16 FromEditUnits(const CParameter& record, qint64 number);
    static SSliderUnits SliderUnits(const CParameter& record);
    // The value text of the big value field, in the same units as the slider under it.
    static QString EditValueText(const CParameter& record, const CTagInfo& tag,
                                 quint16 controllerType);

    // Whether a raw word lies within the record's minimum..maximum (signed when the record
    // is signed).
    static bool WithinLimits(const CParameter& record, quint16 word);
    // The word moved into minimum..maximum; the minimum when the limits are crossed.
    static quint16 ClampToLimits(const CParameter& record, quint16 word);

    // Whether the template's choices are radio buttons (one checked in each group) rather than
    // check boxes.
    static bool UsesRadioButtons(EEditKind kind);

    // The controls' states for the record's current value.
    static SEditState Open(const SEditTemplate& templ, const CParameter& record);

    // The raw value the controls' states stand for. nullopt when they name no value (no
    // choice checked, or a slider or template without choices) or a value outside the
    // record's minimum..maximum: the value is then kept.
    static std::optional<quint16> Apply(const SEditTemplate& templ, const CParameter& record,
                                        const SEditState& state);

    // The user clicked control `index`; state.checked[index] already holds its new state.
    // Radio buttons uncheck the others of their group; the other changes a click makes
    // (latch box enabled, the inhibit target's "None" and "Belly Button") follow here.
    static void Click(const SEditTemplate& templ, SEditState& state, int index);

    // The label of momentary row `index` for `tag` (13360 or 13361); none when the row is
    // hidden.
    static std::optional<EString> MomentaryLabel(quint16 tag, int index);

    // Bits 2 and 3 exchanged, every other bit kept.
    static quint16 ExchangeBits2And3(quint16 value);

    // The slider is set up only with a non-zero step and maximum >= minimum (display integers).
    static bool SliderUsable(qint64 minimum, qint64 maximum, qint64 step);
    // The smallest multiple of the step that leaves at most 50 ticks over the range.
    static qint64 TickFrequency(qint64 minimum, qint64 maximum, qint64 step);
    // A slider position snapped down (towards zero) to a multiple of the step, kept within
    // minimum..maximum. Only meaningful for a usable slider.
    static qint64 Snap(qint64 position, qint64 minimum, qint64 maximum, qint64 step);
    // `word` snapped as Snap does, but in raw units (the limits read as the Signed flag says)
    // with the record's own step, then clamped to its limits: for a step finer than one
    // display unit.
    static quint16 SnapToRawStep(const CParameter& record, quint16 word);

    // The number box of the slider template shows a value in the dialog's units with the
    // decimals of the tag's presentation (PresentationDecimals): codes 1, 5, 6 and 7 show
    // tenths, 2 hundredths.
    static int EntryDecimals(int presentationCode);
    // A number in the dialog's units as the number box shows it (DecimalText): 123 with one
    // decimal is "12.3".
    static QString EntryText(qint64 number, int decimals);
    // What the user typed into the number box. Valid when it is a number with at most
    // `decimals` decimals (a point or a comma) within minimum..maximum; `number` is then in
    // the dialog's units. Otherwise `error` says why, naming the limits: a value outside
    // them is refused, never moved into them.
    struct SEntry
    {
        bool valid = false;
        qint64 number = 0;
        QString error;
    };
    static SEntry ParseEntry(const QString& text, int decimals, qint64 minimum, qint64 maximum);

    static constexpr int kMaxTicks = 50;
};
