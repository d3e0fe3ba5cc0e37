#include "app/COsName.h"

#include "res/StringTable.h"

#include <QSysInfo>

namespace OsName {

bool NameOfWindowsVersion(const SVersion& version, QString& name, QString& servicePack)
{
    QString found;
    switch (version.platformId) {
    case 0:
        found = QStringLiteral("Win32s On Windows 3.1");
        break;
    case 1:
        if (version.minor == 0)
            found = QStringLiteral("Windows 95");
        else if (version.minor == 10)
            found = QStringLiteral("Windows 98");
        else if (version.minor == 90)
            found = QStringLiteral("Windows Me");
        break;
    case 2:
        if (version.major == 3 && version.minor == 51)
            found = QStringLiteral("Windows NT3.51");
        else if (version.major == 4 && version.minor == 0)
            found = QStringLiteral("Windows NT4");
        else if (version.major == 5 && version.minor == 0)
            found = QStringLiteral("Windows 2000");
        else if (version.major == 5 && version.minor == 1)
            found = QStringLiteral("Windows XP");
        break;
    default:
        break;
    }
    if (found.isEmpty())
        return false;
    name = found;
    servicePack = version.servicePack;
    return true;
}

bool GetOsName(QString& name, QString& servicePack)
{
    // Newer Windows versions are not in the table (as before); other systems name
    // themselves through Qt.
    if (QSysInfo::productType() == QLatin1String("windows"))
        return false;
    const QString pretty = QSysInfo::prettyProductName();
    if (pretty.isEmpty() || pretty == QLatin1String("unknown"))
        return false;
    name = pretty;
    servicePack = QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion();
    return true;
}

QString ErrorReport(const QString& errorText, bool osKnown, const QString& osName,
                    const QString& servicePack)
{
    const QString intro = LoadString(EString::PortCheckFailed);
    if (!osKnown)
        return intro + QStringLiteral("\nCould not determine OS");
    return intro + QStringLiteral("\nError: ") + errorText + QStringLiteral("\nOS: ") + osName +
           QStringLiteral("\nVer: ") + servicePack;
}

} // namespace OsName
