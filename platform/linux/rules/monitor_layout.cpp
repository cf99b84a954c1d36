#include "monitor_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <type_traits>
#include <utility>

#include "monitor_arrangement.h"
#include "refresh_rate.h"

namespace linuxp::layout {
namespace {

// A double with every digit that tells it apart, without trailing zeros.
std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

constexpr double kSameScale = 0.01;  // mutter's fractional scales are not round: 1.4953 and 1.5023 are 1.5

bool Rotated(uint32_t transform) { return (transform & 1) != 0; }  // 90 or 270 degrees, flipped or not

// The width and height a logical monitor takes in the layout.
std::pair<int32_t, int32_t> Size(const Mode& mode, double scale, uint32_t transform, uint32_t layoutMode) {
  const auto [w, h] = ShownSize(mode, transform);
  if (layoutMode != kLogical && layoutMode != kGlobalUiLogical) return {w, h};
  return {static_cast<int32_t>(std::lround(w / scale)), static_cast<int32_t>(std::lround(h / scale))};
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

// The mode the monitor on that connector shows; null without one.
const Mode* ShownMode(const State& state, const std::string& connector) {
  const Monitor* monitor = FindMonitor(state, connector);
  return monitor ? CurrentMode(*monitor) : nullptr;
}

Plan Refused(std::string reason) { return {std::nullopt, std::move(reason), std::nullopt}; }

// The monitor's properties that the service takes back, under the names it takes them by.
Properties Carried(const DisplayConfigService& service, const Monitor* monitor) {
  Properties carried;
  if (!monitor) return carried;
  for (const auto& [name, value] : monitor->properties)
    if (const std::optional<std::string> applied = AppliedPropertyName(service, name))
      carried.emplace(*applied, value);
  return carried;
}

// A value as gdbus prints it: numbers as they are, text quoted.
std::string Text(const PropertyValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>)
          return v ? "true" : "false";
        else if constexpr (std::is_same_v<T, std::string>)
          return "'" + v + "'";
        else if constexpr (std::is_same_v<T, double>)
          return Number(v);
        else
          return std::to_string(v);
      },
      value);
}

}  // namespace

const LogicalMonitor* PrimaryLogical(const State& state) {
  for (const LogicalMonitor& m : state.logicalMonitors)
    if (m.primary) return &m;
  return state.logicalMonitors.empty() ? nullptr : &state.logicalMonitors.front();
}

const Monitor* PrimaryMonitor(const State& state) {
  const LogicalMonitor* primary = PrimaryLogical(state);
  return primary && !primary->connectors.empty() ? FindMonitor(state, primary->connectors.front()) : nullptr;
}

