#pragma once
#include <optional>
#include <string>

#include "rules/monitor_layout.h"

namespace linuxp {

// The scale each monitor's user had before a switch gave it another, kept across runs in velmora's
// settings file ($XDG_CONFIG_HOME/velmora/velmora.conf).
class KeptScales {
 public:
  std::optional<layout::KeptScale> Read(const std::string& connector) const;
  // Keeps `kept` for the connector, or forgets the connector's when there is none.
  void Write(const std::string& connector, const std::optional<layout::KeptScale>& kept);
};

}  // namespace linuxp
