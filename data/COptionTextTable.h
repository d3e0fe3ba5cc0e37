#pragma once

#include "res/EString.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <span>

// The built-in option texts: for some tags the value is shown as a text instead of a number.
// Each row names a tag, the controller types it holds for, how the value picks its texts and
// which text list it uses. The texts themselves live in the string table (res/StringTable),
// list l's text i under id kFirstTextId + 16 * l + i.
class COptionTextTable
{
public:
    enum class EMode
    {
        Index, // text i for value i
        Bits   // text 0 for value 0, text i + 1 names bit i
    };

    struct Row
    {
        quint16 tagNumber;
        quint32 controllerTypes; // bit n: controller type n, as a tag's controller mask
        EMode mode;
        int list; // 1..kListCount
    };

    static constexpr int kRowCount = 48;
    static constexpr int kListCount = 34;
    static constexpr int kFirstTextId = 3000;

    static std::span<const Row> Rows();

    // The first row for the tag whose type set holds controller type (controllerType mod 32),
    // or nullptr.
    static const Row* FindRow(quint16 tagNumber, quint16 controllerType);

    // String-table id of text i of a list; list lengths are at most 16. The option texts are
    // the one part of the table looked up by a computed number, so this is where a number
    // becomes a string id.
    static EString TextId(int list, int index)
    {
        return static_cast<EString>(kFirstTextId + 16 * list + index);
    }
    static int ListLength(int list); // 0 for a list outside 1..kListCount
    static QStringList ListTexts(int list);
};

// Whether the tag's values are shown as option texts for the controller type.
bool HasOptionText(quint16 tagNumber, quint16 controllerType);

// The option text of value v (a signed 16-bit value) of a tag on a controller type. Values
// with no text of their own are shown as their decimal number.
QString OptionText(quint16 controllerType, quint16 tagNumber, qint16 v);
