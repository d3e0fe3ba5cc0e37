#include "data/CTagInfo.h"

#include "data/CArchive.h"

namespace {

std::unique_ptr<CSerializable> CreateTagInfo()
{
    return std::make_unique<CTagInfo>();
}

} // namespace

const CArchiveClass& CTagInfo::ClassInfo()
{
    static const CArchiveClass info{"CTagInfo", kSchema, false, nullptr, &CreateTagInfo};
    return info;
}

bool CTagInfo::AppliesToType(std::uint32_t controllerType) const
{
    if (controllerType == kNoControllerType)
        return true;
    return (controllerMask >> (controllerType % kControllerTypeCount)) & 1u;
}

void CTagInfo::SetPresentationCode(int code)
{
    displayWord = static_cast<std::uint16_t>((displayWord & 0xFF01) | ((code & 0x7F) << 1));
}

bool CTagInfo::HasHelp() const
{
    return !help.isEmpty() && help != QByteArrayView("No Help Available ");
}

void CTagInfo::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive.WriteWord(privilege);
        archive.WriteWord(tag);
        archive.WriteWord(spare1);
        archive.WriteWord(unitsCode);
        archive.WriteWord(group);
        for (std::uint16_t word : presentationWords)
            archive.WriteWord(word);
        archive.WriteWord(displayWord);
        archive.WriteDWord(controllerMask);
        archive.WriteWord(spare2);
        archive.WriteString(name);
        archive.WriteString(information);
        archive.WriteString(help);
    } else {
        privilege = archive.ReadWord();
        tag = archive.ReadWord();
        spare1 = archive.ReadWord();
        unitsCode = archive.ReadWord();
        group = archive.ReadWord();
        for (std::uint16_t& word : presentationWords)
            word = archive.ReadWord();
        displayWord = archive.ReadWord();
        controllerMask = archive.ReadDWord();
        spare2 = archive.ReadWord();
        name = archive.ReadString();
        information = archive.ReadString();
        help = archive.ReadString();
    }
}
