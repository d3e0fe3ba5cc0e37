#include "ops/tools/CTripNames.h"

#include "data/CCodePage.h"
#include "data/CTagFile.h"
#include "data/CTextObject.h"

std::optional<QString> CTripNames::Find(const CTagFile& tags, std::uint16_t code)
{
    const CTextObject* record = tags.FindText(code);
    if (!record)
        return std::nullopt;
    return CCodePage::ToUnicode(record->Text(0));
}
