#include "sim/CSimTimers.h"

#include "link/LinkProtocol.h"

#include <algorithm>
#include <cmath>

using namespace LinkProtocol;

namespace {

// Plausible readings for a machine that has seen some use.
constexpr std::uint16_t kStartHoursLine1 = 1520;
constexpr std::uint16_t kStartHoursLine2 = 1187;
constexpr std::uint16_t kStartHoursLine3 = 642;
// The limit and scaling the programmable times report (extensions 2..5).
constexpr std::uint16_t kProgrammableMaximum = 2550;

CLinkRecord Supported(CLinkRecord reply, std::uint16_t word2)
{
    reply.control = kStatusSupported;
    reply.word2 = word2;
    reply.checksum = reply.ComputeChecksum();
    return reply;
}

} // namespace

CSimTimers::CSimTimers()
    : m_now([] {
          return std::chrono::duration_cast<std::chrono::milliseconds>(
              std::chrono::steady_clock::now().time_since_epoch());
      })
{
}

void CSimTimers::SetFamily(EControllerType type)
{
    using T = EControllerType;
    m_counters.clear();
    m_programmable = {};
    m_nextWrite = 0;
    switch (type) {
    case T::Stoat:
        SetHours(kTagServiceTimer1Stoat, kStartHoursLine1);
        break;
    case T::Tarn:
    case T::TarnPlus:
        m_programmable.offered = true;
        [[fallthrough]];
    case T::Corvo120:
        SetHours(kTagServiceTimer3, kStartHoursLine3);
        [[fallthrough]];
    case T::Q25Q30:
        SetHours(kTagServiceTimer2, kStartHoursLine2);
        [[fallthrough]];
    case T::Oriel:
    case T::Ivor36V:
    case T::Ivor:
        SetHours(kTagServiceTimer1, kStartHoursLine1);
        break;
    default:
        break;
    }
}

void CSimTimers::SetHours(std::uint16_t tag, std::uint16_t hours)
{
    m_counters[tag] = {hours, m_now()};
}

std::uint16_t CSimTimers::Hours(std::uint16_t tag) const
{
    const auto it = m_counters.find(tag);
    if (it == m_counters.end())
        return 0;
    const double seconds = std::chrono::duration<double>(m_now() - it->second.since).count();
    const double run = m_secondsPerHour > 0 ? std::floor(seconds / m_secondsPerHour) : 0.0;
    return static_cast<std::uint16_t>(std::clamp(it->second.hours + run, 0.0, 65535.0));
}

std::optional<CLinkRecord> CSimTimers::Answer(const CLinkRecord& request)
{
    CLinkRecord reply;
    reply.lead = kReplyLead;
    reply.extension = request.extension;
    reply.word1 = request.word1;
    reply.control = 0;
    reply.word2 = 0;
    reply.word3 = 0;

    if (request.word1 == kTagProgrammableTimes && m_programmable.offered)
        return AnswerProgrammable(request, reply);
    if (!Has(request.word1))
        return std::nullopt;
    if (request.extension != kExtValue) {
        reply.checksum = reply.ComputeChecksum();
        return reply; // answered, not supported: a counter has no limits or scaling
    }
    if (request.control == kControlWrite && request.word2 == 0 && request.word3 == 0)
        SetHours(request.word1, 0);
    return Supported(reply, Hours(request.word1));
}

std::optional<CLinkRecord> CSimTimers::AnswerProgrammable(const CLinkRecord& request,
                                                          CLinkRecord reply)
{
    switch (request.extension) {
    case kExtValue:
        break;
    case kExtMaximum:
        return Supported(reply, kProgrammableMaximum);
    case kExtMinimum:
        return Supported(reply, 0);
    case kExtScale:
    case kExtDivisor:
        return Supported(reply, 1);
    default:
        reply.checksum = reply.ComputeChecksum();
        return reply;
    }
    if (request.control == kControlRead) {
        m_nextWrite = 0; // a read starts a new series
        return Supported(reply, m_programmable.service);
    }
    std::uint16_t* const times[] = {&m_programmable.service, &m_programmable.totalOn,
                                    &m_programmable.brush};
    *times[m_nextWrite] = request.word2;
    m_nextWrite = (m_nextWrite + 1) % 3;
    ++m_programmable.writes;
    return Supported(reply, request.word2);
}
