#include "data/CParameter.h"

#include "data/CArchive.h"
#include "data/COptionTextTable.h"
#include "data/CParameterText.h"
#include "data/CTagInfo.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// Round half away from zero and truncate toward zero, as the controllers' tools always have.
double RoundHalfAway(double r)
{
    return std::trunc(r >= 0 ? r + 0.5 : r - 0.5);
}

} // namespace

quint8 CParameter::FlagsByte() const
{
    quint8 flags = 0;
    if (invert)
        flags |= LinkProtocol::kStatusInvert;
    if (isSigned)
        flags |= LinkProtocol::kStatusSigned;
    if (foreground)
        flags |= LinkProtocol::kStatusForeground;
    if (wrap)
        flags |= LinkProtocol::kStatusWrap;
    if (supported)
        flags |= LinkProtocol::kStatusSupported;
    if (readOnly)
        flags |= LinkProtocol::kStatusReadOnly;
    if (isVolatile)
        flags |= LinkProtocol::kStatusVolatile;
    if (tempUnavailable)
        flags |= LinkProtocol::kStatusTempUnavailable;
    return flags;
}

void CParameter::SetFlagsByte(quint8 flags)
{
    invert = flags & LinkProtocol::kStatusInvert;
    isSigned = flags & LinkProtocol::kStatusSigned;
    foreground = flags & LinkProtocol::kStatusForeground;
    wrap = flags & LinkProtocol::kStatusWrap;
    supported = flags & LinkProtocol::kStatusSupported;
    readOnly = flags & LinkProtocol::kStatusReadOnly;
    isVolatile = flags & LinkProtocol::kStatusVolatile;
    tempUnavailable = flags & LinkProtocol::kStatusTempUnavailable;
}

qint32 CParameter::Raw(quint16 word) const
{
    return isSigned ? qint32(qint16(word)) : qint32(word);
}

qint64 CParameter::ToDisplay(quint16 word) const
{
    if (div == 0)
        return 0;
    const double r = double(Raw(word)) * Raw(scale) / Raw(div) + Raw(shift);
    // |r| stays below 2^33, so the conversion is exact and defined.
    return qint64(RoundHalfAway(r));
}

quint16 CParameter::FromDisplay(qint64 number, bool* clamped) const
{
    if (clamped)
        *clamped = false;
    // A scale of 0 maps every raw value to the shift, so there is nothing to invert; a read
    // never stores one, but a profile may carry it.
    if (div == 0 || scale == 0)
        return 0;
    const double d = isSigned ? double(qint16(quint16(number & 0xFFFF))) : double(number);
    const double r = RoundHalfAway((d - Raw(shift)) * Raw(div) / Raw(scale));

    // Clamp while still in floating point: a huge number must not overflow the conversion.
    const double lo = isSigned ? -32768.0 : 0.0;
    const double hi = isSigned ? 32767.0 : 65535.0;
    double c = r;
    if (c < lo)
        c = lo;
    else if (c > hi)
        c = hi;
    if (clamped)
        *clamped = (c != r);
    return quint16(qint32(c) & 0xFFFF);
}

quint16 CParameter::ClampRaw(qint64 number, bool* clamped) const
{
    const qint64 lo = isSigned ? -32768 : 0;
    const qint64 hi = isSigned ? 32767 : 65535;
    const qint64 c = std::clamp(number, lo, hi);
    if (clamped)
        *clamped = (c != number);
    return quint16(c & 0xFFFF);
}

qint64 CParameter::MinimumDisplay() const
{
    return foreground ? Raw(minimum) : ToDisplay(minimum);
}

qint64 CParameter::MaximumDisplay() const
{
    return foreground ? Raw(maximum) : ToDisplay(maximum);
}

qint64 CParameter::StepDisplay() const
{
    if (foreground)
        return Raw(step);
    if (div == 0)
        return 0;
    // All three unsigned here, whatever isSigned says: the step is a magnitude.
    return qint64(quint64(step) * scale / div);
}

