#include "data/COptionTextTable.h"

#include "res/StringTable.h"

#include <array>

namespace {

using EMode = COptionTextTable::EMode;

constexpr quint32 Type(int t)
{
    return quint32(1) << t;
}

constexpr quint32 kAll = 0xFFFFFFFF;

constexpr std::array<COptionTextTable::Row, COptionTextTable::kRowCount> kRows = {{
    {7936, Type(9) | Type(10), EMode::Index, 1},
    {7937, Type(9) | Type(10), EMode::Index, 1},
    {7938, Type(9) | Type(10), EMode::Index, 1},
    {8000, Type(30) | Type(31), EMode::Index, 2},
    {8016, Type(30) | Type(31), EMode::Index, 2},
    {8002, Type(30) | Type(31), EMode::Bits, 3},
    {8018, Type(30) | Type(31), EMode::Bits, 4},
    {16480, kAll, EMode::Index, 5},
    {16481, kAll, EMode::Index, 5},
    {16482, kAll, EMode::Index, 5},
    {16736, kAll, EMode::Index, 6},
    {16737, kAll, EMode::Index, 6},
    {16738, kAll, EMode::Index, 6},
    {16912, Type(9) | Type(10), EMode::Index, 7},
    {16928, Type(9) | Type(10), EMode::Index, 7},
    {16944, Type(9) | Type(10), EMode::Index, 7},
    {16960, Type(9) | Type(10), EMode::Index, 7},
    {16912, Type(30) | Type(31), EMode::Index, 8},
    {16928, Type(30) | Type(31), EMode::Index, 9},
    {16944, Type(30) | Type(31), EMode::Index, 10},
    {16912, Type(14), EMode::Index, 11},
    {337, Type(14) | Type(30) | Type(31), EMode::Index, 12},
    {13316, Type(14) | Type(30) | Type(31), EMode::Index, 12},
    {13323, Type(14) | Type(30) | Type(31), EMode::Index, 13},
    {7264, Type(14) | Type(30) | Type(31), EMode::Index, 14},
    {7234, Type(9) | Type(10), EMode::Bits, 15},
    {7234, Type(30) | Type(31), EMode::Bits, 16},
    {7952, kAll, EMode::Bits, 17},
    {7680, kAll, EMode::Bits, 18},
    {7440, kAll, EMode::Index, 19},
    {13313, kAll, EMode::Index, 20},
    {7201, kAll, EMode::Index, 21},
    {13312, kAll, EMode::Index, 22},
    {13376, kAll, EMode::Index, 23},
    {8197, kAll, EMode::Index, 24},
    {20512, kAll, EMode::Bits, 25},
    {13379, Type(30) | Type(31), EMode::Index, 26},
    {7240, Type(30) | Type(31), EMode::Index, 27},
    {7248, Type(30) | Type(31), EMode::Index, 28},
    {8048, Type(30) | Type(31), EMode::Index, 29},
    {20781, Type(12), EMode::Index, 30},
    {20782, Type(12), EMode::Index, 30},
    {20783, Type(12), EMode::Index, 31},
    {20784, Type(12), EMode::Index, 31},
    {20788, Type(12), EMode::Index, 32},
    {20752, Type(12), EMode::Index, 33},
    {20753, Type(12), EMode::Index, 33},
    {20780, Type(12), EMode::Index, 34},
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

// Tags with option texts on the types 14, 30 and 31 only.
constexpr quint16 kTypes14To31[] = {337, 7264, 13316, 13323};

// Battery-voltage tags of type 30, shown as volts: (v + 140) / 10.
constexpr quint16 kVoltTags30[] = {7232, 7235};

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
    const quint32 typeBit = Type(controllerType % 32);
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
    if (Contains(kTypes14To31, tagNumber))
        return controllerType == 14 || controllerType == 30 || controllerType == 31;
    if (Contains(kVoltTags30, tagNumber))
        return controllerType == 30;
    return false;
}

QString OptionText(quint16 controllerType, quint16 tagNumber, qint16 v)
{
    const COptionTextTable::Row* row = COptionTextTable::FindRow(tagNumber, controllerType);
    if (!row) {
        if (controllerType == 30 && Contains(kVoltTags30, tagNumber))
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
