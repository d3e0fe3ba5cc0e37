// The "Select ADC " dialog and the channel windows it opens, offscreen: the empty set's line,
// opening tiled, reopening with the open windows selected, "Close all", and the
// three ways a window goes (the user, the dialog, a rebuild) without a double delete.
#include "app/CAppSettings.h"
#include "common/CScriptedPrompt.h"
#include "common/CSimBehindPath.h"
#include "common/CTempSettings.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"
#include "ops/adc/CAdcChannels.h"
#include "ops/adc/widgets/CAdcChartWnd.h"
#include "ops/adc/widgets/CAdcWindow.h"
#include "ops/adc/widgets/CSelectAdcDlg.h"
#include "sim/CControllerSim.h"
#include "ui/CTavrinView.h"

#include <QChart>
#include <QCoreApplication>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

#include <set>

namespace {

CADCChannel Channel(std::uint16_t tag, const char* name, std::int32_t minimum, std::int32_t maximum)
{
    CADCChannel channel;
    channel.tag = tag;
    channel.name = QString::fromLatin1(name);
    channel.minimum = minimum;
    channel.maximum = maximum;
    channel.controllerType = ControllerTypeNumber(EControllerType::TarnPlus);
    return channel;
}

class SelectAdcDlgTest : public ::testing::Test
{
protected:
    SelectAdcDlgTest()
    {
        channels.SetChannels({Channel(0x10, "Battery", 0, 255), Channel(0x11, "Heatsink", -40, 120),
                              Channel(0x12, "Throttle", 0, 1023)});
        view.resize(600, 400);
        view.show();
    }

    static void DeleteLaterNow()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opens the dialog, selects exactly the lines `select`, and presses OK.
    void Ok(std::initializer_list<int> select)
    {
        CSelectAdcDlg dialog(channels, &view);
        dialog.List()->clearSelection();
        for (int line : select)
            dialog.List()->item(line)->setSelected(true);
        dialog.accept();
    }

    QList<CAdcWindow*> Windows() const
    {
        QList<CAdcWindow*> shown;
        for (CAdcWindow* window : view.findChildren<CAdcWindow*>())
            if (window->isVisible())
                shown << window;
        return shown;
    }

    CAdcChannels channels;
    QWidget view;
};

} // namespace

TEST_F(SelectAdcDlgTest, WithoutAControllerTheListHoldsOnlyTheNoteAndOkOpensNothing)
{
    CSelectAdcDlg dialog(channels, &view);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select ADC "));
    ASSERT_EQ(dialog.List()->count(), 1);
    EXPECT_EQ(dialog.List()->item(0)->text(), QStringLiteral("No supported controller channels"));
    dialog.List()->item(0)->setSelected(true);
    EXPECT_FALSE(dialog.List()->item(0)->isSelected()) << "the note is not a channel";
    dialog.accept();
    EXPECT_TRUE(Windows().isEmpty());
}

