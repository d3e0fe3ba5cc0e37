#pragma once

#include "sim/CSimModel.h"

class CTagFile;

// Builds a simulated controller's parameter table from a tag file.
namespace SimTagTable {

// Adds, for every tag of `tags` that applies to controller type `type` (first in file order
// for a repeated number), a parameter with plausible, deterministic quantities for its units:
// limits and scaling that suit the units, a value within the limits on a step, the signed
// flag where negative values make sense, and some parameters read only. Tags the model
// already holds as fixed tags (identification, trip codes) are left alone. Option-text tags
// get a range that their texts cover. Leaves the checksum word consistent. Returns the
// number of parameters added.
int AddParameters(CSimModel& model, const CTagFile& tags, EControllerType type);

} // namespace SimTagTable
