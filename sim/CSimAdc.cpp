#include "sim/CSimAdc.h"

#include "link/LinkProtocol.h"
#include "sim/CSimModel.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

using namespace LinkProtocol;

namespace {

using SChannel = CSimAdc::SChannel;
using EWaveform = CSimAdc::EWaveform;

// Battery and key switch voltages in 0.1 V: the drop under full load and how fast it
// follows the load and recovers.
SChannel Voltage(double nominal, double drop, double seconds)
{
    return {.waveform = EWaveform::Sag, .base = nominal, .swing = -drop, .seconds = seconds};
}

SChannel Battery(double nominal)
{
    return Voltage(nominal, nominal * 0.12, 2.0);
}

SChannel KeySwitch(double nominal)
{
    return Voltage(nominal, nominal * 0.04, 1.0);
}

// The throttle pot, 0 released to 255 full: it is the drive cycle.
SChannel Throttle()
{
    return {.waveform = EWaveform::Ramp, .base = 0, .swing = 255};
}

// A motor current in A: `atRest` while the machine stands, `atFull` at full load, a fraction
// of a second behind the throttle.
SChannel Current(double atRest, double atFull)
{
    return {.waveform = EWaveform::Ramp, .base = atRest, .swing = atFull - atRest, .seconds = 0.4};
}

// Temperatures in deg C from a cool workshop: the heatsink warms within minutes, the motor
// winding over several.
SChannel Heatsink()
{
    return {.waveform = EWaveform::Drift, .base = 22, .swing = 33, .seconds = 150};
}

SChannel MotorTemperature()
{
    return {.waveform = EWaveform::Drift, .base = 22, .swing = 55, .seconds = 400};
}

// The channels of a family, as the bundled channel file lists them for its type.
std::vector<std::pair<std::uint16_t, SChannel>> FamilyChannels(EControllerType type)
{
    using T = EControllerType;
    switch (type) {
    case T::Oriel:
        return {{kTagAdcBatteryVoltage, Battery(240)},
                {kTagAdcThrottle, Throttle()},
                {kTagAdcHeatsinkTemperature, Heatsink()},
                {kTagAdcMotorTemperature, MotorTemperature()},
                {kTagAdcMotorCurrent, Current(2, 120)}};
    case T::Tarn:
    case T::TarnPlus: {
        std::vector<std::pair<std::uint16_t, SChannel>> channels = {
            {kTagAdcBatteryVoltage, Battery(360)},
            {kTagAdcThrottle, Throttle()},
            {kTagAdcHeatsinkTemperature, Heatsink()},
            {kTagAdcMotorCurrent, Current(2, 90)},
            // The brush and vacuum motors run while the machine cleans; the brush pulls
            // harder as the machine pushes on.
            {kTagAdcBrushCurrent, Current(18, 32)},
            {kTagAdcVacuumCurrent, Current(21, 25)}};
        if (type == T::TarnPlus)
            channels.emplace_back(kTagAdcMotorTemperature, MotorTemperature());
        return channels;
    }
    case T::Corvo120:
        // The lift works while the truck stands.
        return {
            {kTagAdcBatteryVoltage, Battery(480)},    {kTagAdcThrottle, Throttle()},
            {kTagAdcHeatsinkTemperature, Heatsink()}, {kTagAdcMotorTemperature, MotorTemperature()},
            {kTagAdcMotorCurrent, Current(3, 180)},   {kTagAdcLiftCurrent, Current(85, 0)}};
    case T::Stoat:
    case T::Ivor36V:
        return {{kTagAdcBatteryVoltage, Battery(240)},
                {kTagAdcThrottle, Throttle()},
                {kTagAdcHeatsinkTemperature, Heatsink()},
                {kTagAdcMotorCurrent, Current(1, 60)}};
    case T::Q25Q30:
        return {
            {kTagAdcBatteryVoltage, Battery(360)},    {kTagAdcThrottle, Throttle()},
            {kTagAdcHeatsinkTemperature, Heatsink()}, {kTagAdcMotorTemperature, MotorTemperature()},
            {kTagAdcMotorCurrent, Current(2, 90)},    {kTagAdcBrushCurrent, Current(18, 32)},
            {kTagAdcVacuumCurrent, Current(21, 25)},  {kTagAdcLiftCurrent, Current(6, 0)}};
    case T::Ivor:
        return {{kTagAdcBatteryVoltage, Battery(360)},
                {kTagAdcKeySwitchVoltage, KeySwitch(355)},
                {kTagAdcThrottle, Throttle()},
                {kTagAdcHeatsinkTemperature, Heatsink()},
                {kTagAdcMotorCurrent, Current(1, 70)}};
    default:
        return {};
    }
}

} // namespace

