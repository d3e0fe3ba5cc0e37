#pragma once

#include <QtGlobal>

#include <cstdint>
#include <vector>

class CParameter;

// What kind of controls a parameter edit template shows and how they map to the raw value.
enum class EEditKind
{
    Slider,        // a slider over the display integers, snapped to the step
    TwoState,      // "Asserted" / "Not Asserted" for the maximum and the minimum
    Radio,         // one radio button per value (control value = raw value)
    RadioLatch,    // radio buttons with base values and a "latching" box adding 1
    RadioPairs,    // groups of two radio buttons, each pair one bit (control value = its bits)
    RadioDisplay,  // radio buttons for display integers 0..n-1
    CheckBits,     // check boxes, control value = bit number
    CheckInverted, // check boxes, checked while their bit is clear
    InhibitTarget, // "None", then one box per bit, optionally "Belly Button"
    Momentary,     // check boxes for bits with a caption beside each
};

// One control of a template, in value order.
struct SEditControl
{
    enum EFlags : unsigned
    {
        kHidden = 0x01,      // present but not shown
        kLatchable = 0x02,   // RadioLatch: value + 1 is the latching form
        kNone = 0x04,        // InhibitTarget: the "None" box
        kBelly = 0x08,       // InhibitTarget: the "Belly Button" box
        kSecondGroup = 0x10, // RadioPairs: belongs to the second group box
    };

    int id;              // resource number, the widget's objectName "id<number>"
    const char* caption; // nullptr: captioned at run time (Momentary)
    int value;           // raw value, base value, bit number, bit mask or position (see kind)
    unsigned flags = 0;
    int labelId = 0; // Momentary: the caption box beside the check box
};

// One template of the "Edit Parameter" family: its number, kind, titles and choice controls.
struct SEditTemplate
{
    int id;
    EEditKind kind;
    const char* windowTitle;
    const char* groupTitle;       // the group box around the choices (nullptr: none)
    const char* secondGroupTitle; // RadioPairs: the second group box
    const char* leadCaption;      // a caption above the choices (nullptr: none)
    std::vector<SEditControl> controls;
    SEditControl latch{0, nullptr, 0}; // RadioLatch: the latching check box
};

// The family of edit templates as data, and the choice of a template for a parameter.
class CEditTemplates
{
public:
    static constexpr int kSlider = 139;
    static constexpr int kTwoState = 140;

    // The template with this number, or nullptr.
    static const SEditTemplate* Find(int templateId);
    // Every template, in number order.
    static const std::vector<SEditTemplate>& All();

    // The template for a tag: by tag number and the data controller type first; for other
    // tags 140 when the record's units are two-state, else the slider. Tags 8002 and 8018
    // get the "Belly Button" form when the record's maximum (display integer) is 32 or more.
    static int Choose(quint16 tag, std::uint32_t dataControllerType, const CParameter& record);
};
