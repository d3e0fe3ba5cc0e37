#include "data/COptionTextTable.h"

#include "link/EControllerType.h"
#include "res/StringTable.h"

#include <array>

namespace {

using EMode = COptionTextTable::EMode;

// Controller-mask bit of a type.
constexpr quint32 Type(EControllerType type)
{
    return quint32(1) << ControllerTypeNumber(type);
}

constexpr quint32 kAll = 0xFFFFFFFF;
constexpr quint32 kTarnFamily = Type(EControllerType::Tarn) | Type(EControllerType::TarnPlus);
constexpr quint32 kCorvo120 = Type(EControllerType::Corvo120);
constexpr quint32 kStoat = Type(EControllerType::Stoat);
constexpr quint32 kStoatVariants = Type(EControllerType::Ivor36V) | Type(EControllerType::Ivor);

constexpr std::array<COptionTextTable::Row, COptionTextTable::kRowCount> kRows = {{
    {7936, kTarnFamily, EMode::Index, 1},
    {7937, kTarnFamily, EMode::Index, 1},
    {7938, kTarnFamily, EMode::Index, 1},
    {8000, kStoatVariants, EMode::Index, 2},
    {8016, kStoatVariants, EMode::Index, 2},
    {8002, kStoatVariants, EMode::Bits, 3},
    {8018, kStoatVariants, EMode::Bits, 4},
    {16480, kAll, EMode::Index, 5},
    {16481, kAll, EMode::Index, 5},
    {16482, kAll, EMode::Index, 5},
    {16736, kAll, EMode::Index, 6},
    {16737, kAll, EMode::Index, 6},
    {16738, kAll, EMode::Index, 6},
    {16912, kTarnFamily, EMode::Index, 7},
    {16928, kTarnFamily, EMode::Index, 7},
    {16944, kTarnFamily, EMode::Index, 7},
    {16960, kTarnFamily, EMode::Index, 7},
    {16912, kStoatVariants, EMode::Index, 8},
    {16928, kStoatVariants, EMode::Index, 9},
    {16944, kStoatVariants, EMode::Index, 10},
    {16912, kStoat, EMode::Index, 11},
    {337, kStoat | kStoatVariants, EMode::Index, 12},
    {13316, kStoat | kStoatVariants, EMode::Index, 12},
    {13323, kStoat | kStoatVariants, EMode::Index, 13},
    {7264, kStoat | kStoatVariants, EMode::Index, 14},
    {7234, kTarnFamily, EMode::Bits, 15},
    {7234, kStoatVariants, EMode::Bits, 16},
    {7952, kAll, EMode::Bits, 17},
    {7680, kAll, EMode::Bits, 18},
    {7440, kAll, EMode::Index, 19},
    {13313, kAll, EMode::Index, 20},
    {7201, kAll, EMode::Index, 21},
    {13312, kAll, EMode::Index, 22},
    {13376, kAll, EMode::Index, 23},
    {8197, kAll, EMode::Index, 24},
    {20512, kAll, EMode::Bits, 25},
    {13379, kStoatVariants, EMode::Index, 26},
    {7240, kStoatVariants, EMode::Index, 27},
    {7248, kStoatVariants, EMode::Index, 28},
    {8048, kStoatVariants, EMode::Index, 29},
    {20781, kCorvo120, EMode::Index, 30},
    {20782, kCorvo120, EMode::Index, 30},
    {20783, kCorvo120, EMode::Index, 31},
    {20784, kCorvo120, EMode::Index, 31},
    {20788, kCorvo120, EMode::Index, 32},
    {20752, kCorvo120, EMode::Index, 33},
    {20753, kCorvo120, EMode::Index, 33},
    {20780, kCorvo120, EMode::Index, 34},
}};

// Number of texts in lists 1..34.
constexpr std::array<int, COptionTextTable::kListCount> kListLengths = {
    12, 3, 6, 7, 5, 6, 9, 5, 7, 5, 5, 3, 3, 3, 8, 5, 3,
    3,  5, 2, 2, 2, 4, 2, 5, 2, 4, 3, 2, 5, 3, 3, 3, 3};

// Tags with option texts whatever the controller type.
constexpr quint16 kAnyType[] = {
    7201,  7234,  7240,  7248,  7440,  7680,  7936,  7937,  7938,  7952,  8000,  8002,  8016,
    8018,  8048,  8197,  13312, 13313, 13376, 13379, 16480, 16481, 16482, 16736, 16737, 16738,
    16912, 16928, 16944, 16960, 20512, 20752, 20753, 20780, 20781, 20782, 20783, 20784, 20788};

// Tags with option texts on the Stoat and its variants only.
constexpr quint16 kStoatFamilyTags[] = {337, 7264, 13316, 13323};

// Battery-voltage tags of the 36 V variant, shown as volts: (v + 140) / 10.
constexpr quint16 kVoltTags36V[] = {7232, 7235};

template <size_t N> bool Contains(const quint16 (&tags)[N], quint16 tag)
{
    for (quint16 t : tags)
        if (t == tag)
            return true;
    return false;
}

} // namespace

std::span<const COptionTextTable::Row> COptionTextTable::Rows()
{
    return kRows;
}

const COptionTextTable::Row* COptionTextTable::FindRow(quint16 tagNumber, quint16 controllerType)
{
    const quint32 typeBit = quint32(1) << (controllerType % kControllerTypeCount);
    for (const Row& row : kRows)
        if (row.tagNumber == tagNumber && (row.controllerTypes & typeBit))
            return &row;
    return nullptr;
}

int COptionTextTable::ListLength(int list)
{
    if (list < 1 || list > kListCount)
        return 0;
    return kListLengths[size_t(list - 1)];
}

QStringList COptionTextTable::ListTexts(int list)
{
    QStringList texts;
    for (int i = 0; i < ListLength(list); ++i)
        texts.append(LoadString(TextId(list, i)));
    return texts;
}

bool HasOptionText(quint16 tagNumber, quint16 controllerType)
{
    if (Contains(kAnyType, tagNumber))
        return true;
    const EControllerType type = ControllerTypeFromNumber(controllerType);
    if (Contains(kStoatFamilyTags, tagNumber))
        return IsStoatFamily(type);
    if (Contains(kVoltTags36V, tagNumber))
        return type == EControllerType::Ivor36V;
    return false;
}

QString OptionText(quint16 controllerType, quint16 tagNumber, qint16 v)
{
    const COptionTextTable::Row* row = COptionTextTable::FindRow(tagNumber, controllerType);
    if (!row) {
        if (ControllerTypeFromNumber(controllerType) == EControllerType::Ivor36V &&
            Contains(kVoltTags36V, tagNumber))
            return QString::asprintf("%.1f V", (double(v) + 140.0) / 10.0);
        return QString::number(v);
    }

    // The controller reports this tag's outputs active-low.
    if (tagNumber == 20512)
        v = qint16(~v & 0x000F);

    const QStringList texts = COptionTextTable::ListTexts(row->list);
    if (row->mode == EMode::Index)
        return v >= 0 && v < texts.size() ? texts[v] : QString::number(v);

    if (v == 0)
        return texts.isEmpty() ? QStringLiteral("NULL") : texts[0];
    QString text;
    const auto bits = quint16(v);
    for (int i = 0; i < 16; ++i) {
        if (!(bits & (1u << i)))
            continue;
        const QString name = i + 1 < texts.size() ? texts[i + 1] : QString::number(i + 1);
        if (name.isEmpty())
            continue;
        if (!text.isEmpty())
            text += QStringLiteral(", ");
        text += name;
    }
    return text;
}