TEST_F(SelectAdcDlgTest, OkOpensTiledWindowsAndReopeningShowsThemSelected)
{
    channels.RebuildWindowSet(EControllerType::TarnPlus);
    ASSERT_EQ(channels.WindowSetSize(), 3);
    Ok({0, 2});
    ASSERT_TRUE(channels.IsOpen(0) && channels.IsOpen(2));
    EXPECT_FALSE(channels.IsOpen(1));
    const QList<CAdcWindow*> opened = Windows();
    ASSERT_EQ(opened.size(), 2);
    CAdcWindow* battery =
        opened[0]->windowTitle() == QStringLiteral("Battery") ? opened[0] : opened[1];
    CAdcWindow* throttle = battery == opened[0] ? opened[1] : opened[0];
    EXPECT_EQ(throttle->windowTitle(), QStringLiteral("Throttle"));
    EXPECT_EQ(throttle->NameLabel()->text(), QStringLiteral("Throttle")) << "named inside too";
    EXPECT_EQ(battery->NameLabel()->text(), QStringLiteral("Battery"));
    EXPECT_GT(battery->NameLabel()->height(), 0);
    EXPECT_LT(battery->NameLabel()->geometry().bottom(), battery->ValueLabel()->geometry().top())
        << "the name above the reading";
    EXPECT_EQ(throttle->pos(), battery->pos() + QPoint(battery->frameGeometry().width(), 0))
        << "the second window beside the first";
    EXPECT_FALSE(battery->isModal());

    // Reopened: the open windows are selected, and OK without a change keeps them as they are.
    {
        CSelectAdcDlg dialog(channels, &view);
        ASSERT_EQ(dialog.List()->count(), 3);
        EXPECT_EQ(dialog.List()->item(1)->text(), QStringLiteral("Heatsink"));
        EXPECT_TRUE(dialog.List()->item(0)->isSelected());
        EXPECT_FALSE(dialog.List()->item(1)->isSelected());
        EXPECT_TRUE(dialog.List()->item(2)->isSelected());
        dialog.accept();
    }
    DeleteLaterNow();
    EXPECT_EQ(Windows(), opened);

    // Deselecting closes; the window opened next takes the place that became free.
    const QPoint first = battery->pos();
    const QPointer<CAdcWindow> gone = battery;
    Ok({1, 2});
    DeleteLaterNow();
    EXPECT_TRUE(gone.isNull());
    EXPECT_FALSE(channels.IsOpen(0));
    ASSERT_TRUE(channels.IsOpen(1));
    const QList<CAdcWindow*> now = Windows();
    ASSERT_EQ(now.size(), 2);
    CAdcWindow* heatsink = now[0] == throttle ? now[1] : now[0];
    EXPECT_EQ(heatsink->pos(), first);
}

TEST_F(SelectAdcDlgTest, ManyWindowsTileInRowsWithinTheScreenWithoutOverlapping)
{
    std::vector<CADCChannel> many;
    for (int i = 0; i < 9; ++i)
        many.push_back(Channel(std::uint16_t(0x30 + i), "Channel", 0, 255));
    channels.SetChannels(std::move(many));
    channels.RebuildWindowSet(EControllerType::TarnPlus);
    // The list somewhere below the top of the screen, as under a main window's menus.
    view.move(40, 120);
    QCoreApplication::processEvents();
    Ok({0, 1, 2, 3, 4, 5, 6, 7, 8});
    const QList<CAdcWindow*> opened = Windows();
    ASSERT_EQ(opened.size(), 9);

    const QRect area = view.screen()->availableGeometry();
    std::set<int> rows;
    for (int i = 0; i < opened.size(); ++i) {
        const QRect frame = opened[i]->frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << i;
        EXPECT_GE(frame.top(), view.mapToGlobal(QPoint(0, 0)).y()) << i << ": over the list";
        rows.insert(frame.top());
        for (int j = 0; j < i; ++j)
            EXPECT_FALSE(frame.intersects(opened[j]->frameGeometry())) << i << " and " << j;
    }
    const int perRow = (area.right() + 1 - view.mapToGlobal(QPoint(0, 0)).x()) /
                       opened[0]->frameGeometry().width();
    ASSERT_LT(perRow, 9) << "the test needs more windows than fit in a row";
    EXPECT_EQ(int(rows.size()), (9 + perRow - 1) / perRow) << "full rows, then the next";
}

TEST_F(SelectAdcDlgTest, CloseAllClosesEveryWindowAndTheDialogStaysOpen)
{
    channels.RebuildWindowSet(EControllerType::TarnPlus);
    Ok({0, 1, 2});
    ASSERT_EQ(Windows().size(), 3);

    CSelectAdcDlg dialog(channels, &view);
    dialog.show();
    dialog.CloseAllButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.List()->selectedItems().isEmpty());
    EXPECT_TRUE(Windows().isEmpty());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(channels.IsOpen(i)) << i;
    DeleteLaterNow();
    EXPECT_TRUE(view.findChildren<CAdcWindow*>().isEmpty()) << "the widgets are deleted";
}

