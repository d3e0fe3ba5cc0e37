#include "ops/adc/CAdcChannels.h"

#include "data/CArchiveException.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "link/LinkProtocol.h"
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
    // In 64 bits, so a reading far from the offset cannot wrap round to the other end.
    const qint64 reading =
        unsignedReadings ? qint64(static_cast<std::uint16_t>(value)) : qint64(value);
    return static_cast<int>(std::clamp<qint64>(reading - offset, barLow, barHigh));
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
    // The stored ends as they are: cut to 16 bits, a range such as 0..40000 or
    // -20000..20000 would wrap and leave the bar empty. Readings are 16-bit words, so the
    // bar never needs more than their span; wider ends are held to it, which keeps the
    // arithmetic within int.
    constexpr qint64 kSpan = 0xFFFF;
    const qint64 minimum = std::clamp<qint64>(channel.minimum, -kSpan, kSpan);
    const qint64 maximum = std::clamp<qint64>(channel.maximum, -kSpan, kSpan);
    range.offset = static_cast<std::int32_t>(minimum < 0 ? minimum : 0);
    range.barLow = static_cast<int>(minimum - range.offset);
    // A maximum below the minimum would give an inverted bar; it shows as an empty range at
    // the low end instead.
    range.barHigh = static_cast<int>(std::max(maximum - range.offset, qint64(range.barLow)));
    range.unsignedReadings = minimum >= 0 && maximum > 32767;
    range.minText = QString::number(channel.minimum);
    range.maxText = QString::number(channel.maximum);
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
        // Tag 0's reply echoes word 1 = 0 whether or not the channel exists.
        if (tag == 0 && packet.IsSupported()) {
            reading.state = SAdcReading::EState::Value;
            reading.value = static_cast<std::int16_t>(packet.reply.word2);
            break;
        }
        reading.state = SAdcReading::EState::Unsupported;
        break;
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
    // A closed port answers nothing; the windows say so rather than keep their last value.
    const bool open = link.IsOpen();
    for (int i = 0; i < WindowSetSize(); ++i) {
        CADCChannelDlg& entry = m_set[static_cast<std::size_t>(i)];
        if (!entry.window)
            continue;
        const SAdcReading reading = open ? ReadChannel(link, entry.tag) : SAdcReading{};
        entry.window->ShowReading(reading);
        samples.append(SSample{i, entry.tag, entry.name, reading});
    }
    emit Sampled(samples);
}
