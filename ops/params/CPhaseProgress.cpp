#include "ops/params/CPhaseProgress.h"

CPhaseProgress::CPhaseProgress(const CFleetApply::Progress& report, CFleetApply::EPhase phase,
                               int total)
    : m_report(report), m_phase(phase), m_total(total)
{
}

void CPhaseProgress::SetRange(int low, int high)
{
    m_low = low;
    m_high = high;
}

void CPhaseProgress::SetPosition(int position)
{
    if (!m_report)
        return;
    const int done =
        m_high > m_low ? int(qint64(position - m_low) * m_total / (m_high - m_low)) : m_total;
    if (done != m_done) {
        m_done = done;
        m_report(m_phase, done, m_total);
    }
}
