#pragma once

#include "ops/CEditTemplates.h"

#include <QtGlobal>

#include <optional>
#include <vector>

class CParameter;

// The states of a template's choice controls, in the template's control order, and of the
// latching box of the inhibit template.
struct SEditState
{
    std::vector<bool> checked;
    bool latchChecked = false;
    bool latchEnabled = true;
};

// How each edit template maps between a parameter's raw value and its controls, without any
// widget: the dialog copies these states to and from its buttons, so every mapping is tested
// here on plain records.
class CEditValueMap
{
public:
    // The controls' states for the record's current value.
    static SEditState Open(const SEditTemplate& templ, const CParameter& record);

    // The raw value the controls' states stand for. nullopt when they name no value (no
    // choice checked, or a slider or template without choices): the value is then kept.
    static std::optional<quint16> Apply(const SEditTemplate& templ, const CParameter& record,
                                        const SEditState& state);

    // The user clicked control `index`; state.checked[index] already holds its new state.
    // Radio buttons uncheck the others of their group; the other changes a click makes
    // (latch box enabled, the inhibit target's "None" and "Belly Button") follow here.
    static void Click(const SEditTemplate& templ, SEditState& state, int index);

    // String-table number of the label of momentary row `index` for `tag` (13360 or 13361);
    // 0 when the row is hidden.
    static int MomentaryLabel(quint16 tag, int index);

    // Bits 2 and 3 exchanged, every other bit kept.
    static quint16 ExchangeBits2And3(quint16 value);

    // The slider is set up only with a non-zero step and maximum >= minimum (display integers).
    static bool SliderUsable(qint64 minimum, qint64 maximum, qint64 step);
    // The smallest multiple of the step that leaves at most 50 ticks over the range.
    static qint64 TickFrequency(qint64 minimum, qint64 maximum, qint64 step);
    // A slider position snapped down (towards zero) to a multiple of the step, kept within
    // minimum..maximum. Only meaningful for a usable slider.
    static qint64 Snap(qint64 position, qint64 minimum, qint64 maximum, qint64 step);

    static constexpr int kMaxTicks = 50;
    static constexpr int kMomentaryOn = 115;  // "Momentary"
    static constexpr int kMomentaryOff = 116; // "Permanent"
};
