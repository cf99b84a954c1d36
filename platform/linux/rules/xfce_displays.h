// A choice from the menu as Xfce keeps a display configuration: the channel "displays" of its settings store
// (xfconf), in the profile it applies at log-in, one complete entry per output as Xfce's display settings
// write it; xfsettingsd ignores an entry that lacks any of them.
#pragma once
#include <cstdio>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "output_placement.h"

namespace linuxp {

using XfconfValue = std::variant<bool, int32_t, double, std::string>;
using XfconfProperties = std::map<std::string, XfconfValue>;  // property path -> value

// The properties to write for the outputs in `profile`; the values of EDID, Reflection and Scale the profile
// already holds (`existing`, by path) are kept, as they are not velmora's to change.
inline XfconfProperties XfceEntries(const std::string& profile, const std::vector<OutputPlacement>& outputs,
                                    const XfconfProperties& existing) {
  XfconfProperties entries;
  for (const OutputPlacement& o : outputs) {
    const std::string base = "/" + profile + "/" + o.name;
    const auto kept = [&](const std::string& name, XfconfValue fallback) {
      const auto found = existing.find(base + "/" + name);
      entries[base + "/" + name] = found != existing.end() ? found->second : fallback;
    };
    char resolution[32];
    std::snprintf(resolution, sizeof resolution, "%dx%d", o.width, o.height);
    entries[base] = o.name;
    entries[base + "/Active"] = true;
    kept("EDID", std::string());
    entries[base + "/Resolution"] = std::string(resolution);
    entries[base + "/RefreshRate"] = o.refresh;
    entries[base + "/Rotation"] = o.rotation;
    kept("Reflection", std::string("0"));
    entries[base + "/Primary"] = o.primary;
    kept("Scale/X", 1.0);
    kept("Scale/Y", 1.0);
    entries[base + "/Position/X"] = o.x;
    entries[base + "/Position/Y"] = o.y;
  }
  return entries;
}

}  // namespace linuxp
