#include "ops/CAdcChannels.h"

#include "data/CArchiveException.h"
#include "link/CControllerLink.h"
#include "link/LinkProtocol.h"
#include "ops/IUserPrompt.h"
#include "res/StringTable.h"

#include <QFile>

#include <algorithm>

static_assert(CAdcChannels::kReadAttempts == CControllerLink::kCommandAttempts,
              "a live-value read is one Probe");

QString SAdcReading::Text() const
{
    switch (state) {
    case EState::Value:
        return QString::number(value);
    case EState::Unsupported:
        return LoadString(EString::UnsupportedController);
    case EState::CommsLost:
        break;
    }
    return LoadString(EString::CommsLost);
}

int SAdcRange::BarPosition(std::int16_t value) const
{
    // In int, so a reading far from the offset cannot wrap round to the other end.
    return std::clamp(static_cast<int>(value) - offset, barLow, barHigh);
}

CAdcChannels::CAdcChannels(QObject* parent) : QObject(parent) {}

CAdcChannels::~CAdcChannels() = default;

bool CAdcChannels::Load(const QString& path, IUserPrompt& prompt)
{
    m_channels.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        prompt.Message(LoadString(EString::CannotOpenAdcFile), IUserPrompt::EIcon::Exclamation);
        return false;
    }
    try {
        m_channels = CADCChannel::ReadFile(&file);
    } catch (const CArchiveException&) {
        prompt.Message(LoadString(EString::CannotLoadAdcChannels), IUserPrompt::EIcon::Exclamation);
        return false;
    }
    return true;
}

bool CAdcChannels::Save(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    try {
        CADCChannel::WriteFile(&file, m_channels);
    } catch (const CArchiveException&) {
        file.remove();
        return false;
    }
    // A short write (a full disk) shows only when the data is flushed.
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        file.remove();
        return false;
    }
    return true;
}

void CAdcChannels::SetChannels(std::vector<CADCChannel> channels)
{
    m_channels = std::move(channels);
}

bool CAdcChannels::Offered(const CADCChannel& channel, EControllerType connected)
{
    if (channel.rangeLow != 0)
        return false;
    if (connected == EControllerType::None)
        return true;
    // The Ivor36V reads the Stoat's channels; the Ivor has channels of its own.
    const EControllerType compared =
        connected == EControllerType::Ivor36V ? EControllerType::Stoat : connected;
    return channel.controllerType == ControllerTypeNumber(compared);
}

SAdcRange CAdcChannels::RangeOf(const CADCChannel& channel)
{
    SAdcRange range;
    const auto minimum = static_cast<std::int16_t>(channel.minimum);
    const auto maximum = static_cast<std::int16_t>(channel.maximum);
    range.offset = minimum < 0 ? minimum : std::int16_t{0};
    range.barLow = static_cast<std::int16_t>(minimum - range.offset);
    range.barHigh = static_cast<std::int16_t>(maximum - range.offset);
    // A maximum below the minimum (or one that wraps as a 16-bit value) would give an
    // inverted bar; it shows as an empty range at the low end instead.
    range.barHigh = std::max(range.barHigh, range.barLow);
    range.minText = QString::number(minimum);
    range.maxText = QString::number(maximum);
    return range;
}

SAdcReading CAdcChannels::ReadChannel(CControllerLink& link, std::uint16_t tag)
{
    CLinkPacket packet;
    // Probe takes a trusted "no such tag" as an answer, so a controller without the channel
    // reads as unsupported rather than as lost.
    const EProbeResult result = link.Probe(tag, LinkProtocol::kExtAdcValue, packet);
    SAdcReading reading;
    switch (result) {
    case EProbeResult::NoReply:
        reading.state = SAdcReading::EState::CommsLost;
        break;
    case EProbeResult::NoSuchTag:
    case EProbeResult::NotSupported:
        reading.state = SAdcReading::EState::Unsupported;
        break;
    case EProbeResult::Supported:
    case EProbeResult::TempUnavailable:
        reading.state = SAdcReading::EState::Value;
        reading.value = static_cast<std::int16_t>(packet.reply.word2);
        break;
    }
    return reading;
}

void CAdcChannels::RebuildWindowSet(EControllerType type)
{
    CloseAll();
    m_set.clear();
    m_setType = type;
    for (const CADCChannel& channel : m_channels) {
        if (Offered(channel, type))
            m_set.emplace_back(channel);
    }
    emit WindowSetChanged();
}

const CADCChannelDlg& CAdcChannels::Entry(int index) const
{
    Q_ASSERT(ValidIndex(index));
    return m_set[static_cast<std::size_t>(index)];
}

bool CAdcChannels::IsOpen(int index) const
{
    return ValidIndex(index) && m_set[static_cast<std::size_t>(index)].window != nullptr;
}

void CAdcChannels::Open(int index, std::unique_ptr<IAdcWindow> window)
{
    if (ValidIndex(index))
        m_set[static_cast<std::size_t>(index)].window = std::move(window);
}

void CAdcChannels::Close(int index)
{
    if (ValidIndex(index))
        m_set[static_cast<std::size_t>(index)].window.reset();
}

void CAdcChannels::CloseAll()
{
    for (CADCChannelDlg& entry : m_set)
        entry.window.reset();
}

void CAdcChannels::WindowClosed(const IAdcWindow* window)
{
    if (!window)
        return;
    for (CADCChannelDlg& entry : m_set) {
        if (entry.window.get() == window) {
            entry.window.reset();
            return;
        }
    }
}

void CAdcChannels::RefreshWindows(CControllerLink& link)
{
    QList<SSample> samples;
    for (int i = 0; i < WindowSetSize(); ++i) {
        CADCChannelDlg& entry = m_set[static_cast<std::size_t>(i)];
        if (!entry.window)
            continue;
        const SAdcReading reading = ReadChannel(link, entry.tag);
        entry.window->ShowReading(reading);
        samples.append(SSample{i, entry.tag, entry.name, reading});
    }
    emit Sampled(samples);
}
