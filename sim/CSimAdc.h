#pragma once

#include "link/CLinkPacket.h"
#include "link/EControllerType.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

// The simulated controller's live ADC channels: reads of a channel's tag with the
// live-value extension 0x98 (LinkProtocol::kExtAdcValue).
//
// The values move the way a working machine's do. The machine repeats a drive cycle: at
// rest, throttle rising, at full load, throttle falling (SCycle). Each channel follows the
// cycle's load (0 at rest, 1 at full load), either at once or through a first-order lag of
// `seconds`, and answers base + swing x that response:
//   ramp      throttle and motor currents: follow the load, at most briefly behind it
//   sag       battery voltages: drop under load (a negative swing) and recover at rest
//   drift     temperatures: climb slowly over many cycles of work and cool slowly at rest
//   constant  a fixed value
// so every value stays between base and base + swing. A value reply has status "Supported"
// and the value as a signed 16-bit number in word 2. A channel may instead be answered
// without "Supported" (Unsupported) or not at all (Silent); a tag without a channel is
// answered "no such tag" (word 1 zero), as absent tags are.
//
// Each family (SetFamily) has the channels the bundled channel file lists for its type; an
// Ivor36V has the Stoat's. Time comes from a time source the owner may replace, so tests
// move time by hand; the model keeps the lagged responses and brings them up to date, in
// 50 ms steps, whenever a reading is asked for.
class CSimAdc
{
public:
    // Time since an arbitrary start.
    using TimeSource = std::function<std::chrono::milliseconds()>;
    // Step of the lagged responses.
    static constexpr std::chrono::milliseconds kStep{50};
    // Longest stretch of time brought up to date at once; before it the responses are taken
    // to be at the cycle's mean load (every lag is far shorter).
    static constexpr std::chrono::milliseconds kMaxCatchUp{std::chrono::hours(1)};

    enum class EAnswer
    {
        Value,       // "Supported" and the value
        Unsupported, // answered without "Supported"
        Silent,      // never answered
    };

    enum class EWaveform
    {
        Constant,
        Ramp,
        Sag,
        Drift,
    };

    struct SChannel
    {
        EAnswer answer = EAnswer::Value;
        EWaveform waveform = EWaveform::Constant; // names the shape; the numbers below set it
        double base = 0;                          // the value at rest (constant: the value)
        double swing = 0;   // added at full load once the lag has caught up (negative: a drop)
        double seconds = 0; // time constant of the lag behind the load; 0 follows at once
    };

    // The drive cycle in seconds per phase; it starts at rest when the time source is set.
    struct SCycle
    {
        double restSeconds = 4;
        double riseSeconds = 3;
        double holdSeconds = 6;
        double fallSeconds = 3;

        double Period() const { return restSeconds + riseSeconds + holdSeconds + fallSeconds; }
        // The load `seconds` into the cycle's run: 0 at rest, 1 at full load.
        double Load(double seconds) const;
        // The mean load over one cycle.
        double MeanLoad() const;
    };

    CSimAdc();

    // The channels of the family `type` (none for a type the channel file lists nothing
    // for); the machine starts again, cold and at rest.
    void SetFamily(EControllerType type);

    void SetChannel(std::uint16_t tag, const SChannel& channel);
    void Remove(std::uint16_t tag) { m_channels.erase(tag); }
    const SChannel* Channel(std::uint16_t tag) const;
    const std::map<std::uint16_t, SChannel>& Channels() const { return m_channels; }

    void SetCycle(const SCycle& cycle) { m_cycle = cycle; }
    const SCycle& Cycle() const { return m_cycle; }

    // Replaces the clock; the machine starts again at its present time, cold and at rest.
    void SetTimeSource(TimeSource source);

    // The value channel `tag` reads now, rounded and kept within a signed 16-bit number;
    // nullopt for a tag without a channel.
    std::optional<std::int16_t> Value(std::uint16_t tag);

    // The reply to a live-value request (extension 0x98); nullopt for a silent channel.
    std::optional<CLinkRecord> Answer(const CLinkRecord& request);

private:
    // Brings every lagged response up to the present time.
    void Advance();
    void Restart();

    std::map<std::uint16_t, SChannel> m_channels;
    std::map<std::uint16_t, double> m_responses; // lagged load per channel with a lag
    SCycle m_cycle;
    TimeSource m_now;
    std::chrono::milliseconds m_start{0}; // when the cycle started
    std::chrono::milliseconds m_last{0};  // how far the responses are up to date, from m_start
};
