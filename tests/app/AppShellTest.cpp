// Settings defaults, window placement rules, the OS name table and opening the port at start.
#include "app/CAppSettings.h"
#include "app/CLogFont.h"
#include "app/COsName.h"
#include "app/CStartupPort.h"
#include "app/CWindowPlacement.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "link/LinkTestSupport.h"

#include <QSettings>

namespace {
const QString kPortQuestion =
    QStringLiteral("Cannot open serial port. Do you wish to select a port now?.");
}

TEST(AppSettings, FirstStartReadsTheDefaultsAndCreatesOnlyTheFonts)
{
    CTempSettings temp;
    CAppSettings settings;
    EXPECT_EQ(settings.ColumnWidth(), 300);
    EXPECT_TRUE(settings.StandardEnum());
    EXPECT_TRUE(settings.LowLatency());
    EXPECT_FALSE(settings.PrintFormat());
    EXPECT_FALSE(settings.Isotropic());
    EXPECT_EQ(settings.PortDevice(QStringLiteral("Unassigned")), QStringLiteral("Unassigned"));
    EXPECT_EQ(settings.TagFileDir(), QString());
    EXPECT_EQ(settings.AdcFilePath(), QStringLiteral("ADCChannel.dat"));
    EXPECT_FALSE(CAppSettings::Contains(QStringLiteral("Settings"), QStringLiteral("StandardEnum")))
        << "reading never creates a value";

    QByteArray font;
    EXPECT_FALSE(settings.GetFont(QStringLiteral("MainLF"), font)) << "created, not read";
    ASSERT_EQ(font.size(), 60);
    CLogFont decoded;
    ASSERT_TRUE(CLogFont::Decode(font, decoded));
    EXPECT_EQ(decoded.height, -16) << "12 points at 96 pixels an inch";
    EXPECT_EQ(decoded.faceName, QByteArray("Arial"));
    EXPECT_EQ(decoded.weight, 0);
    EXPECT_TRUE(settings.GetFont(QStringLiteral("MainLF"), font)) << "written back, read now";
    EXPECT_FALSE(settings.SetFont(QStringLiteral("TitleLF"), QByteArray(59, 'x')));

    // Flags as they are stored.
    EXPECT_TRUE(settings.SetPrintFormat(0x100));
    EXPECT_FALSE(settings.PrintFormat()) << "only the low byte is kept";
    EXPECT_TRUE(settings.SetIsotropic(2));
    EXPECT_EQ(CAppSettings::Read(QStringLiteral("Settings"), QStringLiteral("Isotropic")).toInt(),
              0);
    EXPECT_TRUE(settings.SetColumnWidth(412));
    EXPECT_EQ(CAppSettings().ColumnWidth(), 412);

    EXPECT_TRUE(settings.SetRecentFiles({QStringLiteral("/a.prf"), QStringLiteral("/b.prf")}));
    EXPECT_EQ(settings.RecentFiles(),
              (QStringList{QStringLiteral("/a.prf"), QStringLiteral("/b.prf")}));
}

TEST(AppSettings, FontRecordsKeepEveryByte)
{
    CLogFont font = CLogFont::FromPointSize(100, QByteArray("Courier New"));
    font.weight = 700;
    font.italic = 1;
    font.charSet = 0xB0;
    font.pitchAndFamily = 0x31;
    const QByteArray bytes = font.Encode();
    ASSERT_EQ(bytes.size(), 60);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xF3) << "height -13 little-endian";
    EXPECT_EQ(bytes.mid(16, 4), QByteArray::fromHex("bc020000"));
    EXPECT_EQ(bytes.mid(28, 12), QByteArray("Courier New\0", 12));
    CLogFont back;
    ASSERT_TRUE(CLogFont::Decode(bytes, back));
    EXPECT_EQ(back, font);
}

