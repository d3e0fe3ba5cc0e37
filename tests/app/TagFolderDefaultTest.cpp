// Where start-up looks for tag files when the account has no "TagFileDir".
#include "app/CAppSettings.h"
#include "common/CTempSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(TagFolderDefault, UnsetSettingMeansTheBundledFolderAndASetOneStays)
{
    CTempSettings temp;
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("app")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("share")));
    const QString program = root.filePath(QStringLiteral("app"));
    const QString share = QDir::toNativeSeparators(root.filePath(QStringLiteral("share")));
    CAppSettings settings;

    EXPECT_EQ(settings.TagFileDir(program), QString()) << "a share folder without tag files";
    QFile tag(root.filePath(QStringLiteral("share/TagList0001.tag")));
    ASSERT_TRUE(tag.open(QIODevice::WriteOnly));
    tag.close();
    EXPECT_EQ(settings.TagFileDir(program), share);
    EXPECT_FALSE(CAppSettings::Contains(QStringLiteral("Settings"), QStringLiteral("TagFileDir")))
        << "reading does not create the value";

    CAppSettings::Write(QStringLiteral("Settings"), QStringLiteral("TagFileDir"),
                        QStringLiteral("/opt/tags"));
    EXPECT_EQ(settings.TagFileDir(program), QStringLiteral("/opt/tags"));
    CAppSettings::Write(QStringLiteral("Settings"), QStringLiteral("TagFileDir"), QString());
    EXPECT_EQ(settings.TagFileDir(program), QString());
}

// An installed system sets both folders once for every account, in the system-wide file
// (/etc/xdg); an account's own values still win over it.
TEST(TagFolderDefault, SystemWideValuesStandBelowTheAccountsOwn)
{
    CTempSettings temp;
    QSettings system(QSettings::NativeFormat, QSettings::SystemScope,
                     QString::fromLatin1(CAppSettings::kOrganisation),
                     QString::fromLatin1(CAppSettings::kApplication));
    system.setValue(QStringLiteral("Settings/TagFileDir"), QStringLiteral("/usr/share/tavrin"));
    system.setValue(QStringLiteral("Settings/ADCFileDirectory"),
                    QStringLiteral("/usr/share/tavrin/"));
    system.sync();
    ASSERT_EQ(system.status(), QSettings::NoError);
    ASSERT_TRUE(system.fileName().startsWith(temp.SystemPath())) << system.fileName().toStdString();

    // A program with its own bundled folder beside it: the system-wide values still win.
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("share")));
    for (const char* name : {"share/TagList0001.tag", "share/ADCChannel.dat"}) {
        QFile file(root.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString program = root.filePath(QStringLiteral("app"));
    const CAppSettings settings;
    EXPECT_EQ(settings.TagFileDir(program), QStringLiteral("/usr/share/tavrin"));
    EXPECT_EQ(settings.AdcFilePath(program),
              QDir::toNativeSeparators(QStringLiteral("/usr/share/tavrin/ADCChannel.dat")));

    CAppSettings::Write(QStringLiteral("Settings"), QStringLiteral("TagFileDir"),
                        QStringLiteral("/home/tags"));
    EXPECT_EQ(settings.TagFileDir(program), QStringLiteral("/home/tags"));
}
