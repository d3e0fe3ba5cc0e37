// The whole application offscreen against the simulator: start-up with a configured port and
// tag folder, a read, the list view's edit path through the edit dialog (Program Controller
// included) and File, Export.
#include "AppTestSupport.h"
#include "app/CAppSettings.h"
#include "app/widgets/CMainFrame.h"
#include "app/widgets/CMenuTable.h"
#include "app/widgets/CTavrinApp.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "common/SimModelEdits.h"
#include "doc/CTavrinDoc.h"
#include "ops/params/CReadFlow.h"
#include "res/StringTable.h"
#include "sim/CControllerSim.h"
#include "ui/CEditParameterDlg.h"
#include "ui/CTavrinView.h"
#include "ui/ControlId.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Presses the button with object name `id` on the next modal dialog.
void PressOnModal(int id, bool& pressed)
{
    QTimer::singleShot(0, [id, &pressed] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        auto* button = ControlId::Find<QAbstractButton>(modal, id);
        ASSERT_NE(button, nullptr) << "no button " << id;
        button->click();
        pressed = true;
    });
}

} // namespace

TEST(Application, StartsConnectedReadsAndEditsThroughTheView)
{
    CTempSettings temp;
    CTagFile tags;
    ASSERT_TRUE(tags.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
    CControllerSim sim(ModelWithTagFile(tags, EControllerType::TarnPlus));
    ASSERT_TRUE(sim.Start());
    PointSettingsAt(sim.SlavePath());

    CTavrinApp app;
    ASSERT_TRUE(app.InitInstance({})) << "no question: the port opens and the tag file loads";
    EXPECT_TRUE(app.Link().IsOpen());
    EXPECT_TRUE(app.Document().HasTagFile());
    auto* view = qobject_cast<CTavrinView*>(app.Frame().centralWidget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->RowCount(), 0);

    app.Document().Poll();
    ASSERT_TRUE(app.Document().LinkReady());
    // The view loaded the bundled channels, and the new controller type rebuilt its window set.
    EXPECT_EQ(view->AdcChannels().WindowSetType(), EControllerType::TarnPlus);
    EXPECT_GT(view->AdcChannels().WindowSetSize(), 0);
    const CReadFlow::SOutcome read = CReadFlow::Run(app.Document());
    ASSERT_TRUE(read.Complete());
    EXPECT_GT(view->RowCount(), 40) << "the read refreshed the view";
    EXPECT_TRUE(app.Frame().EqualityPaneEqual());
    // Qt puts its modified marker in place of "[*]" while the document is modified.
    EXPECT_EQ(app.Frame().windowTitle(), QStringLiteral("Downloaded[*] - Tavrin"));
    EXPECT_TRUE(app.Frame().isWindowModified());

    // Edit the first row and keep the change in the editor: the display no longer matches.
    view->SelectRow(0);
    const quint16 tag = view->RowTag(0);
    bool pressed = false;
    PressOnModal(1085, pressed);
    emit view->EditRequested(tag, 0);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(app.Frame().EqualityPaneEqual());
    EXPECT_TRUE(app.Document().IsModified());
    EXPECT_EQ(view->SelectedRow(), 0);

    // Cancel changes nothing.
    app.Document().SetModified(false);
    app.Frame().SetEqualityPane(true);
    pressed = false;
    PressOnModal(2, pressed);
    emit view->EditRequested(tag, 0);
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(app.Frame().EqualityPaneEqual());
    EXPECT_FALSE(app.Document().IsModified());
    EXPECT_FALSE(app.Frame().isWindowModified());

    // A tag without a record opens nothing.
    emit view->EditRequested(0xFFFE, 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Program Controller writes the row's value: confirmed, the display still matches.
    CScriptedPrompt scripted;
    app.Document().SetPrompt(scripted);
    int row = 0;
    while (row < view->RowCount() &&
           app.Document().Parameters().FindParameter(view->RowTag(row))->readOnly)
        ++row;
    ASSERT_LT(row, view->RowCount());
    const quint16 writable = view->RowTag(row);
    const quint16 value = app.Document().Parameters().FindParameter(writable)->value;
    const auto writesOf = [&] {
        int writes = 0;
        for (const CSimRequest& request : sim.Requests())
            writes += request.Record().word1 == writable &&
                      request.Record().control == LinkProtocol::kControlWrite;
        return writes;
    };
    app.Frame().SetEqualityPane(true);
    app.Document().SetBaselineValue(writable, quint16(value + 1));
    pressed = false;
    PressOnModal(1084, pressed);
    emit view->EditRequested(writable, row);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(writesOf(), 1);
    EXPECT_EQ(app.Document().Baseline().value(writable), value);
    EXPECT_TRUE(app.Frame().EqualityPaneEqual());

    // A write that fails leaves the display not matching.
    CSimFaults silent;
    silent.silent = true;
    sim.SetFaults(silent);
    scripted.ExpectMessage(LoadString(EString::CommsLost), IUserPrompt::EIcon::Stop);
    pressed = false;
    PressOnModal(1084, pressed);
    emit view->EditRequested(writable, row);
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(app.Frame().EqualityPaneEqual());
    sim.SetFaults(CSimFaults());

    // File, Export: a name without a suffix takes the selected filter's.
    QTemporaryDir dir;
    const QString jsonFilter = QStringLiteral("JSON files (*.json)");
    scripted.ExpectFile(dir.filePath(QStringLiteral("set")), jsonFilter);
    app.Frame().UpdateCommandStates();
    app.Frame().Action(MenuTable::IdFileExport)->trigger();
    EXPECT_EQ(scripted.LastFileChoice().mode, IUserPrompt::SFileChoice::EMode::Save);
    EXPECT_EQ(scripted.LastFileChoice().caption, QStringLiteral("Export"));
    EXPECT_EQ(scripted.LastFileChoice().filter, QStringLiteral("CSV files (*.csv);;") + jsonFilter);
    EXPECT_EQ(scripted.LastFileChoice().suggestedPath, QStringLiteral("Downloaded.csv"));
    QFile exported(dir.filePath(QStringLiteral("set.json")));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_TRUE(exported.readAll().startsWith('{'));
}
