#pragma once

#include <QString>

#include <functional>

// The line under a progress bar: how many steps are done of how many, and once the pace is
// known an estimate of the time left, "34 of 95 · about 12 s left" ("about 1 min 20 s left"
// from a minute on). The pace is measured from the first position above the range's start:
// the time to that step (an identification, a backup) says nothing about the steps after it.
// No estimate until kMinSteps steps have passed since then, or one step and kMinElapsedMs;
// none once everything is done. No widgets: the clock is handed in, so tests set the time.
class CTimeLeft
{
public:
    // Milliseconds from any fixed origin, never going backwards.
    using Clock = std::function<qint64()>;

    static constexpr int kMinSteps = 2;
    static constexpr qint64 kMinElapsedMs = 1000;

    // Without a clock the steady clock of the machine is used.
    explicit CTimeLeft(Clock clock = {});

    // A new range starts counting afresh; the position goes to its start.
    void SetRange(int low, int high);
    // The position is pulled into the range; a step back starts the pace afresh.
    void SetPosition(int position);

    // The estimate in milliseconds when there is one, else -1.
    qint64 RemainingMs() const;
    // Empty for an empty range.
    QString Text() const;

private:
    void Restart();

    Clock m_clock;
    int m_low = 0;
    int m_high = 0;
    int m_position = 0;
    int m_startPosition = -1; // the first position above the start, -1 before it
    qint64 m_startMs = 0;
    qint64 m_lastMs = 0;
};
