#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// A parameter's displayed number written the way the list view shows it: the presentations
// that divide by ten or a hundred show one or two decimals, and a typed value is read back in
// the same units. The number is held in the record's display units (11.5 with one decimal is
// 115), so no value is ever rounded through a float.
class CDisplayNumber
{
public:
    // Decimals the list view shows for a presentation code (PresentationDecimals): 1 and 5..7
    // one, 2 two, others none.
    static int Decimals(int presentationCode);

    // "11.5", "-12", "+3.25", or a 0x-prefixed hexadecimal whole number, to display units.
    // nullopt when it is not such a number, or has more decimals than `decimals` (*tooPrecise
    // then says so) or is beyond 2^47.
    static std::optional<qint64> Parse(const QString& text, int decimals,
                                       bool* tooPrecise = nullptr);

    // Display units as a decimal text with `decimals` decimals (DecimalText): 115 and 1 give
    // "11.5".
    static QString Format(qint64 units, int decimals);
};
