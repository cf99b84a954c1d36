// Which of the listed modes of one size a switch shows, on GNOME and X11 alike: the rate asked for where it
// is listed, else the rate in force, else the monitor's preferred rate for that size, else the highest; a
// progressive timing before an interlaced one.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

namespace linuxp {

inline constexpr double kSameRate = 0.5;  // hertz: 59.95 and 60.00 are the same rate to a user

// Mode has width, height, refresh (hertz), preferred and interlaced. `inForce` and `asked` are rates in
// hertz, 0 for none. Null when no mode has that size.
template <typename Mode>
const Mode* PickMode(const std::vector<Mode>& modes, int32_t width, int32_t height, double inForce,
                     double asked = 0) {
  bool progressive = false;
  for (const Mode& m : modes) progressive |= m.width == width && m.height == height && !m.interlaced;
  std::vector<const Mode*> sized;
  for (const Mode& m : modes)
    if (m.width == width && m.height == height && !(progressive && m.interlaced)) sized.push_back(&m);
  const auto nearest = [&](double rate) -> const Mode* {
    const Mode* best = nullptr;
    for (const Mode* m : sized)
      if (std::abs(m->refresh - rate) < kSameRate &&
          (!best || std::abs(m->refresh - rate) < std::abs(best->refresh - rate)))
        best = m;
    return best;
  };
  if (const Mode* m = asked > 0 ? nearest(asked) : nullptr) return m;
  if (const Mode* m = inForce > 0 ? nearest(inForce) : nullptr) return m;
  const Mode* best = nullptr;
  for (const Mode* m : sized)
    if (!best || (m->preferred && !best->preferred) ||
        (m->preferred == best->preferred && m->refresh > best->refresh))
      best = m;
  return best;
}

}  // namespace linuxp
