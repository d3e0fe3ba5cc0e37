// The Options dialog and what OK puts into effect, offscreen, with the simulated controller on
// a pseudo-terminal as the serial port and the ports listed by the test.
#include "ops/OpsSimTest.h"
#include "ops/tools/COptionsApply.h"
#include "ops/tools/widgets/COptionsDlg.h"
#include "res/StringTable.h"
#include "ui/ControlId.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

class OptionsDlgTest : public OpsSimTest
{
protected:
    void SetUp() override
    {
        OpsSimTest::SetUp();
        ports = {{QStringLiteral("/dev/ttyS0"), QStringLiteral("ttyS0"),
                  QStringLiteral("Modem (ttyS0)"), QStringLiteral("Modem")},
                 {sim.SlavePath(), QFileInfo(sim.SlavePath()).fileName(),
                  QStringLiteral("Cable (pts)"), QStringLiteral("Cable")},
                 {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("ttyUSB0"),
                  QStringLiteral("USB Serial (ttyUSB0)"), QStringLiteral("USB Serial")}};
        ASSERT_TRUE(settings.SetChosenPort(QStringLiteral("Cable (pts)"), sim.SlavePath()));
    }

    // A dialog over `ports` that records, for each enumeration, the method asked for and
    // whether the link's port was open meanwhile.
    std::unique_ptr<COptionsDlg> Make(bool succeed = true, COptionsDlg::FChooseTagFile choose = {})
    {
        auto enumerate = [this, succeed](CPortList& list, QString& error, bool standard) {
            calls.push_back({standard, link.IsOpen()});
            if (!succeed) {
                error = QStringLiteral("no port driver");
                return false;
            }
            list = ports;
            return true;
        };
        return std::make_unique<COptionsDlg>(doc, nullptr, enumerate, std::move(choose));
    }

    static QComboBox* Combo(QDialog& dlg)
    {
        return ControlId::Find<QComboBox>(&dlg, COptionsDlg::kPortId);
    }
    static QCheckBox* LowLatency(QDialog& dlg)
    {
        return dlg.findChild<QCheckBox*>(QString::fromLatin1(COptionsDlg::kLowLatencyName));
    }
    static void Click(QDialog& dlg, int id)
    {
        QPushButton* button = ControlId::Find<QPushButton>(&dlg, id);
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static QStringList Lines(QDialog& dlg)
    {
        QStringList lines;
        for (int i = 0; i < Combo(dlg)->count(); ++i)
            lines << Combo(dlg)->itemText(i);
        return lines;
    }
    // The port still talks to the controller: it was reopened with its line settings.
    void ExpectLinkAnswers()
    {
        ASSERT_TRUE(link.IsOpen());
        EControllerType type = EControllerType::None;
        EXPECT_EQ(link.Identify(type), EIdentifyResult::Identified);
    }
    QString WriteTagFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = QFileInfo(privateSettings.dir.filePath(name)).absoluteFilePath();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    struct SCall
    {
        bool standard;
        bool portOpen;
        bool operator==(const SCall&) const = default;
    };
    CPortList ports;
    std::vector<SCall> calls;
    const QString bundled = QStringLiteral(TAVRIN_BUNDLED_TAG_FILE);
};

} // namespace

