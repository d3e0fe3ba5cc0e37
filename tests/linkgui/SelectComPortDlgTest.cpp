// The port selection dialog: sorting, preselection, double-click, OK and Cancel, with the
// settings in a temporary folder and the ports given by the test.
#include "app/CAppSettings.h"
#include "common/CScriptedPrompt.h"
#include "link/CPortEnumerator.h"
#include "link/widgets/CSelectComPortDlg.h"

#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kNameKey = QStringLiteral("PortName");
const QString kDeviceKey = QStringLiteral("PortDevice");

CPortEntry Port(const char* device, const char* friendly)
{
    const QString d = QString::fromLatin1(device);
    return {d, d.section(QLatin1Char('/'), -1), QString::fromLatin1(friendly),
            QString::fromLatin1(friendly)};
}

// In the order found; sorted, ignoring case, they read: arduino, Modem, USB A, usb B.
const CPortList kPorts{
    Port("/dev/ttyUSB1", "usb Serial B (ttyUSB1)"),
    Port("/dev/ttyS0", "Modem (ttyS0)"),
    Port("/dev/ttyUSB0", "USB Serial A (ttyUSB0)"),
    Port("/dev/ttyACM0", "arduino (ttyACM0)"),
};

class SelectComPortDlgTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

    // A dialog over `ports`; counts the enumerations and the method each asked for.
    std::unique_ptr<CSelectComPortDlg> Make(CPortList ports = kPorts, int failures = 0)
    {
        auto enumerate = [this, ports, failures](CPortList& list, QString& error, bool standard) {
            methods.push_back(standard);
            list.clear();
            error.clear();
            if (static_cast<int>(methods.size()) <= failures) {
                error = QStringLiteral("busy");
                return false;
            }
            list = ports;
            return true;
        };
        return std::make_unique<CSelectComPortDlg>(kSection, kNameKey, kDeviceKey, nullptr, &prompt,
                                                   enumerate);
    }

    static QListWidget* List(QDialog& dlg) { return dlg.findChild<QListWidget*>("portList"); }
    static QPushButton* Button(QDialog& dlg, const char* id)
    {
        return dlg.findChild<QPushButton*>(QString::fromLatin1(id));
    }
    static QStringList Lines(QDialog& dlg)
    {
        QStringList lines;
        for (int i = 0; i < List(dlg)->count(); ++i)
            lines << List(dlg)->item(i)->text();
        return lines;
    }
    static QString Selected(QDialog& dlg)
    {
        const QList<QListWidgetItem*> items = List(dlg)->selectedItems();
        return items.isEmpty() ? QString() : items.first()->text();
    }
    static QString Stored(const QString& key)
    {
        return CAppSettings::Read(kSection, key, QStringLiteral("<none>")).toString();
    }

    QTemporaryDir m_dir;
    CScriptedPrompt prompt;
    std::vector<bool> methods;
};

} // namespace

TEST_F(SelectComPortDlgTest, ShowsFriendlyNamesSortedWithoutRegardToCase)
{
    auto dlg = Make();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Select COM Port"));
    ASSERT_NE(List(*dlg), nullptr);
    ASSERT_NE(Button(*dlg, "id1"), nullptr);
    ASSERT_NE(Button(*dlg, "id2"), nullptr);
    EXPECT_EQ(Lines(*dlg), (QStringList{"arduino (ttyACM0)", "Modem (ttyS0)",
                                        "USB Serial A (ttyUSB0)", "usb Serial B (ttyUSB1)"}));
    EXPECT_EQ(dlg->Ports(), kPorts); // the found order is kept apart from the list's
}

TEST_F(SelectComPortDlgTest, PreselectsTheFirstLineBeginningWithTheStoredName)
{
    const struct
    {
        const char* stored; // nullptr: nothing stored
        const char* selected;
    } cases[] = {
        {"usb serial b (ttyusb1)", "usb Serial B (ttyUSB1)"}, // whole name, other case
        {"USB", "USB Serial A (ttyUSB0)"},                    // first from the top
        {"MODEM", "Modem (ttyS0)"},
        {"Bluetooth (rfcomm0)", "arduino (ttyACM0)"}, // no longer present: the first line
        {"(ttyS0)", "arduino (ttyACM0)"},             // a part inside is no beginning
        {nullptr, "arduino (ttyACM0)"},
    };
    for (const auto& c : cases) {
        QSettings(CAppSettings::kOrganisation, CAppSettings::kApplication).clear();
        if (c.stored) {
            ASSERT_TRUE(CAppSettings::Write(kSection, kNameKey, QString::fromLatin1(c.stored)));
        }
        auto dlg = Make();
        EXPECT_EQ(Selected(*dlg), QString::fromLatin1(c.selected))
            << (c.stored ? c.stored : "(none)");
    }
}

