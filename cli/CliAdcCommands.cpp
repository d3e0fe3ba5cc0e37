// tavrin-cli adc: the ADC channels of the connected controller on a terminal. It lists the
// channels the channel file offers for the identified type, or samples their live values
// for logging in the field, one record a reading, until a count is reached or Ctrl-C.
#include "app/CAppSettings.h"
#include "cli/CCommandContext.h"
#include "cli/CliCommands.h"
#include "data/CParameterText.h"
#include "doc/CTavrinDoc.h"
#include "doc/CTransferSession.h"
#include "link/CControllerLink.h"
#include "ops/adc/CAdcChannels.h"
#include "res/StringTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <set>
#include <thread>

namespace Cli {
namespace {

// Longest wait between two checks for Ctrl-C while waiting for the next round.
constexpr std::chrono::milliseconds kInterruptCheck{50};
constexpr unsigned kMaxIntervalMs = 3600000;

// Set by SIGINT; the sampling loop looks at it between records, so the line being written
// is always finished.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int)
{
    g_interrupted = 1;
}

// Catches SIGINT for as long as it lives and puts the previous handler back at the end.
class CInterruptCatcher
{
public:
    CInterruptCatcher()
    {
        g_interrupted = 0;
        m_previous = std::signal(SIGINT, OnInterrupt);
    }
    ~CInterruptCatcher() { std::signal(SIGINT, m_previous); }
    CInterruptCatcher(const CInterruptCatcher&) = delete;
    CInterruptCatcher& operator=(const CInterruptCatcher&) = delete;

    static bool Interrupted() { return g_interrupted != 0; }

private:
    void (*m_previous)(int) = SIG_DFL;
};

QString TagText(std::uint16_t tag)
{
    return QStringLiteral("0x") + HexWord(tag);
}

// What sampling is asked for.
struct SSampling
{
    std::optional<unsigned> rounds; // until interrupted when empty
    unsigned intervalMs = 850;      // from the start of one round to the start of the next
    std::set<std::uint16_t> tags;   // every offered channel when empty
};

// Waits until `elapsed` reaches `dueMs`, looking for Ctrl-C meanwhile. False when
// interrupted.
bool WaitUntil(const QElapsedTimer& elapsed, qint64 dueMs)
{
    while (!CInterruptCatcher::Interrupted()) {
        const qint64 left = dueMs - elapsed.elapsed();
        if (left <= 0)
            return true;
        std::this_thread::sleep_for(
            std::min<std::chrono::milliseconds>(std::chrono::milliseconds(left), kInterruptCheck));
    }
    return false;
}

// Reads `channels` round after round, one record a reading. Exit 2 when not one reading of
// the run got a reply; 0 otherwise, the records saying which readings were lost.
int Sample(CControllerLink& link, const std::vector<CADCChannel>& channels,
           const SSampling& sampling)
{
    CInterruptCatcher interrupt;
    QElapsedTimer elapsed;
    elapsed.start();
    bool anyReply = false;
    bool anyReading = false;
    for (unsigned round = 0; !sampling.rounds || round < *sampling.rounds; ++round) {
        // Rounds start on a fixed schedule, so a slow round does not shift the ones after it.
        if (!WaitUntil(elapsed, static_cast<qint64>(round) * sampling.intervalMs))
            break;
        for (const CADCChannel& channel : channels) {
            if (CInterruptCatcher::Interrupted())
                break;
            const SAdcReading reading = CAdcChannels::ReadChannel(link, channel.tag);
            anyReading = true;
            anyReply = anyReply || reading.state != SAdcReading::EState::CommsLost;
            PrintRecord({QStringLiteral("adc"),
                         QString::number(static_cast<double>(elapsed.elapsed()) / 1000.0, 'f', 3),
                         TagText(channel.tag), Field(channel.name), Field(reading.Text())});
        }
        if (CInterruptCatcher::Interrupted())
            break;
    }
    if (anyReading && !anyReply) {
        Error(QStringLiteral("no channel was answered"));
        return kExitNoReply;
    }
    return kExitOk;
}

} // namespace

int RunAdc(CCommandContext& context, const QStringList& args)
{
    CCliParser& parser = context.Parser();
    context.AddPortOption();
    parser.AddOption({QStringLiteral("list"), QStringLiteral("List the channels offered.")});
    parser.AddOption(
        {QStringLiteral("channels"), QStringLiteral("ADC channel file."), QStringLiteral("FILE")});
    parser.AddOption(
        {QStringLiteral("count"), QStringLiteral("Sample N rounds."), QStringLiteral("N")});
    parser.AddOption({QStringLiteral("interval"),
                      QStringLiteral("Milliseconds from one round to the next (default 850)."),
                      QStringLiteral("MS")});
    parser.AddOption(
        {QStringLiteral("tag"), QStringLiteral("Sample this channel only."), QStringLiteral("T")});
    if (!context.Parse(args) || !context.Positional().isEmpty())
        return context.UsageError();
    const bool list = parser.isSet(QStringLiteral("list"));
    SSampling sampling;
    if (parser.isSet(QStringLiteral("count"))) {
        sampling.rounds = ParseWord(parser.value(QStringLiteral("count")), 0xFFFFFFFFu);
        if (!sampling.rounds || *sampling.rounds == 0)
            return context.UsageError();
    }
    if (parser.isSet(QStringLiteral("interval"))) {
        const auto interval = ParseWord(parser.value(QStringLiteral("interval")), kMaxIntervalMs);
        if (!interval)
            return context.UsageError();
        sampling.intervalMs = *interval;
    }
    for (const QString& text : parser.values(QStringLiteral("tag"))) {
        const auto tag = ParseWord(text);
        if (!tag)
            return context.UsageError();
        sampling.tags.insert(static_cast<std::uint16_t>(*tag));
    }
    if (list && (parser.isSet(QStringLiteral("count")) ||
                 parser.isSet(QStringLiteral("interval")) || !sampling.tags.empty()))
        return context.UsageError();

    // The channel file first: a run in the field should not find out after identifying.
    const QString path = parser.isSet(QStringLiteral("channels"))
                             ? parser.value(QStringLiteral("channels"))
                             : context.Settings().AdcFilePath();
    CAdcChannels channels;
    if (!channels.Load(path, context.Prompt())) {
        QFile file(path);
        Error(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                           file.open(QIODevice::ReadOnly)
                                               ? QStringLiteral("not an ADC channel file")
                                               : file.errorString()));
        return kExitFile;
    }

