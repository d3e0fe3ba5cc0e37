// Where the view finds the ADC channel file.
#include "app/CAppSettings.h"
#include "common/CTempSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(AdcFilePath, JoinsTheFolderWithOneSeparatorAndDefaultsToTheBundledFile)
{
    CTempSettings temp;
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("app")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("share")));
    const QString program = root.filePath(QStringLiteral("app"));
    CAppSettings settings;

    EXPECT_EQ(settings.AdcFilePath(program), QStringLiteral("ADCChannel.dat"))
        << "a share folder without the channel file";
    QFile bundled(root.filePath(QStringLiteral("share/ADCChannel.dat")));
    ASSERT_TRUE(bundled.open(QIODevice::WriteOnly));
    bundled.close();
    EXPECT_EQ(settings.AdcFilePath(program),
              QDir::toNativeSeparators(root.filePath(QStringLiteral("share/ADCChannel.dat"))));
    EXPECT_FALSE(
        CAppSettings::Contains(QStringLiteral("Settings"), QStringLiteral("ADCFileDirectory")))
        << "reading does not create the value";

    const QString expected = QDir::toNativeSeparators(QStringLiteral("/opt/adc/ADCChannel.dat"));
    for (const char* folder : {"/opt/adc", "/opt/adc/", "\\opt\\adc\\"}) {
        CAppSettings::Write(QStringLiteral("Settings"), QStringLiteral("ADCFileDirectory"),
                            QString::fromLatin1(folder));
        EXPECT_EQ(settings.AdcFilePath(program), expected) << folder;
    }
}
