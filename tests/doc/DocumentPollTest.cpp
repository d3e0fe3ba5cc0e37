// The document's status poll against the simulated controller.
#include "app/CAppSettings.h"
#include "common/CScriptedPrompt.h"
#include "common/CSimBehindPath.h"
#include "common/CTempSettings.h"
#include "doc/CTavrinDoc.h"
#include "link/LinkTestSupport.h"

#include <QFileInfo>
#include <QSignalSpy>

namespace {

class DocumentPollTest : public SimLinkTest
{
protected:
    CTempSettings temp;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CTavrinDoc doc{link, settings, prompt};
};

} // namespace

TEST_F(DocumentPollTest, PanesFollowTripsAndSilence)
{
    EXPECT_EQ(doc.ControllerIdPaneText(), QStringLiteral("Comms lost"));
    EXPECT_EQ(doc.ControllerStatusPaneText(), QStringLiteral("Comms lost"));

    doc.Poll();
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_EQ(doc.ConnectedType(), EControllerType::Tarn);
    EXPECT_EQ(doc.ControllerIdPaneText(), QStringLiteral("Tarn"));
    EXPECT_EQ(doc.ControllerStatusPaneText(), QStringLiteral("Ok"));
    EXPECT_EQ(doc.LastTripCode(), 0);

    sim.WithModel([](CSimModel& m) { m.SetTripCodes(0x00A3, 0x0042); });
    doc.Poll();
    EXPECT_EQ(doc.ControllerStatusPaneText(), QStringLiteral("Trip: 00A3"));
    EXPECT_EQ(doc.LastTripCode(), 0xA3);

    sim.WithModel([](CSimModel& m) { m.SetTripCodes(0, 0x4B1C); });
    doc.Poll();
    EXPECT_EQ(doc.ControllerStatusPaneText(), QStringLiteral("Trip: 4B1C"));

    sim.WithModel([](CSimModel& m) { m.SetIdentificationCode(0x21); });
    doc.Poll();
    EXPECT_EQ(doc.ControllerIdPaneText(), QStringLiteral("Unknown Controller"));

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    QSignalSpy changed(&doc, &CTavrinDoc::ControllerStateChanged);
    doc.Poll();
    EXPECT_FALSE(doc.LinkReady());
    EXPECT_EQ(doc.LastTripCode(), 0) << "not linked";
    EXPECT_EQ(doc.ControllerIdPaneText(), QStringLiteral("Comms lost"));
    EXPECT_EQ(doc.ControllerStatusPaneText(), QStringLiteral("Comms lost"));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(DocumentPollTest, ATripReadThatFailsLeavesTheTextEmpty)
{
    // Identification answers, trip code 1 does not exist.
    sim.WithModel([](CSimModel& m) { m.RemoveTag(32); });
    doc.Poll();
    EXPECT_TRUE(doc.LinkReady());
    // "no such tag" gives no trip code: the read failed, and the pane must not say "Ok".
    EXPECT_EQ(doc.StatusText(), QString());
    EXPECT_EQ(doc.LastTripCode(), 0xFFFF);

    std::atomic<int> calls{0};
    sim.SetResponder([&](const CLinkRecord& request) -> std::optional<QByteArray> {
        if (request.word1 == 32)
            return std::nullopt; // silence on the trip code only
        ++calls;
        CSimModel model = CSimModel::DefaultController();
        const auto reply = model.Answer(request);
        if (!reply)
            return std::nullopt;
        const LinkFrame bytes = CSimModel::EncodeReply(*reply);
        return Bytes(bytes);
    });
    doc.Poll();
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_EQ(doc.StatusText(), QString());
    EXPECT_EQ(doc.LastTripCode(), 0xFFFF);
}

TEST_F(DocumentPollTest, TicksPollAtOnceThenEveryThirdOrSixth)
{
    auto polls = [&] { return static_cast<int>(sim.RequestCount()); };
    doc.PollTick(); // first tick polls at once
    const int afterFirst = polls();
    EXPECT_GT(afterFirst, 0);
    EXPECT_TRUE(doc.LinkReady());
    doc.PollTick();
    doc.PollTick();
    EXPECT_EQ(polls(), afterFirst) << "ticks 2 and 3 only count";
    doc.PollTick();
    EXPECT_GT(polls(), afterFirst) << "the third tick after a poll polls again while linked";

    CSimFaults faults;
    faults.silent = true;
    sim.SetFaults(faults);
    doc.PollTick();
    doc.PollTick();
    doc.PollTick(); // polls (linked limit 3) and finds silence
    EXPECT_FALSE(doc.LinkReady());
    const std::size_t before = sim.RequestCount();
    for (int i = 0; i < 5; ++i)
        doc.PollTick();
    EXPECT_EQ(sim.RequestCount(), before) << "five ticks are not enough while unlinked";
    doc.PollTick();
    EXPECT_GT(sim.RequestCount(), before) << "the sixth tick polls";

    QSignalSpy ticked(&doc, &CTavrinDoc::PollTicked);
    doc.PollTick();
    EXPECT_EQ(ticked.count(), 1);
}

TEST_F(DocumentPollTest, TheTimerRunsUntilStopped)
{
    EXPECT_FALSE(doc.StatusPollRunning());
    doc.StartStatusPoll();
    EXPECT_TRUE(doc.StatusPollRunning());
    doc.StopStatusPoll();
    EXPECT_FALSE(doc.StatusPollRunning());
}

TEST_F(DocumentPollTest, StartUpWithoutATagFileSaysSo)
{
    prompt.ExpectMessage(QStringLiteral("Cannot locate the tag file either because it is missing "
                                        "or the tag directory file is incorrectly specified."),
                         IUserPrompt::EIcon::Stop);
    doc.Initialise();
    EXPECT_FALSE(doc.HasTagFile());
    EXPECT_TRUE(doc.StatusPollRunning());
    EXPECT_EQ(doc.DataType(), EControllerType::None);
    EXPECT_TRUE(doc.Parameters().IsEmpty());
}

TEST_F(DocumentPollTest, StartUpLoadsTheNewestTagFile)
{
    CAppSettings::Write(QStringLiteral("Settings"), QStringLiteral("TagFileDir"),
                        QFileInfo(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).absolutePath());
    doc.Initialise();
    EXPECT_TRUE(doc.HasTagFile());
    EXPECT_TRUE(doc.Tags().Path().endsWith(QStringLiteral("TagList0001.tag")));
    EXPECT_TRUE(doc.Tags().FileTime().isValid());
}

TEST(DocumentReconnectTest, ThePollReopensTheSameDeviceWhenItComesBack)
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
    doc.PollTick();
    ASSERT_TRUE(doc.LinkReady());

    // The device goes away under the open port.
    device.Unplug();
    for (int tick = 0; tick < 2 * CTavrinDoc::kPollLimitLinked && doc.LinkReady(); ++tick)
        doc.PollTick();
    EXPECT_FALSE(doc.LinkReady());
    EXPECT_TRUE(doc.Reconnecting());
    EXPECT_EQ(doc.ControllerStatusPaneText(), QStringLiteral("Comms lost"));
    doc.PollTick();
    EXPECT_FALSE(doc.LinkReady()) << "nothing behind the path yet";

    ASSERT_TRUE(device.Plug());
    // The very next tick reopens the device and finds the controller.
    doc.PollTick();
    EXPECT_TRUE(doc.LinkReady());
    EXPECT_FALSE(doc.Reconnecting());
    EXPECT_EQ(doc.ControllerStatusPaneText(), QStringLiteral("Ok"));
    EXPECT_GT(device.Sim().RequestCount(), 0u);
}
