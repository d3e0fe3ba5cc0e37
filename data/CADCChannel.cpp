#include "data/CADCChannel.h"

#include "data/CArchive.h"
#include "data/CCodePage.h"

namespace {

std::unique_ptr<CSerializable> CreateChannel()
{
    return std::make_unique<CADCChannel>();
}

std::unique_ptr<CSerializable> CreateChannelDlg()
{
    return std::make_unique<CADCChannelDlg>();
}

} // namespace

const CArchiveClass& CADCChannel::ClassInfo()
{
    static const CArchiveClass info{"CADCChannel", kSchema, false, nullptr, &CreateChannel};
    return info;
}

const CArchiveClass& CADCChannelDlg::ClassInfo()
{
    static const CArchiveClass info{"CADCChannelDlg", kSchema, false, &CADCChannel::ClassInfo(),
                                    &CreateChannelDlg};
    return info;
}

const CArchiveClassTable& CADCChannel::FileClasses()
{
    static const CArchiveClassTable table{&CADCChannel::ClassInfo(), &CADCChannelDlg::ClassInfo()};
    return table;
}

void CADCChannel::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive.WriteWord(tag);
        archive.WriteInt32(minimum);
        archive.WriteInt32(maximum);
        archive.WriteWord(accessLevel);
        archive.WriteString(CCodePage::FromUnicode(name));
        archive.WriteString(CCodePage::FromUnicode(secondText));
        archive.WriteInt32(controllerType);
        archive.WriteDWord(reserved1);
        archive.WriteInt32(reserved2);
        archive.WriteDWord(rangeLow);
        archive.WriteDWord(rangeHigh);
    } else {
        tag = archive.ReadWord();
        minimum = archive.ReadInt32();
        maximum = archive.ReadInt32();
        accessLevel = archive.ReadWord();
        name = CCodePage::ToUnicode(archive.ReadString());
        secondText = CCodePage::ToUnicode(archive.ReadString());
        controllerType = archive.ReadInt32();
        reserved1 = archive.ReadDWord();
        reserved2 = archive.ReadInt32();
        rangeLow = archive.ReadDWord();
        rangeHigh = archive.ReadDWord();
    }
}

bool CADCChannel::SameFields(const CADCChannel& other) const
{
    return tag == other.tag && minimum == other.minimum && maximum == other.maximum &&
           accessLevel == other.accessLevel && name == other.name &&
           secondText == other.secondText && controllerType == other.controllerType &&
           reserved1 == other.reserved1 && reserved2 == other.reserved2 &&
           rangeLow == other.rangeLow && rangeHigh == other.rangeHigh;
}

std::vector<CADCChannel> CADCChannel::ReadFile(QIODevice* device)
{
    std::vector<std::unique_ptr<CADCChannel>> records;
    CArchive archive(device, CArchive::EMode::Load, &FileClasses());
    archive.ReadObjectList(records);
    archive.Close();
    // Records of either class become plain channels: the list keeps fields, not windows.
    std::vector<CADCChannel> channels;
    channels.reserve(records.size());
    for (const auto& record : records)
        channels.emplace_back(*record);
    return channels;
}

void CADCChannel::WriteFile(QIODevice* device, const std::vector<CADCChannel>& channels)
{
    CArchive archive(device, CArchive::EMode::Store);
    archive.WriteCount(static_cast<std::uint32_t>(channels.size()));
    // Storing only reads the fields; Serialize is not const because loading shares it.
    for (const CADCChannel& channel : channels)
        archive.WriteObject(const_cast<CADCChannel*>(&channel));
    archive.Close();
}
