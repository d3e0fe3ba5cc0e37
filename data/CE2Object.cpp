#include "data/CE2Object.h"

#include "data/CArchive.h"

namespace {

std::unique_ptr<CSerializable> CreateE2Object()
{
    return std::make_unique<CE2Object>();
}

} // namespace

const CArchiveClass& CE2Object::ClassInfo()
{
    static const CArchiveClass info{"CE2Object", kSchema, false, nullptr, &CreateE2Object};
    return info;
}

void CE2Object::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive.WriteWord(address);
        archive.WriteByte(data);
        return;
    }
    address = archive.ReadWord();
    data = archive.ReadByte();
    valid = 1;
}