TEST_F(OptionsDlgTest, CancelChangesNothingButThePortWasReleasedWhileListing)
{
    ASSERT_TRUE(settings.SetStandardEnum(false));
    auto dlg = Make();
    EXPECT_EQ(dlg->objectName(), ControlId::Name(134));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Options"));
    // Listed by the basic method while the link's port was closed; open again afterwards.
    EXPECT_EQ(calls, (std::vector<SCall>{{false, false}}));
    ExpectLinkAnswers();
    EXPECT_EQ(Lines(*dlg), (QStringList{"Modem (ttyS0)", "Cable (pts)", "USB Serial (ttyUSB0)"}));
    EXPECT_EQ(Combo(*dlg)->currentText(), QStringLiteral("Cable (pts)"));
    auto* tagFile = ControlId::Find<QLineEdit>(dlg.get(), COptionsDlg::kTagFileId);
    ASSERT_NE(tagFile, nullptr);
    EXPECT_TRUE(tagFile->isReadOnly());
    EXPECT_EQ(tagFile->text(), QFileInfo(bundled).fileName());
    // The update check is shown, and disabled while nothing is wired to it.
    auto* check = ControlId::Find<QPushButton>(dlg.get(), COptionsDlg::kCheckId);
    ASSERT_NE(check, nullptr);
    EXPECT_FALSE(check->isHidden());
    EXPECT_FALSE(check->isEnabled());

    Combo(*dlg)->setCurrentIndex(2);
    ASSERT_NE(LowLatency(*dlg), nullptr);
    EXPECT_TRUE(LowLatency(*dlg)->isChecked()) << "on by default";
    LowLatency(*dlg)->setChecked(false);
    Click(*dlg, COptionsDlg::kCancelId);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(settings.PortName(), QStringLiteral("Cable (pts)"));
    EXPECT_EQ(settings.PortDevice(), sim.SlavePath());
    EXPECT_TRUE(settings.LowLatency());
    EXPECT_EQ(doc.Tags().Path(), bundled);
    ExpectLinkAnswers();

    // A port that was closed is not opened by listing.
    link.Close();
    calls.clear();
    Make();
    EXPECT_EQ(calls, (std::vector<SCall>{{false, false}}));
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(OptionsDlgTest, AConfiguredPortNotFoundStaysUntilAnotherIsPicked)
{
    const CPortEntry cable = ports.takeAt(1);
    auto dlg = Make();
    EXPECT_EQ(Lines(*dlg),
              (QStringList{"Modem (ttyS0)", "USB Serial (ttyUSB0)", "Cable (pts) (not present)"}));
    EXPECT_EQ(Combo(*dlg)->currentIndex(), 2);
    Click(*dlg, COptionsDlg::kOkId); // the prompt fails the test on any message
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(settings.PortName(), QStringLiteral("Cable (pts)"));
    EXPECT_EQ(settings.PortDevice(), sim.SlavePath());
    EXPECT_TRUE(OptionsApply::Apply(doc, dlg->TagFilePath()));
    EXPECT_EQ(link.PortName(), sim.SlavePath());
    ExpectLinkAnswers();

    // Found on its device under another name, the port is that entry.
    ports.insert(1, cable);
    ASSERT_TRUE(settings.SetPortName(QStringLiteral("Cable (old name)")));
    dlg = Make();
    EXPECT_EQ(Lines(*dlg).size(), 3);
    EXPECT_EQ(Combo(*dlg)->currentIndex(), 1);

    ASSERT_TRUE(settings.SetChosenPort(QStringLiteral("Gone (ttyS7)"), QStringLiteral("/dev/x")));
    link.Close();
    dlg = Make();
    EXPECT_EQ(Combo(*dlg)->currentText(), QStringLiteral("Gone (ttyS7) (not present)"));
    Combo(*dlg)->setCurrentIndex(1);
    LowLatency(*dlg)->setChecked(false);
    Click(*dlg, COptionsDlg::kOkId);
    EXPECT_EQ(settings.PortName(), QStringLiteral("Cable (pts)"));
    EXPECT_EQ(settings.PortDevice(), sim.SlavePath());
    EXPECT_FALSE(settings.LowLatency());

    QSignalSpy views(&doc, &CTavrinDoc::ViewsUpdateRequested);
    EXPECT_TRUE(OptionsApply::Apply(doc, dlg->TagFilePath()));
    ExpectLinkAnswers();
    EXPECT_EQ(link.LowLatencyState(), CSerialPort::ELowLatency::Disabled);
    EXPECT_EQ(views.count(), 0); // the tag file did not change
}

TEST_F(OptionsDlgTest, WithoutAConfiguredPortTheFirstIsOfferedAndNoneSaysSo)
{
    ASSERT_TRUE(settings.SetChosenPort(QStringLiteral("zzz"), QStringLiteral("zzz")));
    auto dlg = Make();
    EXPECT_EQ(Lines(*dlg).size(), 3);
    EXPECT_EQ(Combo(*dlg)->currentIndex(), 0);

    ports.clear();
    dlg = Make();
    EXPECT_EQ(Combo(*dlg)->count(), 0);
    prompt.ExpectMessage(QStringLiteral("Communications device configuration not saved."),
                         IUserPrompt::EIcon::Exclamation);
    Click(*dlg, COptionsDlg::kOkId);
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(settings.PortName(), QStringLiteral("zzz"));
    EXPECT_EQ(settings.PortDevice(), QStringLiteral("zzz"));
}

TEST_F(OptionsDlgTest, FailedListingShowsTheErrorReportAndDisablesThePortList)
{
    prompt.ExpectMessageContaining(LoadString(EString::PortCheckFailed) +
                                   QStringLiteral("\nError: no port driver\nOS: "));
    auto dlg = Make(false);
    EXPECT_TRUE(prompt.AllShown());
    EXPECT_FALSE(Combo(*dlg)->isEnabled());
    EXPECT_EQ(Combo(*dlg)->count(), 0);
    ExpectLinkAnswers();
}

TEST_F(OptionsDlgTest, BrowsedTagFileIsLoadedAfterOkAndTheViewsRefreshed)
{
    QFile source(bundled);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString chosen = WriteTagFile(QStringLiteral("TagList0002.tag"), source.readAll());
    QString startedAt;
    auto dlg = Make(true, [&](QWidget*, const QString& current) {
        startedAt = current;
        return chosen;
    });
    Click(*dlg, COptionsDlg::kBrowseId);
    EXPECT_EQ(startedAt, bundled);
    EXPECT_EQ(ControlId::Find<QLineEdit>(dlg.get(), COptionsDlg::kTagFileId)->text(),
              QStringLiteral("TagList0002.tag"));
    Click(*dlg, COptionsDlg::kOkId);
    ASSERT_EQ(dlg->TagFilePath(), chosen);

    QSignalSpy views(&doc, &CTavrinDoc::ViewsUpdateRequested);
    EXPECT_TRUE(OptionsApply::Apply(doc, dlg->TagFilePath()));
    EXPECT_EQ(doc.Tags().Path(), chosen);
    EXPECT_FALSE(doc.Tags().Tags().empty());
    ASSERT_EQ(views.count(), 1);
    EXPECT_EQ(views.first().first().toInt(), 0);
}

TEST_F(OptionsDlgTest, TagFileThatFailsToLoadKeepsTheOldTags)
{
    const std::size_t tagsBefore = doc.Tags().Tags().size();
    const quint16 firstTag = doc.Tags().Tags().front()->tag;
    const QString broken = WriteTagFile(QStringLiteral("TagList0003.tag"), "\x05\x00\xff");
    prompt.ExpectMessageContaining(broken);
    QSignalSpy views(&doc, &CTavrinDoc::ViewsUpdateRequested);
    OptionsApply::Apply(doc, broken);
    EXPECT_TRUE(prompt.AllShown());
    EXPECT_EQ(doc.Tags().Path(), bundled);
    EXPECT_EQ(doc.Tags().Tags().size(), tagsBefore);
    EXPECT_NE(doc.Tags().FindTag(firstTag, EControllerType::None), nullptr);
    EXPECT_EQ(views.count(), 0);
}

TEST_F(OptionsDlgTest, PortThatDoesNotReopenIsReportedByItsName)
{
    ASSERT_TRUE(settings.SetChosenPort(QStringLiteral("Gone (ttyS7)"),
                                       privateSettings.dir.filePath(QStringLiteral("ttyS7"))));
    prompt.ExpectMessage(QStringLiteral("Can't open serial port: Gone (ttyS7)\n"
                                        "Please reset using the menu item: Tools\\Options"),
                         IUserPrompt::EIcon::Stop);
    EXPECT_FALSE(OptionsApply::Apply(doc, doc.Tags().Path()));
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(OptionsDlgTest, CheckTakesTheTagFileItInstalledAndNothingElse)
{
    auto dlg = Make();
    QString installed;
    int checks = 0;
    dlg->SetCheckHandler([&] {
        ++checks;
        return installed;
    });
    auto* check = ControlId::Find<QPushButton>(dlg.get(), COptionsDlg::kCheckId);
    ASSERT_TRUE(check && check->isEnabled());
    auto* tagFile = ControlId::Find<QLineEdit>(dlg.get(), COptionsDlg::kTagFileId);

    Click(*dlg, COptionsDlg::kCheckId); // nothing newer, or declined
    EXPECT_EQ(dlg->TagFilePath(), bundled);
    installed = privateSettings.dir.filePath(QStringLiteral("TagList0009.tag"));
    Click(*dlg, COptionsDlg::kCheckId);
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(dlg->TagFilePath(), installed);
    EXPECT_EQ(tagFile->text(), QStringLiteral("TagList0009.tag"));
}
