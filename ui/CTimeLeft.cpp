#include "ui/CTimeLeft.h"

#include "res/StringTable.h"

#include <algorithm>
#include <chrono>

CTimeLeft::CTimeLeft(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock) {
        m_clock = [] {
            return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count());
        };
    }
}

void CTimeLeft::SetRange(int low, int high)
{
    m_low = low;
    m_high = std::max(low, high);
    m_position = low;
    Restart();
}

void CTimeLeft::SetPosition(int position)
{
    position = std::clamp(position, m_low, m_high);
    if (position < m_position)
        Restart();
    m_position = position;
    if (m_position == m_low)
        return;
    m_lastMs = m_clock();
    if (m_startPosition < 0) {
        m_startPosition = m_position;
        m_startMs = m_lastMs;
    }
}

void CTimeLeft::Restart()
{
    m_startPosition = -1;
    m_startMs = 0;
    m_lastMs = 0;
}

qint64 CTimeLeft::RemainingMs() const
{
    if (m_startPosition < 0 || m_position >= m_high)
        return -1;
    const qint64 steps = m_position - m_startPosition;
    const qint64 elapsed = m_lastMs - m_startMs;
    if (steps <= 0 || (steps < kMinSteps && elapsed < kMinElapsedMs))
        return -1;
    return elapsed * (m_high - m_position) / steps;
}

QString CTimeLeft::Text() const
{
    const int total = m_high - m_low;
    if (total <= 0)
        return {};
    const int done = m_position - m_low;
    const qint64 remaining = RemainingMs();
    if (remaining < 0)
        return LoadString(EString::ProgressCount).arg(done).arg(total);
    // Whole seconds, rounded, and never "0 s" while something is left.
    const qint64 seconds = std::max<qint64>(1, (remaining + 500) / 1000);
    if (seconds < 60)
        return LoadString(EString::ProgressCountSecondsLeft).arg(done).arg(total).arg(seconds);
    return LoadString(EString::ProgressCountMinutesLeft)
        .arg(done)
        .arg(total)
        .arg(seconds / 60)
        .arg(seconds % 60);
}
