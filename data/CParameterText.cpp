#include "data/CParameterText.h"

#include "data/CCodePage.h"
#include "data/CParameter.h"
#include "data/CTagInfo.h"
#include "data/CUnitsTable.h"

#include <algorithm>

namespace {

QByteArray Padded(QByteArray digits, int width, bool zero, bool left)
{
    const qsizetype fill = width - digits.size();
    if (fill <= 0)
        return digits;
    if (left)
        return digits + QByteArray(fill, ' ');
    if (zero) {
        // Zero padding goes after a sign.
        const int sign = digits.startsWith('-') ? 1 : 0;
        return digits.insert(sign, QByteArray(fill, '0'));
    }
    return QByteArray(fill, ' ') + digits;
}

} // namespace

QByteArray ApplyUnitsFormat(const QByteArray& format, qint64 n)
{
    QByteArray out;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out.append(format[i]);
            continue;
        }
        qsizetype j = i + 1;
        bool zero = false;
        bool left = false;
        for (; j < format.size() && (format[j] == '0' || format[j] == '-'); ++j)
            (format[j] == '0' ? zero : left) = true;
        int width = 0;
        for (; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
            width = std::min(width * 10 + (format[j] - '0'), 255); // bounded: no runaway padding
        if (j >= format.size()) {
            out.append(format.mid(i));
            break;
        }
        const char conv = format[j];
        switch (conv) {
        case '%':
            out.append('%');
            break;
        case 'd':
            out.append(Padded(QByteArray::number(n), width, zero, left));
            break;
        case 'X':
        case 'x': {
            // printf's %X takes the 32-bit unsigned form of an int.
            QByteArray hex = QByteArray::number(quint32(n & 0xFFFFFFFF), 16);
            out.append(Padded(conv == 'X' ? hex.toUpper() : hex, width, zero, left));
            break;
        }
        case 'c': {
            const char ch = char(n & 0xFF);
            if (ch == '\0')
                return out; // the text ends at the terminating zero
            out.append(Padded(QByteArray(1, ch), width, false, left));
            break;
        }
        default:
            // Not a placeholder the units table uses: keep it as written.
            out.append(format.mid(i, j - i + 1));
            break;
        }
        i = j;
    }
    return out;
}

QString FormatValue(qint64 n, quint16 tagUnitsCode, int tagPresentationCode,
                    const CParameter& record, bool limit)
{
    const CUnitsTable::Entry* units = CUnitsTable::Find(tagUnitsCode);
    if (units && units->twoState) {
        const bool on = limit ? n == record.Raw(record.maximum) : record.TwoStateOf(n);
        return CCodePage::ToUnicode(on ? units->text1 : units->text2);
    }

    const QByteArray format = units ? units->text2 : QByteArray("%d");
    const double tenths = double(n) / 10.0;
    switch (tagPresentationCode) {
    case 1:
        return QString::asprintf("%0.1f secs", tenths);
    case 2:
        return QString::asprintf("%0.2f secs", double(n) / 100.0);
    case 3:
        return CCodePage::ToUnicode(ApplyUnitsFormat(format, n) + " %");
    case 4:
        return CCodePage::ToUnicode(ApplyUnitsFormat(format, n) + (n > 1 ? " secs" : " sec"));
    case 5:
        return QString::asprintf("%0.1f Amps", tenths);
    case 6:
        return QString::asprintf("%0.1f Volts", tenths);
    case 7:
        return QString::asprintf("%0.1f", tenths);
    default:
        return CCodePage::ToUnicode(ApplyUnitsFormat(format, n));
    }
}

QString FormatValue(qint64 n, const CTagInfo& tag, const CParameter& record, bool limit)
{
    return FormatValue(n, tag.unitsCode, tag.PresentationCode(), record, limit);
}

int PresentationDecimals(int tagPresentationCode)
{
    switch (tagPresentationCode) {
    case 1:
    case 5:
    case 6:
    case 7:
        return 1;
    case 2:
        return 2;
    default:
        return 0;
    }
}

QString DecimalText(qint64 units, int decimals)
{
    if (decimals <= 0)
        return QString::number(units);
    qint64 power = 1;
    for (int i = 0; i < decimals; ++i)
        power *= 10;
    const qint64 magnitude = units < 0 ? -units : units;
    return QStringLiteral("%1%2.%3")
        .arg(units < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / power)
        .arg(magnitude % power, decimals, 10, QLatin1Char('0'));
}

QString HexWord(unsigned word, EHexCase letters)
{
    const QString digits = QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0'));
    return letters == EHexCase::Upper ? digits.toUpper() : digits;
}