std::pair<int32_t, int32_t> ShownSize(const Mode& mode, uint32_t transform) {
  return Rotated(transform) ? std::pair{mode.height, mode.width} : std::pair{mode.width, mode.height};
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

std::optional<std::string> AppliedPropertyName(const DisplayConfigService& service,
                                               const std::string& reported) {
  for (const auto& [from, to] : service.carried)
    if (reported == from) return std::string(to);
  return std::nullopt;
}

Plan PlanSwitch(const State& state, int32_t width, int32_t height, double asked,
                const std::optional<KeptScale>& kept) {
  const LogicalMonitor* primary = PrimaryLogical(state);
  if (!primary || primary->connectors.empty()) return {};
  // Asked as the desktop shows it; the monitor lists its modes unrotated.
  const auto [modeW, modeH] =
      Rotated(primary->transform) ? std::pair{height, width} : std::pair{width, height};

  // A mode of the new size for every monitor of the primary logical monitor, each at its own rate.
  std::vector<Assignment> assignments;
  std::vector<double> scales;
  const Mode* oldMode = nullptr;
  const Mode* newMode = nullptr;
  for (const std::string& connector : primary->connectors) {
    const Monitor* monitor = FindMonitor(state, connector);
    const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
    const Mode* chosen =
        monitor ? PickMode(monitor->modes, modeW, modeH, current ? current->refresh : 0, asked) : nullptr;
    if (!chosen) {
      if (assignments.empty()) return {};  // the monitor the menu lists has no such size
      return Refused(connector + " has no " + SizeText(width, height) + " mode to mirror " +
                     primary->connectors.front());
    }
    scales = assignments.empty() ? chosen->scales : Common(scales, chosen->scales);
    if (!oldMode) {
      oldMode = current;
      newMode = chosen;
    }
    assignments.push_back({connector, chosen->id, Carried(*state.service, monitor)});
  }
  if (state.globalScaleRequired) {
    for (const LogicalMonitor& other : state.logicalMonitors) {
      if (&other == primary) continue;
      for (const std::string& connector : other.connectors)
        if (const Mode* current = ShownMode(state, connector)) scales = Common(scales, current->scales);
    }
  }
  // The scale the user had comes back with the first mode that offers it again.
  const bool keptHere = kept && kept->connector == primary->connectors.front() &&
                        std::abs(kept->given - primary->scale) < kSameScale;
  const double wanted = keptHere ? kept->wanted : primary->scale;
  const double scale = ChooseScale(wanted, scales);
  std::optional<KeptScale> keep;
  if (std::abs(scale - wanted) >= kSameScale) keep = KeptScale{primary->connectors.front(), wanted, scale};

  // The other monitors where the rule puts them beside the primary's new size, in the layout's units.
  std::vector<arrangement::Rect> rects;
  size_t primaryIndex = 0;
  int32_t newW = 0, newH = 0;
  for (const LogicalMonitor& logical : state.logicalMonitors) {
    const Mode* current = logical.connectors.empty() ? nullptr : ShownMode(state, logical.connectors.front());
    const auto [w, h] = current ? Size(*current, logical.scale, logical.transform, state.layoutMode)
                                : std::pair<int32_t, int32_t>{0, 0};
    if (&logical == primary) {
      primaryIndex = rects.size();
      std::tie(newW, newH) = Size(*newMode, scale, logical.transform, state.layoutMode);
    }
    rects.push_back({logical.x, logical.y, w, h});
  }
  const std::optional<std::vector<arrangement::Rect>> placed =
      oldMode ? arrangement::Rearrange(rects, primaryIndex, newW, newH) : rects;
  if (!placed)
    return Refused("the other monitors cannot stay beside " + primary->connectors.front() + " at " +
                   SizeText(width, height));

  Config config;
  for (size_t i = 0; i < state.logicalMonitors.size(); ++i) {
    const LogicalMonitor& logical = state.logicalMonitors[i];
    LogicalMonitorConfig c{(*placed)[i].x,    (*placed)[i].y,  logical.scale,
                           logical.transform, logical.primary, {}};
    if (&logical == primary) {
      c.scale = scale;
      c.monitors = assignments;
    } else {
      if (state.globalScaleRequired) c.scale = scale;
      for (const std::string& connector : logical.connectors) {
        const Monitor* monitor = FindMonitor(state, connector);
        const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
        c.monitors.push_back(
            {connector, current ? current->id : std::string(), Carried(*state.service, monitor)});
      }
    }
    config.logicalMonitors.push_back(std::move(c));
  }
  if (state.supportsChangingLayoutMode) config.layoutMode = state.layoutMode;
  return {std::move(config), {}, keep};
}

std::string Describe(const Config& config) {
  const auto map = [](const Properties& properties) {
    std::string out;
    for (const auto& [name, value] : properties)
      out += (out.empty() ? "'" : ", '") + name + "': " + Text(value);
    return "{" + out + "}";
  };
  std::string logical;
  for (const LogicalMonitorConfig& c : config.logicalMonitors) {
    std::string monitors;
    for (const Assignment& a : c.monitors)
      monitors += (monitors.empty() ? "('" : ", ('") + a.connector + "', '" + a.modeId + "', " +
                  map(a.properties) + ")";
    logical += (logical.empty() ? "(" : ", (") + std::to_string(c.x) + ", " + std::to_string(c.y) + ", " +
               Number(c.scale) + ", " + std::to_string(c.transform) + ", " + (c.primary ? "true" : "false") +
               ", [" + monitors + "])";
  }
  Properties properties;
  if (config.layoutMode) properties.emplace("layout-mode", *config.layoutMode);
  return "[" + logical + "] " + map(properties);
}

}  // namespace linuxp::layout
