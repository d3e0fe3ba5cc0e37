#include "edit/CRawParameterFields.h"

#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "data/CUnitsTable.h"
#include "link/LinkProtocol.h"
#include "res/StringTable.h"

namespace {

std::optional<qint64> ParseDecimal(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    // Digits only, after an optional sign: toLongLong would also take blanks inside.
    for (int i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        const bool sign = i == 0 && (c == u'-' || c == u'+') && trimmed.size() > 1;
        if (!sign && (c < u'0' || c > u'9'))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 number = trimmed.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return number;
}

QString Caption(const QString& label)
{
    QString caption = label;
    caption.remove(u'&');
    return caption;
}

// A word as the flags say it is read: signed 16-bit with kSigned, unsigned otherwise.
qint32 Number(const CRawParameterFields::SFields& fields, CRawParameterFields::EWord word)
{
    const quint16 w = fields.words[word];
    return (fields.flags & LinkProtocol::kStatusSigned) ? qint32(qint16(w)) : qint32(w);
}

} // namespace

CRawParameterFields::SFields CRawParameterFields::FromRecord(const CParameter& record,
                                                             const CTagInfo& tag)
{
    SFields fields;
    fields.words[Value] = record.value;
    fields.words[Minimum] = record.minimum;
    fields.words[Maximum] = record.maximum;
    fields.words[Step] = record.step;
    fields.words[Scale] = record.scale;
    fields.words[Div] = record.div;
    fields.words[Shift] = record.shift;
    fields.flags = record.FlagsByte();
    fields.unitsCode = CUnitsTable::Find(tag.unitsCode) ? tag.unitsCode : -1;
    fields.modifier = tag.PresentationCode();
    return fields;
}

void CRawParameterFields::Apply(const SFields& fields, CParameter& record, CTagInfo& tag)
{
    record.value = fields.words[Value];
    record.minimum = fields.words[Minimum];
    record.maximum = fields.words[Maximum];
    record.step = fields.words[Step];
    record.scale = fields.words[Scale];
    record.div = fields.words[Div];
    record.shift = fields.words[Shift];
    tag.SetPresentationCode(fields.modifier);
    record.SetFlagsByte(fields.flags);
    if (fields.unitsCode >= 0)
        tag.unitsCode = static_cast<quint16>(fields.unitsCode);
}

QString CRawParameterFields::WordText(quint16 word)
{
    return QString::number(word);
}

std::optional<quint16> CRawParameterFields::ParseWord(const QString& text)
{
    const auto number = ParseDecimal(text);
    if (!number || *number < kWordLow || *number > kWordHigh)
        return std::nullopt;
    return static_cast<quint16>(*number & 0xFFFF);
}

std::optional<int> CRawParameterFields::ParseModifier(const QString& text)
{
    const auto number = ParseDecimal(text);
    if (!number || *number < kModifierLow || *number > kModifierHigh)
        return std::nullopt;
    return static_cast<int>(*number);
}

QString CRawParameterFields::WordRefusal(const QString& label)
{
    return LoadString(EString::WordOutOfRange).arg(Caption(label)).arg(kWordLow).arg(kWordHigh);
}

QString CRawParameterFields::ModifierRefusal(const QString& label)
{
    return LoadString(EString::NumberOutOfRange)
        .arg(Caption(label))
        .arg(kModifierLow)
        .arg(kModifierHigh);
}

bool CRawParameterFields::ValueWithinLimits(const SFields& fields)
{
    const qint32 value = Number(fields, Value);
    return value >= Number(fields, Minimum) && value <= Number(fields, Maximum);
}

QString CRawParameterFields::LimitsRefusal(const QString& label, const SFields& fields)
{
    return LoadString(EString::NumberOutOfRange)
        .arg(Caption(label))
        .arg(Number(fields, Minimum))
        .arg(Number(fields, Maximum));
}
