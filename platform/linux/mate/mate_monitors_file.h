#pragma once
#include <vector>

#include "rules/output_placement.h"

namespace linuxp {

// Puts the outputs' configuration into MATE's monitors.xml in the user's configuration folder, keeping the
// file's configurations for other monitor sets; whether it was written.
bool StoreInMateMonitors(const std::vector<OutputPlacement>& outputs);

}  // namespace linuxp