TEST_F(SelectAdcDlgTest, AWindowClosedByTheUserOrByARebuildIsForgottenOnce)
{
    channels.RebuildWindowSet(EControllerType::TarnPlus);
    Ok({0, 1});
    QList<CAdcWindow*> opened = Windows();
    ASSERT_EQ(opened.size(), 2);
    CAdcWindow* first = opened[0];
    const bool firstIsBattery = first->windowTitle() == QStringLiteral("Battery");
    ASSERT_TRUE(first->close());
    EXPECT_EQ(channels.IsOpen(0), !firstIsBattery);
    EXPECT_EQ(channels.IsOpen(1), firstIsBattery);
    DeleteLaterNow();
    ASSERT_EQ(view.findChildren<CAdcWindow*>().size(), 1);

    channels.RebuildWindowSet(EControllerType::Tarn); // another type: every window closes
    DeleteLaterNow();
    EXPECT_TRUE(view.findChildren<CAdcWindow*>().isEmpty());
    EXPECT_EQ(channels.WindowSetSize(), 0);
}

TEST_F(SelectAdcDlgTest, TheWindowShowsTheLimitsAndMovesTheBarOnlyForAValue)
{
    channels.RebuildWindowSet(EControllerType::TarnPlus);
    Ok({1}); // Heatsink, -40..120
    ASSERT_EQ(Windows().size(), 1);
    CAdcWindow* window = Windows().first();
    EXPECT_EQ(window->MinLabel()->text(), QStringLiteral("-40"));
    EXPECT_EQ(window->MaxLabel()->text(), QStringLiteral("120"));
    EXPECT_EQ(window->ValueLabel()->text(), QStringLiteral("----"));
    EXPECT_EQ(window->Bar()->minimum(), 0);
    EXPECT_EQ(window->Bar()->maximum(), 160);

    window->ShowReading({SAdcReading::EState::Value, -40});
    EXPECT_EQ(window->ValueLabel()->text(), QStringLiteral("-40"));
    EXPECT_EQ(window->Bar()->value(), 0);
    window->ShowReading({SAdcReading::EState::Value, 200});
    EXPECT_EQ(window->ValueLabel()->text(), QStringLiteral("200"));
    EXPECT_EQ(window->Bar()->value(), 160);
    window->ShowReading({SAdcReading::EState::CommsLost, 0});
    EXPECT_EQ(window->ValueLabel()->text(), QStringLiteral("Comms lost"));
    EXPECT_EQ(window->Bar()->value(), 160) << "no value: the bar stays";
}

TEST_F(SelectAdcDlgTest, ARangeWiderThan32767FillsTheBarInProportion)
{
    // -20000..20000 reads signed words; 0..40000 unsigned ones (40000 is the word 0x9C40).
    CAdcWindow wide(QStringLiteral("wide"),
                    CAdcChannels::RangeOf(Channel(0x13, "wide", -20000, 20000)), &view);
    wide.ShowReading({SAdcReading::EState::Value, -10000});
    const QProgressBar* bar = wide.Bar();
    EXPECT_EQ(bar->maximum() - bar->minimum(), 40000);
    EXPECT_EQ(bar->value() - bar->minimum(), 10000) << "a quarter";
    EXPECT_EQ(wide.MinLabel()->text(), QStringLiteral("-20000"));
    EXPECT_EQ(wide.MaxLabel()->text(), QStringLiteral("20000"));

    CAdcWindow high(QStringLiteral("high"), CAdcChannels::RangeOf(Channel(0x14, "high", 0, 40000)),
                    &view);
    EXPECT_EQ(high.Bar()->maximum() - high.Bar()->minimum(), 40000);
    high.ShowReading({SAdcReading::EState::Value, static_cast<std::int16_t>(30000)});
    EXPECT_EQ(high.Bar()->value() * 4, high.Bar()->maximum() * 3) << "three quarters";
    high.ShowReading({SAdcReading::EState::Value, static_cast<std::int16_t>(0x9C40)});
    EXPECT_EQ(high.Bar()->value(), high.Bar()->maximum()) << "40000: full";
    EXPECT_EQ(high.MaxLabel()->text(), QStringLiteral("40000"));
}