    // Every channel would be offered to an unknown controller; none is read instead.
    EControllerType type = EControllerType::None;
    if (const int code = context.Connect(type); code != kExitOk)
        return code;
    context.DocumentConnected(type);

    std::vector<CADCChannel> offered;
    for (const CADCChannel& channel : channels.Channels()) {
        if (CAdcChannels::Offered(channel, type) &&
            (sampling.tags.empty() || sampling.tags.count(channel.tag)))
            offered.push_back(channel);
    }
    if (list) {
        if (offered.empty())
            Error(LoadString(EString::NoAdcChannels));
        for (const CADCChannel& channel : offered)
            PrintRecord({QStringLiteral("channel"), TagText(channel.tag), Field(channel.name),
                         QString::number(channel.minimum), QString::number(channel.maximum)});
        return kExitOk;
    }
    for (const std::uint16_t tag : sampling.tags) {
        if (std::none_of(offered.begin(), offered.end(),
                         [tag](const CADCChannel& c) { return c.tag == tag; })) {
            Error(QStringLiteral("%1 is not a channel of controller type %2")
                      .arg(TagText(tag))
                      .arg(ControllerTypeNumber(type)));
            return kExitUsage;
        }
    }
    if (offered.empty()) {
        Error(LoadString(EString::NoAdcChannels));
        return kExitRefused;
    }
    // The readings drive the link in a loop: the status poll stays off meanwhile.
    CTransferSession session(context.Doc(), CTransferSession::ECancel::Allowed,
                             CTransferSession::EPollAfter::Restore);
    return Sample(context.Link(), offered, sampling);
}

} // namespace Cli