TEST_F(SelectComPortDlgTest, OkStoresTheChosenLinesNameAndDevice)
{
    ASSERT_TRUE(CAppSettings::Write(kSection, kNameKey, QStringLiteral("Modem (ttyS0)")));
    ASSERT_TRUE(CAppSettings::Write(kSection, kDeviceKey, QStringLiteral("/dev/ttyS0")));
    auto dlg = Make();
    dlg->show();
    // The last line is the first port found: the line must be matched by its text.
    List(*dlg)->setCurrentRow(3);
    ASSERT_EQ(Selected(*dlg), QStringLiteral("usb Serial B (ttyUSB1)"));
    QTest::mouseClick(Button(*dlg, "id1"), Qt::LeftButton);

    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(Stored(kNameKey), QStringLiteral("usb Serial B (ttyUSB1)"));
    EXPECT_EQ(Stored(kDeviceKey), QStringLiteral("/dev/ttyUSB1"));
    EXPECT_TRUE(dlg->Choice().stored);
    EXPECT_EQ(dlg->Choice().friendlyName, QStringLiteral("usb Serial B (ttyUSB1)"));
    EXPECT_EQ(dlg->Choice().devicePath, QStringLiteral("/dev/ttyUSB1"));

    // The next dialog preselects what was stored.
    EXPECT_EQ(Selected(*Make()), QStringLiteral("usb Serial B (ttyUSB1)"));
}

TEST_F(SelectComPortDlgTest, OkWithoutASelectionClosesAndStoresNothing)
{
    ASSERT_TRUE(CAppSettings::Write(kSection, kNameKey, QStringLiteral("old name")));
    ASSERT_TRUE(CAppSettings::Write(kSection, kDeviceKey, QStringLiteral("/dev/old")));
    for (const CPortList& ports : {kPorts, CPortList()}) {
        auto dlg = Make(ports);
        dlg->show();
        List(*dlg)->clearSelection();
        QTest::mouseClick(Button(*dlg, "id1"), Qt::LeftButton);
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        EXPECT_FALSE(dlg->Choice().stored);
        EXPECT_EQ(Stored(kNameKey), QStringLiteral("old name"));
        EXPECT_EQ(Stored(kDeviceKey), QStringLiteral("/dev/old"));
    }
}

TEST_F(SelectComPortDlgTest, CancelAndEscapeStoreNothing)
{
    for (bool escape : {false, true}) {
        auto dlg = Make();
        dlg->show();
        List(*dlg)->setCurrentRow(3);
        if (escape)
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(Button(*dlg, "id2"), Qt::LeftButton);
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_FALSE(dlg->Choice().stored);
        EXPECT_FALSE(CAppSettings::Contains(kSection, kNameKey));
        EXPECT_FALSE(CAppSettings::Contains(kSection, kDeviceKey));
    }
}

TEST_F(SelectComPortDlgTest, DoubleClickShowsNameAndDeviceAndKeepsTheDialogOpen)
{
    prompt.ExpectMessage(QStringLiteral("Modem (ttyS0) : /dev/ttyS0"), IUserPrompt::EIcon::None);
    auto dlg = Make();
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    QListWidget* list = List(*dlg);
    const QRect rect = list->visualItemRect(list->item(1));
    // A view only takes a double click on the line it was pressed on, so press it first.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());

    EXPECT_TRUE(prompt.AllShown());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(CAppSettings::Contains(kSection, kNameKey));
}

TEST_F(SelectComPortDlgTest, EnumeratesByTheStoredMethodAndRetriesAFailureOnShowing)
{
    // Default and stored 1: standard; stored 0: basic.
    {
        auto dlg = Make();
        dlg->show();
        EXPECT_EQ(methods, (std::vector<bool>{true}));
        EXPECT_TRUE(dlg->EnumerationSucceeded());
    }
    methods.clear();
    ASSERT_TRUE(CAppSettings().SetStandardEnum(false));
    {
        // Fails when constructed, works when tried again on showing.
        auto dlg = Make(kPorts, 1);
        EXPECT_TRUE(Lines(*dlg).isEmpty());
        dlg->show();
        EXPECT_EQ(methods, (std::vector<bool>{false, false}));
        EXPECT_TRUE(dlg->EnumerationSucceeded());
        EXPECT_EQ(Lines(*dlg).size(), kPorts.size());
        EXPECT_EQ(Selected(*dlg), QStringLiteral("arduino (ttyACM0)"));
    }
    methods.clear();
    {
        // Fails both times: one retry only, and an empty list.
        auto dlg = Make(kPorts, 5);
        dlg->show();
        dlg->hide();
        dlg->show();
        EXPECT_EQ(methods.size(), 2u);
        EXPECT_FALSE(dlg->EnumerationSucceeded());
        EXPECT_TRUE(Lines(*dlg).isEmpty());
    }
}

TEST_F(SelectComPortDlgTest, WithoutATestListItShowsThePortsOfThisMachine)
{
    CPortList expected;
    QString error;
    ASSERT_TRUE(CPortEnumerator::EnumeratePorts(expected, error, true, false));
    CSelectComPortDlg dlg(kSection, kNameKey, kDeviceKey, nullptr, &prompt);
    EXPECT_EQ(dlg.Ports(), expected);
    QStringList names;
    for (const CPortEntry& entry : expected)
        names << entry.friendlyName;
    QStringList lines = Lines(dlg);
    lines.sort(Qt::CaseInsensitive);
    names.sort(Qt::CaseInsensitive);
    EXPECT_EQ(lines, names);
}
