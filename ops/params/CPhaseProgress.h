#pragma once

#include "doc/IUserPrompt.h"
#include "ops/params/CFleetApply.h"

// Hands a flow's progress steps on to a CFleetApply::Progress as records done of the phase's
// total: the position within the flow's range scaled to 0..total, reported each time that
// count changes. An empty range has nothing to do and is reported done at once. Never
// cancels. `report` must outlive this object.
class CPhaseProgress : public IProgress
{
public:
    CPhaseProgress(const CFleetApply::Progress& report, CFleetApply::EPhase phase, int total);

    void SetRange(int low, int high) override;
    void SetPosition(int position) override;
    bool Pump() override { return false; }

private:
    const CFleetApply::Progress& m_report;
    CFleetApply::EPhase m_phase;
    int m_total;
    int m_low = 0;
    int m_high = 0;
    int m_done = -1;
};
