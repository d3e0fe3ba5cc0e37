#include "cli/CliCommands.h"

#include "app/CAppSettings.h"
#include "app/CStartupPort.h"
#include "link/CControllerLink.h"

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

bool OpenLink(CControllerLink& link, const QString& port, int& exitCode)
{
    const QString device = port.isEmpty() ? CAppSettings().PortDevice() : port;
    if (device.isEmpty()) {
        Error(QStringLiteral("no serial port: give --port DEV or set one in the application"));
        exitCode = kExitUsage;
        return false;
    }
    if (!StartupPort::ConfigureAndOpen(link, device)) {
        Error(QStringLiteral("cannot open serial port %1").arg(device));
        exitCode = kExitNoReply;
        return false;
    }
    return true;
}

} // namespace Cli
