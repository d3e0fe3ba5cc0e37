#pragma once

#include "app/CAppSettings.h"

#include <QFileInfo>
#include <QString>

// Settings for an application start without a question: the port `portDevice`, and the
// folder of the bundled tag file, where the bundled ADC channel file lies as well.
inline void PointSettingsAt(const QString& portDevice)
{
    const QString settings = QStringLiteral("Settings");
    const QString bundled = QFileInfo(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).absolutePath();
    CAppSettings::Write(settings, QStringLiteral("PortDevice"), portDevice);
    CAppSettings::Write(settings, QStringLiteral("TagFileDir"), bundled);
    CAppSettings::Write(settings, QStringLiteral("ADCFileDirectory"), bundled);
}
