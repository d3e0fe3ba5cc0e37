#include "edit/CEditValueMap.h"

#include "data/CParameter.h"
#include "data/CParameterText.h"
#include "data/CTagInfo.h"
#include "data/CUnitsTable.h"

#include <QRegularExpression>

#include <algorithm>
#include <span>

namespace {

constexpr quint16 kInhibitTargetSwappedTag = 8018;
constexpr quint16 kMomentaryFirstTag = 13360;
constexpr quint16 kMomentarySecondTag = 13361;
// The switches' labels, row by row; the second tag has six rows.
constexpr EString kMomentaryFirstLabels[] = {
    EString::ReverseSelect, EString::VacuumSpeed, EString::BellyButtonEmergency,
    EString::BrushSpeed,    EString::FreeWheel,   EString::TractionSpeed,
    EString::AutoSequence,  EString::VacuumMode,
};
constexpr EString kMomentarySecondLabels[] = {
    EString::Auxiliary1, EString::BrushMode,  EString::Auxiliary2,
    EString::Auxiliary4, EString::Auxiliary3, EString::PowerSwitch,
};

bool InSecondGroup(const SEditControl& c)
{
    return (c.flags & SEditControl::kSecondGroup) != 0;
}

// The first checked control, or -1.
int FirstChecked(const SEditState& state)
{
    const auto it = std::find(state.checked.begin(), state.checked.end(), true);
    return it == state.checked.end() ? -1 : int(it - state.checked.begin());
}

void OpenTwoState(const CParameter& record, SEditState& state)
{
    // Two-state units: "Asserted" stands for the maximum (inverted by the Invert flag). For
    // the tags that always get this template, a value that is neither limit checks nothing,
    // so that opening and applying never moves it to a limit the user did not choose.
    if (!CUnitsTable::IsTwoState(record.unitsCode) && record.value != record.maximum &&
        record.value != record.minimum)
        return;
    const bool asserted = (record.value == record.maximum) != record.invert;
    state.checked[0] = asserted;
    state.checked[1] = !asserted;
}

void OpenInhibitTarget(const CParameter& record, SEditState& state,
                       const std::vector<SEditControl>& controls)
{
    quint16 v = record.value;
    if (record.tagNumber == kInhibitTargetSwappedTag)
        v = CEditValueMap::ExchangeBits2And3(v) & 0x3F;
    for (size_t i = 0; i < controls.size(); ++i) {
        const SEditControl& c = controls[i];
        state.checked[i] = (c.flags & SEditControl::kNone) ? v == 0 : ((v >> c.value) & 1) != 0;
    }
}

// A number in the dialog's units as a raw word, clamped only to the 16-bit range.
quint16 RawOf(const CParameter& record, qint64 number)
{
    return record.foreground ? record.ClampRaw(number) : record.FromDisplay(number);
}

} // namespace

qint64 CEditValueMap::ToEditUnits(const CParameter& record, quint16 word)
{
    return record.foreground ? record.Raw(word) : record.ToDisplay(word);
}

quint16 CEditValueMap::FromEditUnits(const CParameter& record, qint64 number)
{
    return ClampToLimits(record, RawOf(record, number));
}

SSliderUnits CEditValueMap::SliderUnits(const CParameter& record)
{
    // MinimumDisplay, MaximumDisplay and StepDisplay already follow the Foreground flag.
    return {record.MinimumDisplay(), record.MaximumDisplay(), record.StepDisplay(),
            ToEditUnits(record, record.value)};
}

QString CEditValueMap::EditValueText(const CParameter& record, const CTagInfo& tag,
                                     quint16 controllerType)
{
    if (!record.foreground)
        return record.ValueText(tag, controllerType);
    // The raw value through the tag's format, as the limit captions show theirs: a copy whose
    // conversion is the identity (Raw keeps the record's signedness).
    CParameter raw = record;
    raw.scale = 1;
    raw.div = 1;
    raw.shift = 0;
    return raw.ValueText(tag, controllerType);
}

bool CEditValueMap::WithinLimits(const CParameter& record, quint16 word)
{
    const qint32 v = record.Raw(word);
    return v >= record.Raw(record.minimum) && v <= record.Raw(record.maximum);
}

quint16 CEditValueMap::ClampToLimits(const CParameter& record, quint16 word)
{
    const qint32 v = record.Raw(word);
    if (v > record.Raw(record.maximum))
        word = record.maximum;
    if (record.Raw(word) < record.Raw(record.minimum))
        word = record.minimum;
    return word;
}

quint16 CEditValueMap::ExchangeBits2And3(quint16 value)
{
    const quint16 bit2 = (value >> 2) & 1;
    const quint16 bit3 = (value >> 3) & 1;
    return quint16((value & ~0x000C) | (bit2 << 3) | (bit3 << 2));
}

std::optional<EString> CEditValueMap::MomentaryLabel(quint16 tag, int index)
{
    const std::span<const EString> labels = tag == kMomentaryFirstTag ? kMomentaryFirstLabels
                                            : tag == kMomentarySecondTag
                                                ? kMomentarySecondLabels
                                                : std::span<const EString>();
    if (index < 0 || std::size_t(index) >= labels.size())
        return std::nullopt;
    return labels[std::size_t(index)];
}

