// The configuration a mode switch sends to the desktop's display-configuration service (GNOME's mutter),
// worked out from the state it reported: plain data in, plain data out, as the desktop's own display
// settings would change the same layout.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "display_config_service.h"

namespace linuxp::layout {

// The layout modes: positions and sizes in logical pixels (size / scale) or in physical pixels; muffin's
// global-UI mode counts in logical pixels too.
inline constexpr uint32_t kLogical = 1;
inline constexpr uint32_t kPhysical = 2;
inline constexpr uint32_t kGlobalUiLogical = 3;

// A property of a monitor, as the service reports it and takes it back.
using PropertyValue = std::variant<bool, int32_t, uint32_t, int64_t, uint64_t, double, std::string>;
using Properties = std::map<std::string, PropertyValue>;

struct Mode {
  std::string id;
  int32_t width = 0;
  int32_t height = 0;
  double refresh = 0;  // hertz
  bool preferred = false;
  bool current = false;
  bool interlaced = false;
  std::vector<double> scales;  // the scales mutter accepts with this mode
};

struct Monitor {
  std::string connector;
  std::vector<Mode> modes;  // in the service's order
  Properties properties;
};

struct LogicalMonitor {
  int32_t x = 0;
  int32_t y = 0;
  double scale = 1;
  uint32_t transform = 0;
  bool primary = false;
  std::vector<std::string> connectors;  // more than one: mirrored
};

struct State {
  std::vector<Monitor> monitors;
  std::vector<LogicalMonitor> logicalMonitors;
  uint32_t layoutMode = kPhysical;
  bool supportsChangingLayoutMode = false;
  bool globalScaleRequired = false;
  uint32_t serial = 0;  // the service refuses a configuration worked out from an older state
  const DisplayConfigService* service = &kGnomeDisplayConfig;  // the one that reported it
};

// One monitor of a logical monitor to apply, the mode it is to show and the properties it keeps.
struct Assignment {
  std::string connector;
  std::string modeId;
  Properties properties;
};
struct LogicalMonitorConfig {
  int32_t x = 0;
  int32_t y = 0;
  double scale = 1;
  uint32_t transform = 0;
  bool primary = false;
  std::vector<Assignment> monitors;
};
struct Config {
  std::vector<LogicalMonitorConfig> logicalMonitors;
  std::optional<uint32_t> layoutMode;  // sent only where mutter lets it be chosen
};

// The scale a user had on a monitor (wanted) until a switch to a mode without it gave it another (given).
struct KeptScale {
  std::string connector;
  double wanted = 1;
  double given = 1;
  bool operator==(const KeptScale&) const = default;
};

// The result of planning a switch: the configuration, or why there is none.
struct Plan {
  std::optional<Config> config;
  std::string refusal;            // empty: no such size at all
  std::optional<KeptScale> keep;  // the scale to remember after the switch; none: forget it
};

// The primary logical monitor (the first when none is primary); null when there is none.
const LogicalMonitor* PrimaryLogical(const State& state);
// The monitor of the primary logical monitor (its first, when mirrored); null when there is none.
const Monitor* PrimaryMonitor(const State& state);
const Monitor* FindMonitor(const State& state, const std::string& connector);
// The mode the monitor shows; null when it is off.
const Mode* CurrentMode(const Monitor& monitor);

// The switch of the primary logical monitor to width x height as the desktop shows it (a rotated monitor's
// modes turned): every monitor of it (mirrors too) at a mode of that size, at the rate `asked` (hertz, 0:
// none) where listed, else as PickMode chooses; a scale every one of those modes accepts, the nearest to the
// scale in force, or to the one the user had (kept) while the scale is still the one given instead; the other
// logical monitors placed by arrangement::Rearrange in the layout mode's units, refused where it finds no
// place; all else as reported. Each monitor keeps the properties the service takes back.
Plan PlanSwitch(const State& state, int32_t width, int32_t height, double asked = 0,
                const std::optional<KeptScale>& kept = std::nullopt);

// A mode's size as the desktop shows it on a monitor with that transform.
std::pair<int32_t, int32_t> ShownSize(const Mode& mode, uint32_t transform);

// The scale in `supported` nearest to `scale` (the lower of two as near); `scale` when the list is empty.
double ChooseScale(double scale, const std::vector<double>& supported);

// The key under which the service's ApplyMonitorsConfig takes back a monitor property its GetCurrentState
// reported, or nothing for a property that is only reported.
std::optional<std::string> AppliedPropertyName(const DisplayConfigService& service,
                                               const std::string& reported);

// The configuration as gdbus prints ApplyMonitorsConfig's arguments (for the debug log).
std::string Describe(const Config& config);

}  // namespace linuxp::layout
