// The EEPROM utilities dialog, offscreen, against the simulated controller: what only the
// dialog does. The commands follow the document's status poll and the image; a running Get
// or Send disables them and hides the state its transfer makes; closing during a Get stops it.
#include "common/ControlLookup.h"
#include "ops/OpsSimTest.h"
#include "ops/eeprom/widgets/CEepromDlg.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>

namespace {

// The scripted prompt, with a look at the dialog each time a transfer pumps its progress.
class CPeekingPrompt : public CScriptedPrompt
{
public:
    std::function<void()> onPump;

    std::unique_ptr<IProgress> BeginProgress(const QString& title, EProgressKind kind) override
    {
        class CPeek : public IProgress
        {
        public:
            CPeek(std::unique_ptr<IProgress> inner, std::function<void()>& hook)
                : m_inner(std::move(inner)), m_hook(hook)
            {
            }
            void SetRange(int low, int high) override { m_inner->SetRange(low, high); }
            void SetPosition(int position) override { m_inner->SetPosition(position); }
            bool Pump() override
            {
                if (m_hook)
                    m_hook();
                return m_inner->Pump();
            }

        private:
            std::unique_ptr<IProgress> m_inner;
            std::function<void()>& m_hook;
        };
        return std::make_unique<CPeek>(CScriptedPrompt::BeginProgress(title, kind), onPump);
    }
};

class EepromDlgTest : public OpsSimTest
{
protected:
    void SetUp() override
    {
        OpsSimTest::SetUp();
        doc.SetPrompt(peeking);
    }

    // Which of Get, Send, Save and Open are enabled, in that order.
    static std::vector<bool> Enabled(CEepromDlg& dialog)
    {
        std::vector<bool> enabled;
        for (int id :
             {CEepromDlg::kGetId, CEepromDlg::kSendId, CEepromDlg::kSaveId, CEepromDlg::kOpenId})
            enabled.push_back(Control<QPushButton>(dialog, id)->isEnabled());
        return enabled;
    }

    CPeekingPrompt peeking;
};

using V = std::vector<bool>;

} // namespace

TEST_F(EepromDlgTest, TheCommandsFollowTheStatusPollAndARunDisablesThem)
{
    doc.StartStatusPoll();
    CEepromDlg dialog(doc);
    EXPECT_TRUE(doc.StatusPollRunning()) << "the document's poll finds the controller";
    auto* bytes = Control<QComboBox>(dialog, CEepromDlg::kBytesId);
    EXPECT_EQ(bytes->currentText(), QStringLiteral("256"));
    EXPECT_EQ(Enabled(dialog), (V{false, false, false, true}));
    auto* type = Control<QLabel>(dialog, CEepromDlg::kTypeId);
    EXPECT_EQ(type->text(), QStringLiteral("Unknown controller"));

    doc.Poll();
    EXPECT_EQ(type->text(), QStringLiteral("Tarn"));
    EXPECT_EQ(Enabled(dialog), (V{true, false, false, true}));

    // During the Get nothing in the dialog can start another command, and the link the
    // transfer holds is not shown as lost.
    bytes->setCurrentText(QStringLiteral("128"));
    std::vector<V> duringRun;
    bool pollDuringRun = false;
    QStringList typeDuringRun;
    peeking.onPump = [&] {
        duringRun.push_back(Enabled(dialog));
        pollDuringRun = pollDuringRun || doc.StatusPollRunning();
        typeDuringRun << type->text();
    };
    Control<QPushButton>(dialog, CEepromDlg::kGetId)->click();
    peeking.onPump = nullptr;
    ASSERT_FALSE(duringRun.empty());
    for (const V& enabled : duringRun)
        EXPECT_EQ(enabled, (V{false, false, false, false}));
    EXPECT_FALSE(pollDuringRun);
    EXPECT_EQ(typeDuringRun.filter(QStringLiteral("Tarn")).size(), typeDuringRun.size());
    EXPECT_TRUE(doc.StatusPollRunning()) << "restarted after the run";
    auto* list = Control<QListWidget>(dialog, CEepromDlg::kListId);
    ASSERT_EQ(list->count(), 128);
    EXPECT_EQ(Control<QLabel>(dialog, CEepromDlg::kFromId)->text(), QStringLiteral("Tarn"));

    // The buttons follow the new image at once.
    EXPECT_EQ(Enabled(dialog), (V{true, true, true, true}));

    // Open keeps the image when no file is chosen.
    peeking.ExpectOpenFile(QString());
    Control<QPushButton>(dialog, CEepromDlg::kOpenId)->click();
    EXPECT_EQ(dialog.Image().Count(), 128);

    Silence(true);
    doc.Poll();
    EXPECT_EQ(type->text(), QStringLiteral("Unknown controller"));
    EXPECT_EQ(Enabled(dialog), (V{false, false, true, true}));
    Silence(false);

    dialog.done(QDialog::Rejected);
    EXPECT_TRUE(doc.StatusPollRunning());
}

TEST_F(EepromDlgTest, ClosingDuringAGetStopsItAndClosesAfterwards)
{
    CEepromDlg dialog(doc);
    doc.Poll();
    QSignalSpy finished(&dialog, &QDialog::finished);
    peeking.onPump = [&] { dialog.reject(); };
    Control<QPushButton>(dialog, CEepromDlg::kGetId)->click();
    EXPECT_TRUE(dialog.Image().IsEmpty()) << "cancelled, without a message";
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(EepromDlgTest, OpeningAnImageOfAnotherTypeDisablesSendAtOnce)
{
    CEepromDlg dialog(doc);
    doc.Poll();
    Control<QComboBox>(dialog, CEepromDlg::kBytesId)->setCurrentText(QStringLiteral("128"));
    Control<QPushButton>(dialog, CEepromDlg::kGetId)->click();
    ASSERT_EQ(Enabled(dialog), (V{true, true, true, true})) << "a Tarn's image, a Tarn";

    // A Tarn+ image (type 10; bytes of 0x80 and more, so no question about text): the image
    // stays non-empty and the controller the same, so no poll would show the change.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plus.eep"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("0A000000F0F1F2F3"));
    file.close();
    peeking.ExpectOpenFile(path);
    Control<QPushButton>(dialog, CEepromDlg::kOpenId)->click();
    ASSERT_EQ(dialog.Image().Count(), 4);
    EXPECT_EQ(Enabled(dialog), (V{true, false, true, true})) << "no Send of a Tarn+ image";
    doc.Poll();
    EXPECT_EQ(Enabled(dialog), (V{true, false, true, true}));
    dialog.done(QDialog::Rejected);
}
