// The port selection dialog: sorting, preselection, double-click, and the choice OK and
// Cancel hand back, with the ports given by the test.
#include "common/CScriptedPrompt.h"
#include "link/CPortEnumerator.h"
#include "link/widgets/CSelectComPortDlg.h"
#include "ui/ControlId.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

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
    // A dialog over `ports` that preselects by `storedName`; counts the enumerations and the
    // method each asked for.
    std::unique_ptr<CSelectComPortDlg> Make(CPortList ports = kPorts, int failures = 0,
                                            const QString& storedName = QString(),
                                            bool standard = true)
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
        return std::make_unique<CSelectComPortDlg>(storedName, standard, nullptr, &prompt,
                                                   enumerate);
    }

    static QListWidget* List(QDialog& dlg) { return dlg.findChild<QListWidget*>("portList"); }
    static QPushButton* Button(QDialog& dlg, int id)
    {
        return ControlId::Find<QPushButton>(&dlg, id);
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
    CScriptedPrompt prompt;
    std::vector<bool> methods;
};

} // namespace

TEST_F(SelectComPortDlgTest, ShowsFriendlyNamesSortedWithoutRegardToCase)
{
    auto dlg = Make();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Select COM Port"));
    ASSERT_NE(List(*dlg), nullptr);
    ASSERT_NE(Button(*dlg, 1), nullptr);
    ASSERT_NE(Button(*dlg, 2), nullptr);
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
        auto dlg = Make(kPorts, 0, c.stored ? QString::fromLatin1(c.stored) : QString());
        EXPECT_EQ(Selected(*dlg), QString::fromLatin1(c.selected))
            << (c.stored ? c.stored : "(none)");
    }
}

TEST_F(SelectComPortDlgTest, OkHandsBackTheChosenLinesPort)
{
    auto dlg = Make(kPorts, 0, QStringLiteral("Modem (ttyS0)"));
    dlg->show();
    // The last line is the first port found: the line must be matched by its text.
    List(*dlg)->setCurrentRow(3);
    ASSERT_EQ(Selected(*dlg), QStringLiteral("usb Serial B (ttyUSB1)"));
    QTest::mouseClick(Button(*dlg, 1), Qt::LeftButton);

    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_FALSE(dlg->isVisible());
    ASSERT_TRUE(dlg->Choice().has_value());
    EXPECT_EQ(*dlg->Choice(), kPorts[0]);

    // A dialog given that name next time preselects the same line.
    EXPECT_EQ(Selected(*Make(kPorts, 0, dlg->Choice()->friendlyName)),
              QStringLiteral("usb Serial B (ttyUSB1)"));
}

TEST_F(SelectComPortDlgTest, OkWithoutASelectionClosesAndHandsBackNothing)
{
    for (const CPortList& ports : {kPorts, CPortList()}) {
        auto dlg = Make(ports, 0, QStringLiteral("Modem"));
        dlg->show();
        List(*dlg)->clearSelection();
        QTest::mouseClick(Button(*dlg, 1), Qt::LeftButton);
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        EXPECT_FALSE(dlg->Choice().has_value());
    }
}

TEST_F(SelectComPortDlgTest, CancelAndEscapeHandBackNothing)
{
    for (bool escape : {false, true}) {
        auto dlg = Make();
        dlg->show();
        List(*dlg)->setCurrentRow(3);
        if (escape)
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(Button(*dlg, 2), Qt::LeftButton);
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_FALSE(dlg->Choice().has_value());
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
    EXPECT_FALSE(dlg->Choice().has_value());
}

TEST_F(SelectComPortDlgTest, EnumeratesByTheGivenMethodAndRetriesAFailureOnShowing)
{
    {
        auto dlg = Make();
        dlg->show();
        EXPECT_EQ(methods, (std::vector<bool>{true}));
        EXPECT_TRUE(dlg->EnumerationSucceeded());
    }
    methods.clear();
    {
        // Fails when constructed, works when tried again on showing.
        auto dlg = Make(kPorts, 1, QString(), false);
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
        auto dlg = Make(kPorts, 5, QString(), false);
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
    CSelectComPortDlg dlg(QString(), true, nullptr, &prompt);
    EXPECT_EQ(dlg.Ports(), expected);
    QStringList names;
    for (const CPortEntry& entry : expected)
        names << entry.friendlyName;
    QStringList lines = Lines(dlg);
    lines.sort(Qt::CaseInsensitive);
    names.sort(Qt::CaseInsensitive);
    EXPECT_EQ(lines, names);
}