bool CEditValueMap::UsesRadioButtons(EEditKind kind)
{
    return kind == EEditKind::Radio || kind == EEditKind::RadioLatch ||
           kind == EEditKind::RadioPairs || kind == EEditKind::RadioDisplay ||
           kind == EEditKind::TwoState;
}

SEditState CEditValueMap::Open(const SEditTemplate& templ, const CParameter& record)
{
    SEditState state;
    const std::vector<SEditControl>& controls = templ.controls;
    state.checked.assign(controls.size(), false);
    const quint16 v = record.value;
    switch (templ.kind) {
    case EEditKind::Slider:
        break;
    case EEditKind::TwoState:
        OpenTwoState(record, state);
        break;
    case EEditKind::Radio:
        for (size_t i = 0; i < controls.size(); ++i)
            state.checked[i] = controls[i].value == v;
        break;
    case EEditKind::RadioDisplay:
        for (size_t i = 0; i < controls.size(); ++i)
            state.checked[i] = controls[i].value == ToEditUnits(record, record.value);
        break;
    case EEditKind::RadioLatch: {
        int chosen = -1;
        for (size_t i = 0; i < controls.size() && chosen < 0; ++i) {
            const SEditControl& c = controls[i];
            const bool latchable = (c.flags & SEditControl::kLatchable) != 0;
            if (c.value == v || (latchable && c.value + 1 == v)) {
                chosen = int(i);
                state.checked[i] = true;
                state.latchChecked = latchable && c.value + 1 == v;
                state.latchEnabled = latchable;
            }
        }
        break;
    }
    case EEditKind::RadioPairs:
        for (size_t i = 0; i < controls.size(); ++i) {
            const int bit = InSecondGroup(controls[i]) ? 2 : 1;
            state.checked[i] = ((v & bit) != 0) == (controls[i].value != 0);
        }
        break;
    case EEditKind::CheckBits:
    case EEditKind::Momentary:
        for (size_t i = 0; i < controls.size(); ++i)
            state.checked[i] = ((v >> controls[i].value) & 1) != 0;
        break;
    case EEditKind::CheckInverted:
        for (size_t i = 0; i < controls.size(); ++i)
            state.checked[i] = ((v >> controls[i].value) & 1) == 0;
        break;
    case EEditKind::InhibitTarget:
        OpenInhibitTarget(record, state, controls);
        break;
    }
    return state;
}

namespace {

// The raw value the controls stand for, before the limits are looked at.
std::optional<quint16> Mapped(const SEditTemplate& templ, const CParameter& record,
                              const SEditState& state)
{
    const std::vector<SEditControl>& controls = templ.controls;
    const int first = FirstChecked(state);
    quint32 bits = 0;
    switch (templ.kind) {
    case EEditKind::Slider:
        return std::nullopt;
    case EEditKind::TwoState: {
        if (first < 0)
            return std::nullopt;
        const bool asserted = state.checked[0];
        return asserted != record.invert ? record.maximum : record.minimum;
    }
    case EEditKind::Radio:
        return first < 0 ? std::nullopt : std::optional<quint16>(quint16(controls[first].value));
    case EEditKind::RadioDisplay:
        if (first < 0)
            return std::nullopt;
        return RawOf(record, controls[first].value);
    case EEditKind::RadioLatch: {
        if (first < 0)
            return std::nullopt;
        const SEditControl& c = controls[first];
        const bool latchable = (c.flags & SEditControl::kLatchable) != 0;
        return quint16(c.value + (latchable && state.latchChecked ? 1 : 0));
    }
    case EEditKind::RadioPairs:
        for (size_t i = 0; i < controls.size(); ++i)
            bits |= state.checked[i] ? quint32(controls[i].value) : 0;
        return quint16(bits);
    case EEditKind::CheckBits:
    case EEditKind::Momentary:
    case EEditKind::InhibitTarget:
        for (size_t i = 0; i < controls.size(); ++i) {
            if (state.checked[i] && !(controls[i].flags & SEditControl::kNone))
                bits |= 1u << controls[i].value;
        }
        if (templ.kind == EEditKind::InhibitTarget && record.tagNumber == kInhibitTargetSwappedTag)
            return CEditValueMap::ExchangeBits2And3(quint16(bits));
        return quint16(bits);
    case EEditKind::CheckInverted: {
        quint32 all = 0;
        for (size_t i = 0; i < controls.size(); ++i) {
            all |= 1u << controls[i].value;
            bits |= state.checked[i] ? 1u << controls[i].value : 0;
        }
        return quint16(~bits & all);
    }
    }
    return std::nullopt;
}

} // namespace

