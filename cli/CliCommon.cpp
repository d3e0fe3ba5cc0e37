#include "cli/CliCommands.h"

#include <cstdio>

namespace Cli {

std::optional<unsigned> ParseWord(const QString& text, unsigned maximum)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    unsigned value = 0;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = trimmed.mid(2).toUInt(&ok, 16);
    else
        value = trimmed.toUInt(&ok, 10);
    if (!ok || value > maximum)
        return std::nullopt;
    return value;
}

void Error(const QString& text)
{
    std::fprintf(stderr, "tavrin-cli: %s\n", qPrintable(text));
}

} // namespace Cli