TEST(WindowPlacement, StoredValuesFollowTheWindowState)
{
    using namespace WindowPlacement;
    SStored s = ToStored(EState::Normal, false, 10, 20, 710, 520);
    EXPECT_EQ(s.iconic, 0);
    EXPECT_EQ(s.maximised, 0);
    EXPECT_EQ(s.right, 710);
    s = ToStored(EState::Maximised, false, 0, 0, 1, 1);
    EXPECT_EQ(s.iconic, 0);
    EXPECT_EQ(s.maximised, 1);
    s = ToStored(EState::Minimised, true, 0, 0, 1, 1);
    EXPECT_EQ(s.iconic, 1);
    EXPECT_EQ(s.maximised, 1) << "minimised from maximised";
    s = ToStored(EState::Minimised, false, 0, 0, 1, 1);
    EXPECT_EQ(s.maximised, 0);
    s = ToStored(EState::Other, true, 0, 0, 1, 1);
    EXPECT_EQ(s.iconic, 0);
    EXPECT_EQ(s.maximised, 0);

    SRestore r = FromStored(SStored{});
    EXPECT_FALSE(r.useStoredRect) << "nothing stored keeps the created size";
    EXPECT_EQ(r.showCommand, kShowNormal);
    SStored minimisedMax;
    minimisedMax.iconic = 1;
    minimisedMax.maximised = 1;
    r = FromStored(minimisedMax);
    EXPECT_EQ(r.showCommand, kShowMinimisedNoActivate);
    EXPECT_EQ(r.flags, kFlagRestoreToMaximised);
    EXPECT_TRUE(r.useStoredRect);
    SStored max;
    max.iconic = 0;
    max.maximised = 1;
    r = FromStored(max);
    EXPECT_EQ(r.showCommand, kShowMaximised);
    EXPECT_EQ(r.flags, kFlagRestoreToMaximised);
    SStored minimised;
    minimised.iconic = 1;
    r = FromStored(minimised);
    EXPECT_EQ(r.showCommand, kShowMinimisedNoActivate);
    EXPECT_EQ(r.flags, kFlagSetMinPosition);
}

TEST(WindowPlacement, AStoredRectangleLargerThanTheScreenIsShrunkAndMovedOntoIt)
{
    using WindowPlacement::FitOnScreen;
    const QRect screen(0, 0, 1280, 853); // 1920 x 1280 at a scale of 1.5, less a panel
    EXPECT_EQ(FitOnScreen(QRect(100, 50, 800, 600), screen), QRect(100, 50, 800, 600));
    EXPECT_EQ(FitOnScreen(QRect(0, 0, 1920, 1200), screen), screen);
    EXPECT_EQ(FitOnScreen(QRect(900, 700, 600, 400), screen), QRect(680, 453, 600, 400));
    EXPECT_EQ(FitOnScreen(QRect(-300, -40, 600, 400), screen), QRect(0, 0, 600, 400));
    // A second screen to the right: its own work area counts.
    const QRect right(1280, 0, 1920, 1080);
    EXPECT_EQ(FitOnScreen(QRect(1400, 100, 800, 600), right), QRect(1400, 100, 800, 600));
}

TEST(OsName, TheVersionTableAndTheReport)
{
    struct SCase
    {
        OsName::SVersion version;
        const char* name;
    } cases[] = {
        {{0, 3, 10, {}}, "Win32s On Windows 3.1"},
        {{1, 4, 0, {}}, "Windows 95"},
        {{1, 4, 10, {}}, "Windows 98"},
        {{1, 4, 90, {}}, "Windows Me"},
        {{2, 3, 51, {}}, "Windows NT3.51"},
        {{2, 4, 0, {}}, "Windows NT4"},
        {{2, 5, 0, {}}, "Windows 2000"},
        {{2, 5, 1, QStringLiteral("Service Pack 3")}, "Windows XP"},
    };
    for (const auto& c : cases) {
        QString name;
        QString sp = QStringLiteral("unchanged");
        ASSERT_TRUE(OsName::NameOfWindowsVersion(c.version, name, sp)) << c.name;
        EXPECT_EQ(name, QString::fromLatin1(c.name));
        EXPECT_EQ(sp, c.version.servicePack);
    }
    QString name = QStringLiteral("keep");
    QString sp = QStringLiteral("keep");
    EXPECT_FALSE(OsName::NameOfWindowsVersion({2, 6, 1, {}}, name, sp)) << "newer than XP";
    EXPECT_FALSE(OsName::NameOfWindowsVersion({1, 4, 20, {}}, name, sp));
    EXPECT_EQ(name, QStringLiteral("keep"));

    const QString intro = QStringLiteral("Unable to check available COM ports.\nPlease pass the "
                                         "following information to KLVM to resolve the problem.");
    EXPECT_EQ(OsName::ErrorReport(QStringLiteral("E1"), false, {}, {}),
              intro + QStringLiteral("\nCould not determine OS"));
    EXPECT_EQ(OsName::ErrorReport(QStringLiteral("E1"), true, QStringLiteral("Windows XP"),
                                  QStringLiteral("SP3")),
              intro + QStringLiteral("\nError: E1\nOS: Windows XP\nVer: SP3"));
}