double CSimAdc::SCycle::Load(double seconds) const
{
    const double period = Period();
    if (!(period > 0))
        return 0;
    double t = std::fmod(std::max(seconds, 0.0), period);
    if (t < restSeconds)
        return 0;
    t -= restSeconds;
    if (t < riseSeconds)
        return t / riseSeconds;
    t -= riseSeconds;
    if (t < holdSeconds)
        return 1;
    t -= holdSeconds;
    return fallSeconds > 0 ? std::max(0.0, 1 - t / fallSeconds) : 0;
}

double CSimAdc::SCycle::MeanLoad() const
{
    const double period = Period();
    return period > 0 ? (holdSeconds + (riseSeconds + fallSeconds) / 2) / period : 0;
}

CSimAdc::CSimAdc()
    : m_now([] {
          return std::chrono::duration_cast<std::chrono::milliseconds>(
              std::chrono::steady_clock::now().time_since_epoch());
      })
{
    Restart();
}

void CSimAdc::SetFamily(EControllerType type)
{
    m_channels.clear();
    for (const auto& [tag, channel] : FamilyChannels(type))
        m_channels[tag] = channel;
    Restart();
}

void CSimAdc::SetChannel(std::uint16_t tag, const SChannel& channel)
{
    m_channels[tag] = channel;
    m_responses[tag] = 0; // a channel added to a running machine starts cold
}

const CSimAdc::SChannel* CSimAdc::Channel(std::uint16_t tag) const
{
    const auto it = m_channels.find(tag);
    return it == m_channels.end() ? nullptr : &it->second;
}

void CSimAdc::SetTimeSource(TimeSource source)
{
    m_now = std::move(source);
    Restart();
}

void CSimAdc::Restart()
{
    m_start = m_now();
    m_last = std::chrono::milliseconds{0};
    m_responses.clear();
}

void CSimAdc::Advance()
{
    const std::chrono::milliseconds now = m_now() - m_start;
    if (now - m_last > kMaxCatchUp) {
        // Long unattended: every lag has long settled around the cycle's mean.
        m_last = now - kMaxCatchUp;
        for (auto& [tag, channel] : m_channels) {
            if (channel.seconds > 0)
                m_responses[tag] = m_cycle.MeanLoad();
        }
    }
    struct SLag
    {
        double* response;
        double keep; // the part of the old response left after one step
    };
    std::vector<SLag> lags;
    const double step = std::chrono::duration<double>(kStep).count();
    for (auto& [tag, channel] : m_channels) {
        if (channel.seconds > 0)
            lags.push_back({&m_responses[tag], std::exp(-step / channel.seconds)});
    }
    while (m_last + kStep <= now) {
        // The load at the middle of the step stands for the whole step.
        const double load = m_cycle.Load(std::chrono::duration<double>(m_last).count() + step / 2);
        for (SLag& lag : lags)
            *lag.response = load + (*lag.response - load) * lag.keep;
        m_last += kStep;
    }
}

std::optional<std::int16_t> CSimAdc::Value(std::uint16_t tag)
{
    const auto it = m_channels.find(tag);
    if (it == m_channels.end())
        return std::nullopt;
    Advance();
    const SChannel& channel = it->second;
    double response = 0;
    if (channel.waveform != EWaveform::Constant) {
        response = channel.seconds > 0
                       ? m_responses[tag]
                       : m_cycle.Load(std::chrono::duration<double>(m_now() - m_start).count());
    }
    const double value = std::round(channel.base + channel.swing * response);
    return static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
}

std::optional<CLinkRecord> CSimAdc::Answer(const CLinkRecord& request)
{
    CLinkRecord reply = CSimModel::ReplyTo(request);
    const SChannel* channel = Channel(request.word1);
    if (!channel) {
        reply.word1 = 0; // no such tag
    } else if (channel->answer == EAnswer::Silent) {
        return std::nullopt;
    } else if (channel->answer == EAnswer::Value) {
        // A live value cannot be written: a write is answered like a read.
        reply.control = kStatusSupported;
        reply.word2 = static_cast<std::uint16_t>(*Value(request.word1));
    }
    reply.checksum = reply.ComputeChecksum();
    return reply;
}
