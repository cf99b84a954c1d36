#include "monitor_layout.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "refresh_rate.h"

namespace linuxp::layout {
namespace {

constexpr double kSameScale = 0.01;  // mutter's fractional scales are not round: 1.4953 and 1.5023 are 1.5

bool Rotated(uint32_t transform) { return (transform & 1) != 0; }  // 90 or 270 degrees, flipped or not

// The width and height a logical monitor takes in the layout.
std::pair<int32_t, int32_t> Size(const Mode& mode, double scale, uint32_t transform, uint32_t layoutMode) {
  double w = mode.width, h = mode.height;
  if (Rotated(transform)) std::swap(w, h);
  if (layoutMode == kLogical) w /= scale, h /= scale;
  return {static_cast<int32_t>(std::lround(w)), static_cast<int32_t>(std::lround(h))};
}

// The scales of `a` that `b` lists too, as `a` lists them.
std::vector<double> Common(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> out;
  for (double s : a)
    if (std::any_of(b.begin(), b.end(), [s](double t) { return std::abs(s - t) < kSameScale; }))
      out.push_back(s);
  return out;
}

std::string SizeText(int32_t width, int32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

const LogicalMonitor* PrimaryLogical(const State& state) {
  for (const LogicalMonitor& m : state.logicalMonitors)
    if (m.primary) return &m;
  return state.logicalMonitors.empty() ? nullptr : &state.logicalMonitors.front();
}

const Monitor* FindMonitor(const State& state, const std::string& connector) {
  for (const Monitor& m : state.monitors)
    if (m.connector == connector) return &m;
  return nullptr;
}

const Mode* CurrentMode(const Monitor& monitor) {
  for (const Mode& m : monitor.modes)
    if (m.current) return &m;
  return nullptr;
}

double ChooseScale(double scale, const std::vector<double>& supported) {
  double best = scale;
  double distance = -1;
  for (double s : supported) {
    const double d = std::abs(s - scale);
    if (distance < 0 || d < distance - 1e-9 || (std::abs(d - distance) <= 1e-9 && s < best)) {
      best = s;
      distance = d;
    }
  }
  return best;
}

std::optional<std::string> AppliedPropertyName(const std::string& reported) {
  static const std::pair<const char*, const char*> kCarried[] = {
      {"is-underscanning", "enable_underscanning"}, {"color-mode", "color-mode"}, {"rgb-range", "rgb-range"}};
  for (const auto& [from, to] : kCarried)
    if (reported == from) return std::string(to);
  return std::nullopt;
}

Plan PlanSwitch(const State& state, int32_t width, int32_t height, double asked) {
  const LogicalMonitor* primary = PrimaryLogical(state);
  if (!primary || primary->connectors.empty()) return {};

  // A mode of the new size for every monitor of the primary logical monitor, each at its own rate.
  std::vector<Assignment> assignments;
  std::vector<double> scales;
  const Mode* oldMode = nullptr;
  const Mode* newMode = nullptr;
  for (const std::string& connector : primary->connectors) {
    const Monitor* monitor = FindMonitor(state, connector);
    const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
    const Mode* chosen =
        monitor ? PickMode(monitor->modes, width, height, current ? current->refresh : 0, asked) : nullptr;
    if (!chosen) {
      if (assignments.empty()) return {};  // the monitor the menu lists has no such size
      return {std::nullopt, connector + " has no " + SizeText(width, height) + " mode to mirror " +
                                primary->connectors.front()};
    }
    scales = assignments.empty() ? chosen->scales : Common(scales, chosen->scales);
    if (!oldMode) oldMode = current, newMode = chosen;
    assignments.push_back({connector, chosen->id});
  }
  if (state.globalScaleRequired) {
    for (const LogicalMonitor& other : state.logicalMonitors) {
      if (&other == primary) continue;
      for (const std::string& connector : other.connectors) {
        const Monitor* monitor = FindMonitor(state, connector);
        const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
        if (current) scales = Common(scales, current->scales);
      }
    }
  }
  const double scale = ChooseScale(primary->scale, scales);

  // How much the primary grows (or shrinks, below zero) in the layout's units.
  int32_t dx = 0, dy = 0, oldW = 0, oldH = 0;
  if (oldMode) {
    std::tie(oldW, oldH) = Size(*oldMode, primary->scale, primary->transform, state.layoutMode);
    const auto [newW, newH] = Size(*newMode, scale, primary->transform, state.layoutMode);
    dx = newW - oldW, dy = newH - oldH;
  }

  Config config;
  for (const LogicalMonitor& logical : state.logicalMonitors) {
    LogicalMonitorConfig c{logical.x, logical.y, logical.scale, logical.transform, logical.primary, {}};
    if (&logical == primary) {
      c.scale = scale;
      c.monitors = assignments;
    } else {
      if (oldMode && logical.x >= primary->x + oldW) c.x += dx;
      if (oldMode && logical.y >= primary->y + oldH) c.y += dy;
      if (state.globalScaleRequired) c.scale = scale;
      for (const std::string& connector : logical.connectors) {
        const Monitor* monitor = FindMonitor(state, connector);
        const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
        c.monitors.push_back({connector, current ? current->id : std::string()});
      }
    }
    config.logicalMonitors.push_back(std::move(c));
  }
  if (state.supportsChangingLayoutMode) config.layoutMode = state.layoutMode;
  return {std::move(config), {}};
}

}  // namespace linuxp::layout
