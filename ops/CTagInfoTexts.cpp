#include "ops/CTagInfoTexts.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "data/CUnitsTable.h"

const std::array<CTagInfoTexts::SFlagLine, 8>& CTagInfoTexts::FlagLines()
{
    static const std::array<SFlagLine, 8> lines = {{
        {1113, "Supported", CParameter::kSupported},
        {1114, "Foreground", CParameter::kForeground},
        {1115, "Invert", CParameter::kInvert},
        {1116, "Wrap", CParameter::kWrap},
        {1117, "Signed", CParameter::kSigned},
        {1118, "Volatile", CParameter::kVolatile},
        {1119, "Read only", CParameter::kReadOnly},
        {1120, "Temp. unavailable", CParameter::kTempUnavailable},
    }};
    return lines;
}

CTagInfoTexts CTagInfoTexts::Make(const CParameter& record, const CTagInfo& tag)
{
    const auto raw = [&](const char* caption, quint16 word) {
        return QStringLiteral("%1: %2").arg(QLatin1String(caption)).arg(record.Raw(word));
    };
    CTagInfoTexts texts;
    texts.name = CCodePage::ToUnicode(tag.name);
    texts.number = QStringLiteral("Tag number: 0x%1")
                       .arg(QStringLiteral("%1")
                                .arg(static_cast<uint>(tag.tag), 4, 16, QLatin1Char('0'))
                                .toUpper());
    texts.value = raw("Value", record.value);
    texts.minimum = raw("Minimum", record.minimum);
    texts.maximum = raw("Maximum", record.maximum);
    texts.scale = raw("Scale", record.scale);
    texts.div = raw("Div", record.div);
    texts.shift = raw("Shift", record.shift);
    texts.step = raw("Step", record.step);
    texts.privilege = QStringLiteral("Priviledge Level: %1").arg(tag.privilege);
    if (const CUnitsTable::Entry* entry = CUnitsTable::Find(record.unitsCode))
        texts.units = QLatin1String(entry->name);
    texts.flags = record.FlagsByte();
    return texts;
}
