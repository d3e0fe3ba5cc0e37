// tavrin-cli commtest: the communication test without its dialog, for checking a cable or a
// controller from a script.
#include "cli/CTerminalPrompt.h"
#include "cli/CliCommands.h"
#include "link/CControllerLink.h"
#include "ops/tools/CCommTest.h"

#include <array>
#include <memory>

namespace Cli {

namespace {

// Bad packets as records, progress on standard error by tenths.
class CCliCommTestObserver : public ICommTestObserver
{
public:
    CCliCommTestObserver()
        : m_progress(
              m_prompt.BeginProgress(QStringLiteral("commtest"), IUserPrompt::EProgressKind::Plain))
    {
        m_progress->SetRange(0, 100);
    }

    void ShowState(const CCommTest& test) override
    {
        if (test.PacketsDone() > 0)
            m_progress->SetPosition(test.ProgressPercent());
    }
    void AddBadPacket(const QString& txLine, const QString& rxLine) override
    {
        PrintRecord({QStringLiteral("bad"), txLine});
        PrintRecord({QStringLiteral("bad"), rxLine});
    }
    bool Pump() override { return true; }

private:
    CTerminalPrompt m_prompt;
    std::unique_ptr<IProgress> m_progress;
};

const char* kUsage = "usage: commtest --ext FROM TO --tag FROM TO --value FROM TO [--port DEV]";

} // namespace

int RunCommTest(const QStringList& args)
{
    // Each range option takes two numbers, which QCommandLineParser cannot express.
    const QStringList rangeOptions = {QStringLiteral("--ext"), QStringLiteral("--tag"),
                                      QStringLiteral("--value")};
    std::array<std::array<qint64, 2>, 3> ranges{};
    std::array<bool, 3> given{};
    QString port;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--port") && i + 1 < args.size()) {
            port = args[++i];
            continue;
        }
        const qsizetype which = rangeOptions.indexOf(arg);
        if (which < 0 || i + 2 >= args.size()) {
            Error(QStringLiteral("unexpected \"%1\"").arg(arg));
            Error(QLatin1String(kUsage));
            return kExitUsage;
        }
        // Each number must fit its field: an extension of 300 would otherwise go out as 44.
        const unsigned maximum =
            which == 0 ? SCommTestRanges::kExtensionMax : SCommTestRanges::kWordMax;
        for (qint64& bound : ranges[static_cast<std::size_t>(which)]) {
            const QString& text = args[++i];
            if (!ParseNumber(text)) {
                Error(QStringLiteral("\"%1\" is not a number").arg(text));
                return kExitUsage;
            }
            const auto number = ParseWord(text, maximum);
            if (!number) {
                Error(QStringLiteral("%1 \"%2\" is outside 0..%3")
                          .arg(rangeOptions[which], text)
                          .arg(maximum));
                return kExitUsage;
            }
            bound = *number;
        }
        given[static_cast<std::size_t>(which)] = true;
    }
    if (given != std::array<bool, 3>{true, true, true}) {
        Error(QLatin1String(kUsage));
        return kExitUsage;
    }

    CControllerLink link;
    int exitCode = kExitOk;
    if (!OpenLink(link, port, exitCode))
        return exitCode;

    const SCommTestRanges cut = SCommTestRanges::FromEntries(
        ranges[0][0], ranges[0][1], ranges[1][0], ranges[1][1], ranges[2][0], ranges[2][1]);
    CCommTest test(link);
    CCliCommTestObserver observer;
    const CCommTest::SResult result = test.Run(cut, observer);

    PrintRecord({QStringLiteral("commtest"), QString::number(test.GoodPackets()),
                 QString::number(test.BadPackets()), QString::number(result.MsPerPacket())});
    if (test.BadPackets() == 0)
        return kExitOk;
    return test.GoodPackets() == 0 ? kExitNoReply : kExitPartly;
}

} // namespace Cli
