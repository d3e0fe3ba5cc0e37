#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class CParameter;
class CTagInfo;

// Value texts of parameters, in the units of their tag.

// The text of number n of a record whose tag has the given units code and presentation code.
// limit is true for the minimum and maximum texts (a two-state limit is "on" when it equals
// the raw maximum) and false for the value text (the record's two-state rule, with Invert).
//
// Presentation codes: 1 "%0.1f secs" of n/10, 2 "%0.2f secs" of n/100, 3 the units format and
// " %", 4 the units format and " sec" / " secs", 5 "%0.1f Amps" of n/10, 6 "%0.1f Volts" of
// n/10, 7 "%0.1f" of n/10; 0 and 8..127 the units format alone. A units code outside the
// table formats as a plain decimal number.
QString FormatValue(qint64 n, quint16 tagUnitsCode, int tagPresentationCode,
                    const CParameter& record, bool limit);

// Applies a units format (the 8-bit text 2 of a units entry) to n. The formats use one
// placeholder of printf's: "%d", "%c" (the character of the low byte of n), "%X"/"%x" with
// optional zero padding and width, and "%%" for a percent sign. "%c" of 0 ends the text, as
// the terminating zero it is. Result in 8-bit bytes.
// The same with the units and presentation codes of the tag.
QString FormatValue(qint64 n, const CTagInfo& tag, const CParameter& record, bool limit);

QByteArray ApplyUnitsFormat(const QByteArray& format, qint64 n);

// Decimals a number of the presentation shows, as FormatValue writes it: codes 1 and 5..7
// one (tenths), 2 two (hundredths), every other code none.
int PresentationDecimals(int tagPresentationCode);

// A number held in units of the last decimal as a decimal text with `decimals` decimals:
// 115 with one decimal is "11.5", -5 with two is "-0.05". No rounding through a float.
QString DecimalText(qint64 units, int decimals);

// Four hexadecimal digits, zero-padded, without a prefix: 0x011C is "011C". Tag numbers and
// the other 16-bit words the texts show (trip codes, checksums) are written so; the
// messages and records that name a tag as "0x011c" take the lower-case letters.
enum class EHexCase
{
    Upper,
    Lower
};
QString HexWord(unsigned word, EHexCase letters = EHexCase::Upper);
