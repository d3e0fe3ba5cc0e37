#include "data/CErrorText.h"

namespace {

std::unique_ptr<CSerializable> CreateErrorText()
{
    return std::make_unique<CErrorText>();
}

} // namespace

const CArchiveClass& CErrorText::ClassInfo()
{
    // Derived from CTextObject so that a text list, which holds CTextObject records, takes it.
    static const CArchiveClass info{"CErrorText", kSchema, false, &CTextObject::ClassInfo(),
                                    &CreateErrorText};
    return info;
}
