#pragma once

#include <QString>

#include <cstdint>

// The operating system's name for error reports.
namespace OsName {

// A Windows version record: platform id (0 Win32s, 1 Windows 9x, 2 NT), major and minor
// version, and the service-pack text.
struct SVersion
{
    std::uint32_t platformId = 0;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    QString servicePack;
};

// The name of a Windows version from the table of known versions; false (outputs
// unchanged) for any other combination.
bool NameOfWindowsVersion(const SVersion& version, QString& name, QString& servicePack);

// `GetOsName` of the running system: on Windows by its version record, elsewhere the
// product name and kernel version Qt reports. False when the system cannot be named.
bool GetOsName(QString& name, QString& servicePack);

// The error report with system details: string 235 followed by "%s\nError: %s\nOS: %s\nVer: %s",
// or "%s\nCould not determine OS" when the system could not be named.
QString ErrorReport(const QString& errorText, bool osKnown, const QString& osName,
                    const QString& servicePack);

} // namespace OsName