TEST(AdcWindowLinkTest, WindowsShowCommsLostOnceTheDeviceIsGone)
{
    CSimBehindPath device;
    ASSERT_TRUE(device.Plug());
    CControllerLink link;
    link.Configure(device.Path(), 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
    ASSERT_TRUE(link.Open());
    CTempSettings temp;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CTavrinDoc doc{link, settings, prompt};
    CTavrinView view(doc, nullptr);
    view.resize(600, 400);
    view.show();
    CAdcChannels& channels = view.AdcChannels();
    CADCChannel heatsink = Channel(LinkProtocol::kTagAdcHeatsinkTemperature, "Heatsink", -40, 120);
    heatsink.controllerType = ControllerTypeNumber(EControllerType::Tarn);
    CADCChannel battery = Channel(LinkProtocol::kTagAdcBatteryVoltage, "Battery", 0, 600);
    battery.controllerType = heatsink.controllerType;
    channels.SetChannels({heatsink, battery});
    channels.RebuildWindowSet(EControllerType::Tarn);
    CAdcWindow* first = CAdcWindow::Open(channels, 0, &view);
    doc.PollTick();
    ASSERT_TRUE(doc.LinkReady());
    bool isNumber = false;
    first->ValueLabel()->text().toInt(&isNumber);
    EXPECT_TRUE(isNumber) << qPrintable(first->ValueLabel()->text());

    device.Unplug();
    for (int tick = 0; tick < 4 * CTavrinDoc::kPollLimitLinked && link.IsOpen(); ++tick)
        doc.PollTick();
    ASSERT_FALSE(link.IsOpen()) << "the reopen failed: nothing behind the path";
    // A window opened now, and one that was open all along, both say so on the next tick.
    CAdcWindow* second = CAdcWindow::Open(channels, 1, &view);
    doc.PollTick();
    EXPECT_EQ(first->ValueLabel()->text(), QStringLiteral("Comms lost"));
    EXPECT_EQ(second->ValueLabel()->text(), QStringLiteral("Comms lost"));
    EXPECT_TRUE(first->isVisible()) << "the windows stay open";
}

TEST_F(SelectAdcDlgTest, TheChartBreaksALineAtAGapAndSaysHowToOpenAChannel)
{
    CScriptedPrompt prompt;
    CControllerLink closed; // never opened: every refresh reads "Comms lost" without exchanges
    channels.RebuildWindowSet(EControllerType::TarnPlus);
    CAdcChartWnd chart(channels, prompt);
    chart.show();
    EXPECT_TRUE(chart.EmptyNote()->isVisible());
    EXPECT_EQ(chart.EmptyNote()->text(),
              QStringLiteral("No ADC channel is open. Choose Tools → ADC View to add one."));

    Ok({0});
    channels.RefreshWindows(closed);
    EXPECT_FALSE(chart.EmptyNote()->isVisible()) << "a channel is open";

    // Battery: 10, 11, no reply, 13: two runs, one legend entry.
    const auto battery = [](SAdcReading::EState state, std::int16_t value) {
        return QList<CAdcChannels::SSample>{{0, 0x10, QStringLiteral("Battery"), {state, value}}};
    };
    chart.Record(1, battery(SAdcReading::EState::Value, 10));
    chart.Record(2, battery(SAdcReading::EState::Value, 11));
    chart.Record(3, battery(SAdcReading::EState::CommsLost, 0));
    chart.Record(4, battery(SAdcReading::EState::Value, 13));
    std::vector<qsizetype> runs;
    for (QAbstractSeries* series : chart.Chart()->series()) {
        const auto* line = qobject_cast<QLineSeries*>(series);
        ASSERT_NE(line, nullptr);
        if (line->count() > 0)
            runs.push_back(line->count());
    }
    EXPECT_EQ(runs, (std::vector<qsizetype>{2, 1}));
    QCoreApplication::processEvents(); // the legend lays its markers out on an event
    int named = 0;
    for (QLegendMarker* marker : chart.Chart()->legend()->markers())
        named += marker->isVisible() ? 1 : 0;
    EXPECT_EQ(named, 1);

    channels.CloseAll();
    channels.RefreshWindows(closed);
    EXPECT_TRUE(chart.EmptyNote()->isVisible()) << "the last channel closed";
}
