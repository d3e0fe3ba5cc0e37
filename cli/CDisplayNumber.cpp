#include "cli/CDisplayNumber.h"

#include "data/CParameterText.h"

#include <QRegularExpression>

namespace {

constexpr qint64 kLimit = qint64(1) << 47;

qint64 PowerOfTen(int exponent)
{
    qint64 power = 1;
    for (int i = 0; i < exponent; ++i)
        power *= 10;
    return power;
}

} // namespace

int CDisplayNumber::Decimals(int presentationCode)
{
    return PresentationDecimals(presentationCode);
}

std::optional<qint64> CDisplayNumber::Parse(const QString& text, int decimals, bool* tooPrecise)
{
    if (tooPrecise)
        *tooPrecise = false;
    const QString trimmed = text.trimmed();

    static const QRegularExpression hex(QStringLiteral("^([+-]?)0[xX]([0-9A-Fa-f]{1,12})$"));
    if (const auto match = hex.match(trimmed); match.hasMatch()) {
        const qint64 whole = match.captured(2).toLongLong(nullptr, 16);
        if (whole > kLimit / PowerOfTen(decimals))
            return std::nullopt;
        const qint64 units = whole * PowerOfTen(decimals);
        return match.captured(1) == QLatin1String("-") ? -units : units;
    }

    static const QRegularExpression decimal(
        QStringLiteral("^([+-]?)([0-9]{0,15})(?:\\.([0-9]*))?$"));
    const auto match = decimal.match(trimmed);
    if (!match.hasMatch() || (match.captured(2).isEmpty() && match.captured(3).isEmpty()))
        return std::nullopt;
    QString fraction = match.captured(3);
    // Trailing zeros add no precision: "11.50" is the same number as "11.5".
    while (fraction.size() > decimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (fraction.size() > decimals) {
        if (tooPrecise)
            *tooPrecise = true;
        return std::nullopt;
    }
    fraction = fraction.leftJustified(decimals, QLatin1Char('0'));
    const qint64 whole = match.captured(2).toLongLong(); // empty gives 0: ".5"
    if (whole > kLimit / PowerOfTen(decimals))
        return std::nullopt;
    const qint64 units = whole * PowerOfTen(decimals) + fraction.toLongLong();
    return match.captured(1) == QLatin1String("-") ? -units : units;
}

QString CDisplayNumber::Format(qint64 units, int decimals)
{
    return DecimalText(units, decimals);
}
