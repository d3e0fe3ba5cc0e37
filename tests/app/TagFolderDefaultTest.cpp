// Where start-up looks for tag files when the account has no "TagFileDir".
#include "app/CAppSettings.h"
#include "common/CTempSettings.h"

#include <QDir>
#include <QFile>
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