bool CParameter::TwoStateOf(qint64 number) const
{
    return (ClampRaw(number) == maximum) != invert;
}

void CParameter::SetTwoState(bool on)
{
    value = (on != invert) ? maximum : minimum;
}

quint32 CParameter::ComputeChecksum() const
{
    quint32 sum = extension;
    for (quint16 word : {tagNumber, value, checksumWord, displayWord, maximum, minimum, scale, div,
                         shift, step, unitsCode})
        sum += word;
    return sum + quint32(std::popcount(FlagsByte()));
}

bool CParameter::IsChecksumAccepted(quint32 stored, quint32 recomputed)
{
    const auto d = qint32(recomputed - stored);
    return d >= kChecksumWindowLow && d <= kChecksumWindowHigh;
}

const CArchiveClass& CParameter::ClassInfo()
{
    static const CArchiveClass info{"CParameter", kSchema, false, nullptr,
                                    [] { return std::unique_ptr<CSerializable>(new CParameter); }};
    return info;
}

void CParameter::Serialize(CArchive& archive)
{
    quint16* const words[] = {&tagNumber, &value, &checksumWord, &displayWord, &maximum,  &minimum,
                              &scale,     &div,   &shift,        &step,        &unitsCode};
    if (archive.IsStoring()) {
        recordChecksum = ComputeChecksum();
        archive.WriteByte(extension);
        for (quint16* word : words)
            archive.WriteWord(*word);
        archive.WriteByte(FlagsByte());
        archive.WriteDWord(recordChecksum);
    } else {
        extension = archive.ReadByte();
        for (quint16* word : words)
            *word = archive.ReadWord();
        SetFlagsByte(archive.ReadByte());
        recordChecksum = archive.ReadDWord();
    }
}

bool CParameter::operator==(const CParameter& o) const
{
    return tagNumber == o.tagNumber && value == o.value && checksumWord == o.checksumWord &&
           maximum == o.maximum && minimum == o.minimum && scale == o.scale && div == o.div &&
           shift == o.shift && step == o.step && unitsCode == o.unitsCode &&
           recordChecksum == o.recordChecksum && extension == o.extension &&
           displayWord == o.displayWord && FlagsByte() == o.FlagsByte();
}

QString CParameter::NumberText(qint64 number, quint16 tagUnitsCode, int tagPresentationCode,
                               quint16 controllerType, bool limit) const
{
    if (HasOptionText(tagNumber, controllerType))
        return OptionText(controllerType, tagNumber, qint16(quint16(number & 0xFFFF)));
    return FormatValue(number, tagUnitsCode, tagPresentationCode, *this, limit);
}

QString CParameter::ValueText(quint16 tagUnitsCode, int tagPresentationCode,
                              quint16 controllerType) const
{
    return NumberText(ValueDisplay(), tagUnitsCode, tagPresentationCode, controllerType, false);
}

QString CParameter::MinimumText(quint16 tagUnitsCode, int tagPresentationCode,
                                quint16 controllerType) const
{
    return NumberText(MinimumDisplay(), tagUnitsCode, tagPresentationCode, controllerType, true);
}

QString CParameter::MaximumText(quint16 tagUnitsCode, int tagPresentationCode,
                                quint16 controllerType) const
{
    return NumberText(MaximumDisplay(), tagUnitsCode, tagPresentationCode, controllerType, true);
}

QString CParameter::ValueText(const CTagInfo& tag, quint16 controllerType) const
{
    return ValueText(tag.unitsCode, tag.PresentationCode(), controllerType);
}

QString CParameter::MinimumText(const CTagInfo& tag, quint16 controllerType) const
{
    return MinimumText(tag.unitsCode, tag.PresentationCode(), controllerType);
}

QString CParameter::MaximumText(const CTagInfo& tag, quint16 controllerType) const
{
    return MaximumText(tag.unitsCode, tag.PresentationCode(), controllerType);
}
