#include "data/CAdcChannelSource.h"

#include "data/CCodePage.h"

#include <QFile>
#include <QStringList>

#include <limits>
#include <optional>

namespace {

// One field of a line: a bare word, or a quoted text with its escapes resolved.
struct SField
{
    QString text;
    bool quoted = false;
};

// Splits a line into fields up to a '#' outside quotes. False with `error` on an unclosed
// quote or an unknown escape.
bool SplitLine(const QString& line, std::vector<SField>& fields, QString& error)
{
    qsizetype i = 0;
    const qsizetype size = line.size();
    while (i < size) {
        const QChar c = line[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('#'))
            break;
        SField field;
        if (c != QLatin1Char('"')) {
            while (i < size && !line[i].isSpace() && line[i] != QLatin1Char('#') &&
                   line[i] != QLatin1Char('"'))
                field.text += line[i++];
            fields.push_back(field);
            continue;
        }
        field.quoted = true;
        ++i;
        bool closed = false;
        while (i < size) {
            QChar t = line[i++];
            if (t == QLatin1Char('"')) {
                closed = true;
                break;
            }
            if (t == QLatin1Char('\\')) {
                if (i >= size)
                    break;
                const QChar e = line[i++];
                if (e == QLatin1Char('n'))
                    t = QLatin1Char('\n');
                else if (e == QLatin1Char('r'))
                    t = QLatin1Char('\r');
                else if (e == QLatin1Char('t'))
                    t = QLatin1Char('\t');
                else if (e == QLatin1Char('"') || e == QLatin1Char('\\'))
                    t = e;
                else {
                    error = QStringLiteral("unknown escape \\%1").arg(e);
                    return false;
                }
            }
            field.text += t;
        }
        if (!closed) {
            error = QStringLiteral("a text is not closed with a double quote");
            return false;
        }
        fields.push_back(field);
    }
    return true;
}

// A decimal or 0x number with an optional minus, within minimum..maximum.
std::optional<qint64> Number(const SField& field, qint64 minimum, qint64 maximum)
{
    if (field.quoted)
        return std::nullopt;
    QString digits = field.text;
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    bool ok = false;
    qulonglong magnitude = 0;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        magnitude = digits.mid(2).toULongLong(&ok, 16);
    else if (!digits.isEmpty() && digits[0].isDigit())
        magnitude = digits.toULongLong(&ok, 10);
    if (!ok || magnitude > 0xFFFFFFFFull)
        return std::nullopt;
    const qint64 value =
        negative ? -static_cast<qint64>(magnitude) : static_cast<qint64>(magnitude);
    if (value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

// The channel of one line's fields; false with `error` when a field is wrong.
bool ReadChannel(const std::vector<SField>& fields, CADCChannel& channel, QString& error)
{
    if (fields.size() < 6 || fields.size() > 7) {
        error = QStringLiteral("expected TYPE TAG MINIMUM MAXIMUM ACCESS \"NAME\" "
                               "[\"SECOND TEXT\"], found %1 fields")
                    .arg(fields.size());
        return false;
    }
    struct SNumberField
    {
        const char* what;
        qint64 minimum, maximum;
    };
    constexpr qint64 kInt32Min = std::numeric_limits<std::int32_t>::min();
    constexpr qint64 kInt32Max = std::numeric_limits<std::int32_t>::max();
    const SNumberField numbers[] = {{"TYPE", 0, 0xFFFF},
                                    {"TAG", 0, 0xFFFF},
                                    {"MINIMUM", kInt32Min, kInt32Max},
                                    {"MAXIMUM", kInt32Min, kInt32Max},
                                    {"ACCESS", 0, 0xFFFF}};
    qint64 values[5] = {};
    for (int i = 0; i < 5; ++i) {
        const std::optional<qint64> value =
            Number(fields[i], numbers[i].minimum, numbers[i].maximum);
        if (!value) {
            error = QStringLiteral("%1 \"%2\" is not a number from %3 to %4")
                        .arg(QLatin1String(numbers[i].what), fields[i].text)
                        .arg(numbers[i].minimum)
                        .arg(numbers[i].maximum);
            return false;
        }
        values[i] = *value;
    }
    for (std::size_t i = 5; i < fields.size(); ++i) {
        bool lossy = false;
        CCodePage::FromUnicode(fields[i].text, &lossy);
        if (!fields[i].quoted || lossy) {
            error =
                fields[i].quoted
                    ? QStringLiteral("the text has a character outside Windows-1252")
                    : QStringLiteral("\"%1\" must be a text in double quotes").arg(fields[i].text);
            return false;
        }
    }
    channel = CADCChannel();
    channel.controllerType = static_cast<std::int32_t>(values[0]);
    channel.tag = static_cast<std::uint16_t>(values[1]);
    channel.minimum = static_cast<std::int32_t>(values[2]);
    channel.maximum = static_cast<std::int32_t>(values[3]);
    channel.accessLevel = static_cast<std::uint16_t>(values[4]);
    channel.name = fields[5].text;
    if (fields.size() == 7)
        channel.secondText = fields[6].text;
    return true;
}

} // namespace

bool CAdcChannelSource::Parse(const QString& source, std::vector<CADCChannel>& channels,
                              QString* error)
{
    channels.clear();
    std::vector<CADCChannel> parsed;
    const QStringList lines = source.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        std::vector<SField> fields;
        QString why;
        CADCChannel channel;
        if (!SplitLine(lines[n], fields, why) ||
            (!fields.empty() && !ReadChannel(fields, channel, why))) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return false;
        }
        if (!fields.empty())
            parsed.push_back(channel);
    }
    channels = std::move(parsed);
    return true;
}

bool CAdcChannelSource::ParseFile(const QString& path, std::vector<CADCChannel>& channels,
                                  QString* error)
{
    channels.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QString why;
    if (!Parse(QString::fromUtf8(file.readAll()), channels, &why)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    return true;
}
