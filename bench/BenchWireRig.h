#pragma once

#include "link/CControllerLink.h"
#include "sim/CControllerSim.h"

#include <benchmark/benchmark.h>

// Starts `sim` pacing its bytes like 19200 baud 8E2 and opens `link` on it with the
// controller's line settings. False, with the benchmark skipped and the reason given, when
// either fails.
inline bool StartWireSpeedRig(CControllerSim& sim, CControllerLink& link, benchmark::State& state)
{
    CSimFaults faults;
    faults.wireSpeed = true;
    sim.SetFaults(faults);
    if (!sim.Start()) {
        state.SkipWithError("cannot start the simulator");
        return false;
    }
    link.Configure(sim.SlavePath(), 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
    if (!link.Open()) {
        state.SkipWithError("cannot open the simulator's port");
        return false;
    }
    return true;
}
