#include "edit/CTagInfoTexts.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CParameterText.h"
#include "data/CTagInfo.h"
#include "data/CUnitsTable.h"
#include "link/LinkProtocol.h"

const std::array<CTagInfoTexts::SFlagLine, 8>& CTagInfoTexts::FlagLines()
{
    static const std::array<SFlagLine, 8> lines = {{
        {1113, "Supported", LinkProtocol::kStatusSupported},
        {1114, "Foreground", LinkProtocol::kStatusForeground},
        {1115, "Invert", LinkProtocol::kStatusInvert},
        {1116, "Wrap", LinkProtocol::kStatusWrap},
        {1117, "Signed", LinkProtocol::kStatusSigned},
        {1118, "Volatile", LinkProtocol::kStatusVolatile},
        {1119, "Read only", LinkProtocol::kStatusReadOnly},
        {1120, "Temp. unavailable", LinkProtocol::kStatusTempUnavailable},
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
    texts.number = QStringLiteral("Tag number: 0x%1").arg(HexWord(tag.tag));
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