class StartupPortTest : public ::testing::Test
{
protected:
    CTempSettings temp;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CControllerLink link;
};

TEST_F(StartupPortTest, FirstStartAsksAndNoLeavesThePortClosed)
{
    prompt.ExpectQuestion(kPortQuestion, IUserPrompt::EAnswer::No);
    int dialogs = 0;
    EXPECT_FALSE(StartupPort::Open(link, settings, prompt, [&] {
        ++dialogs;
        return StartupPort::SPortChoice{true, {}};
    }));
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(settings.PortDevice(), QStringLiteral("zzz"));
    EXPECT_EQ(settings.PortName(), QStringLiteral("zzz"));
    EXPECT_FALSE(link.IsOpen());

    // A stored "Unassigned" is the same as none.
    settings.SetPortDevice(QStringLiteral("Unassigned"));
    prompt.ExpectQuestion(kPortQuestion, IUserPrompt::EAnswer::No);
    StartupPort::Open(link, settings, prompt, {});
    EXPECT_EQ(settings.PortDevice(), QStringLiteral("zzz"));
}

TEST_F(StartupPortTest, TheQuestionRepeatsUntilAChosenPortOpensOrTheDialogIsCancelled)
{
    CControllerSim sim;
    ASSERT_TRUE(sim.Start());
    // OK without a line first (nothing stored, the old device is tried again), then another
    // dead port, then the simulator; the dialog hands each back and start-up stores it.
    const QString dead = QStringLiteral("/dev/nonexistent-port");
    const std::optional<CPortEntry> choices[] = {
        std::nullopt,
        CPortEntry{dead, {}, QStringLiteral("Dead (x)"), {}},
        CPortEntry{sim.SlavePath(), {}, QStringLiteral("Simulator (pts)"), {}},
    };
    int dialogs = 0;
    prompt.ExpectQuestion(kPortQuestion, IUserPrompt::EAnswer::Yes)
        .ExpectQuestion(kPortQuestion, IUserPrompt::EAnswer::Yes)
        .ExpectQuestion(kPortQuestion, IUserPrompt::EAnswer::Yes);
    settings.SetPortName(QStringLiteral("Old (y)"));
    settings.SetPortDevice(QStringLiteral("/dev/old-port"));
    EXPECT_TRUE(StartupPort::Open(link, settings, prompt, [&] {
        if (dialogs == 1) {
            // After OK without a line: the settings as they were, the old device tried.
            EXPECT_EQ(settings.PortName(), QStringLiteral("Old (y)"));
            EXPECT_EQ(link.PortName(), QStringLiteral("/dev/old-port"));
        }
        return StartupPort::SPortChoice{true, choices[dialogs++]};
    }));
    EXPECT_EQ(dialogs, 3);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(link.PortName(), sim.SlavePath());
    EXPECT_EQ(settings.PortName(), QStringLiteral("Simulator (pts)"));
    EXPECT_EQ(settings.PortDevice(), sim.SlavePath());

    // A cancelled dialog stops asking and stores nothing.
    CControllerLink other;
    settings.SetPortDevice(dead);
    prompt.ExpectQuestion(kPortQuestion, IUserPrompt::EAnswer::Yes);
    EXPECT_FALSE(StartupPort::Open(other, settings, prompt, [&] {
        return StartupPort::SPortChoice{false, choices[2]};
    }));
    EXPECT_EQ(settings.PortDevice(), dead);

    // A stored port that opens asks nothing.
    CControllerLink third;
    link.Close();
    settings.SetPortDevice(sim.SlavePath());
    EXPECT_TRUE(StartupPort::Open(third, settings, prompt, {}));
}
