#pragma once

#include "link/CLinkPacket.h"
#include "link/EControllerType.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

// The simulated controller's service timers and programmable times.
//
// Hour counters at the timer tags of LinkProtocol (0x00C0 on the Stoat base model; 0x18A1,
// 0x4401 and 0x40A1 on the others, as many as the family has). Each counts one hour per hour
// of simulated running from the moment it was set; the length of that hour is adjustable
// (secondsPerHour) so that a demonstration can watch the counters move. A value read answers
// "Supported" and the hours in word 2 (at most 65535); a value write of (0, 0) clears the
// counter, any other write leaves it as it is. A tag the controller lacks is left to the
// tag table, which answers it like any absent tag.
//
// The programmable times (tag 0x4405), where offered: a value read answers "Supported"
// and starts a new series of writes; extensions 2 to 5 answer its limits and scaling. Value
// writes store Service, Total On and Brush in turn, each answered "Supported".
//
// The clock is a time source the owner may replace, so tests move time by hand.
class CSimTimers
{
public:
    // Time since an arbitrary start.
    using TimeSource = std::function<std::chrono::milliseconds()>;
    static constexpr double kDefaultSecondsPerHour = 3600.0;

    // The programmable times as last written.
    struct SProgrammable
    {
        bool offered = false;
        std::uint16_t service = 0;
        std::uint16_t totalOn = 0;
        std::uint16_t brush = 0;
        int writes = 0; // value writes answered since the start
    };

    CSimTimers();

    // The counters and programmable times a controller of `type` has, with their starting
    // hours; anything set before is replaced.
    void SetFamily(EControllerType type);

    // Adds the counter `tag` (or restarts it) at `hours`.
    void SetHours(std::uint16_t tag, std::uint16_t hours);
    // The controller does not have counter `tag`.
    void Remove(std::uint16_t tag) { m_counters.erase(tag); }
    bool Has(std::uint16_t tag) const { return m_counters.count(tag) != 0; }
    // The counter's hours now; 0 for a counter it does not have.
    std::uint16_t Hours(std::uint16_t tag) const;

    void SetSecondsPerHour(double seconds) { m_secondsPerHour = seconds; }
    double SecondsPerHour() const { return m_secondsPerHour; }
    void SetTimeSource(TimeSource source) { m_now = std::move(source); }

    SProgrammable& Programmable() { return m_programmable; }
    const SProgrammable& Programmable() const { return m_programmable; }

    // The reply to a request for a counter or the programmable times this controller has;
    // nullopt for every other tag.
    std::optional<CLinkRecord> Answer(const CLinkRecord& request);

private:
    struct SCounter
    {
        std::uint16_t hours = 0;           // when it was set
        std::chrono::milliseconds since{}; // the time it was set
    };

    std::optional<CLinkRecord> AnswerProgrammable(const CLinkRecord& request, CLinkRecord reply);

    std::map<std::uint16_t, SCounter> m_counters;
    SProgrammable m_programmable;
    int m_nextWrite = 0; // which time the next programmable write stores
    double m_secondsPerHour = kDefaultSecondsPerHour;
    TimeSource m_now;
};