std::optional<quint16> CEditValueMap::Apply(const SEditTemplate& templ, const CParameter& record,
                                            const SEditState& state)
{
    // A choice the controller's limits do not allow is refused rather than moved to a limit:
    // for a set of bits or a named mode the nearest limit means something else entirely.
    const std::optional<quint16> value = Mapped(templ, record, state);
    if (value && !WithinLimits(record, *value))
        return std::nullopt;
    return value;
}

void CEditValueMap::Click(const SEditTemplate& templ, SEditState& state, int index)
{
    const std::vector<SEditControl>& controls = templ.controls;
    if (index < 0 || size_t(index) >= controls.size())
        return;
    const SEditControl& clicked = controls[size_t(index)];
    if (UsesRadioButtons(templ.kind) && state.checked[size_t(index)]) {
        for (size_t i = 0; i < controls.size(); ++i) {
            if (int(i) != index && InSecondGroup(controls[i]) == InSecondGroup(clicked))
                state.checked[i] = false;
        }
    }
    if (templ.kind == EEditKind::RadioLatch)
        state.latchEnabled = (clicked.flags & SEditControl::kLatchable) != 0;
    if (templ.kind != EEditKind::InhibitTarget)
        return;
    if (clicked.flags & SEditControl::kNone) {
        if (state.checked[size_t(index)]) {
            for (size_t i = 0; i < controls.size(); ++i)
                state.checked[i] = int(i) == index;
        }
        return;
    }
    if (clicked.flags & SEditControl::kBelly) {
        if (state.checked[size_t(index)]) {
            for (size_t i = 0; i < controls.size(); ++i)
                state.checked[i] = int(i) == index;
        }
        return;
    }
    // A target: "None" and "Belly Button" go as soon as any box other than "None" is checked.
    bool anyOther = false;
    for (size_t i = 0; i < controls.size(); ++i)
        anyOther |= state.checked[i] && !(controls[i].flags & SEditControl::kNone);
    if (!anyOther)
        return;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].flags & (SEditControl::kNone | SEditControl::kBelly))
            state.checked[i] = false;
    }
}

bool CEditValueMap::SliderUsable(qint64 minimum, qint64 maximum, qint64 step)
{
    return step != 0 && maximum >= minimum;
}

qint64 CEditValueMap::TickFrequency(qint64 minimum, qint64 maximum, qint64 step)
{
    if (!SliderUsable(minimum, maximum, step))
        return 0;
    const qint64 magnitude = step < 0 ? -step : step;
    qint64 frequency = magnitude;
    while ((maximum - minimum) / frequency > kMaxTicks)
        frequency += magnitude;
    return frequency;
}

qint64 CEditValueMap::Snap(qint64 position, qint64 minimum, qint64 maximum, qint64 step)
{
    if (step == 0)
        return 0;
    const qint64 snapped = (position / step) * step;
    return std::clamp(snapped, minimum, std::max(minimum, maximum));
}

int CEditValueMap::EntryDecimals(int presentationCode)
{
    return PresentationDecimals(presentationCode);
}

quint16 CEditValueMap::SnapToRawStep(const CParameter& record, quint16 word)
{
    // The step is a magnitude, whatever the Signed flag says.
    const qint64 snapped = Snap(record.Raw(word), record.Raw(record.minimum),
                                record.Raw(record.maximum), qint64(record.step));
    return ClampToLimits(record, record.ClampRaw(snapped));
}

QString CEditValueMap::EntryText(qint64 number, int decimals)
{
    return DecimalText(number, decimals);
}

CEditValueMap::SEntry CEditValueMap::ParseEntry(const QString& text, int decimals, qint64 minimum,
                                                qint64 maximum)
{
    SEntry entry;
    const QString range = QStringLiteral("Enter a value from %1 to %2.")
                              .arg(EntryText(minimum, decimals), EntryText(maximum, decimals));
    // Sign, whole part, decimals; at most 12 digits before the point keeps the sum in range.
    static const QRegularExpression number(QStringLiteral("^([+-]?)(\\d{0,12})(?:[.,](\\d*))?$"));
    const QRegularExpressionMatch match = number.match(text.trimmed());
    if (!match.hasMatch() || (match.captured(2).isEmpty() && match.captured(3).isEmpty())) {
        entry.error = QStringLiteral("Not a number. ") + range;
        return entry;
    }
    const QString fraction = match.captured(3);
    if (fraction.size() > decimals) {
        entry.error = decimals == 0
                          ? QStringLiteral("Enter a whole number. ") + range
                          : QStringLiteral("Enter at most %1 decimal%2. ")
                                    .arg(decimals)
                                    .arg(decimals == 1 ? QString() : QStringLiteral("s")) +
                                range;
        return entry;
    }
    qint64 value = match.captured(2).isEmpty() ? 0 : match.captured(2).toLongLong();
    for (int i = 0; i < decimals; ++i)
        value = value * 10 + (i < fraction.size() ? fraction.at(i).digitValue() : 0);
    if (match.captured(1) == QLatin1String("-"))
        value = -value;
    if (value < minimum || value > maximum) {
        entry.error = QStringLiteral("Out of range. ") + range;
        return entry;
    }
    entry.valid = true;
    entry.number = value;
    return entry;
}
