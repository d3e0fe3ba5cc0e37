// tavrin-cli commtest: the communication test without its dialog, for checking a cable or a
// controller from a script.
#include "cli/CCommandContext.h"
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
    explicit CCliCommTestObserver(IUserPrompt& prompt)
        : m_progress(
              prompt.BeginProgress(QStringLiteral("commtest"), IUserPrompt::EProgressKind::Plain))
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
    std::unique_ptr<IProgress> m_progress;
};

} // namespace

int RunCommTest(CCommandContext& context, const QStringList& args)
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
            return context.UsageError();
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
    if (given != std::array<bool, 3>{true, true, true})
        return context.UsageError();

    // --port is read above, not by the context's parser.
    CControllerLink& link = context.Link();
    int exitCode = kExitOk;
    if (!OpenLink(link, port, exitCode))
        return exitCode;

    const SCommTestRanges cut = SCommTestRanges::FromEntries(
        ranges[0][0], ranges[0][1], ranges[1][0], ranges[1][1], ranges[2][0], ranges[2][1]);
    CCommTest test(link);
    CCliCommTestObserver observer(context.Prompt());
    const CCommTest::SResult result = test.Run(cut, observer);

    PrintRecord({QStringLiteral("commtest"), QString::number(test.GoodPackets()),
                 QString::number(test.BadPackets()), QString::number(result.MsPerPacket())});
    if (test.BadPackets() == 0)
        return kExitOk;
    return test.GoodPackets() == 0 ? kExitNoReply : kExitPartly;
}

} // namespace Cli
