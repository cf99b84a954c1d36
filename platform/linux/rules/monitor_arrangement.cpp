#include "monitor_arrangement.h"

#include <algorithm>
#include <deque>
#include <utility>

namespace linuxp::arrangement {
namespace {

using Shift = std::pair<int32_t, int32_t>;

bool OverlapX(const Rect& a, const Rect& b) { return a.x < b.Right() && b.x < a.Right(); }
bool OverlapY(const Rect& a, const Rect& b) { return a.y < b.Bottom() && b.y < a.Bottom(); }

// Whether every monitor can be reached from the first by shared edges.
bool Connected(const std::vector<Rect>& monitors) {
  if (monitors.empty()) return true;
  std::vector<bool> reached(monitors.size(), false);
  std::deque<size_t> next{0};
  reached[0] = true;
  while (!next.empty()) {
    const size_t i = next.front();
    next.pop_front();
    for (size_t j = 0; j < monitors.size(); ++j)
      if (!reached[j] && Touch(monitors[i], monitors[j])) {
        reached[j] = true;
        next.push_back(j);
      }
  }
  return std::all_of(reached.begin(), reached.end(), [](bool r) { return r; });
}

// How a monitor attached to the primary's edge moves with it; none when it is not attached.
std::optional<Shift> EdgeShift(const Rect& m, const Rect& p, int32_t dx, int32_t dy) {
  const bool right = m.x == p.Right();
  const bool below = m.y == p.Bottom();
  if (right && OverlapY(m, p)) return Shift{dx, m.Bottom() == p.Bottom() && m.y != p.y ? dy : 0};
  if (below && OverlapX(m, p)) return Shift{m.Right() == p.Right() && m.x != p.x ? dx : 0, dy};
  return std::nullopt;
}

}  // namespace

bool Overlap(const Rect& a, const Rect& b) { return OverlapX(a, b) && OverlapY(a, b); }

bool Touch(const Rect& a, const Rect& b) {
  const bool side = (a.Right() == b.x || b.Right() == a.x) && OverlapY(a, b);
  const bool end = (a.Bottom() == b.y || b.Bottom() == a.y) && OverlapX(a, b);
  return side || end;
}

Rect Bounds(const std::vector<Rect>& monitors) {
  Rect bounds;
  for (const Rect& r : monitors) {
    bounds.width = std::max(bounds.width, r.Right());
    bounds.height = std::max(bounds.height, r.Bottom());
  }
  return bounds;
}

std::optional<std::vector<Rect>> Rearrange(const std::vector<Rect>& monitors, size_t primary, int32_t width,
                                           int32_t height) {
  if (primary >= monitors.size()) return std::nullopt;
  const Rect& p = monitors[primary];
  const int32_t dx = width - p.width;
  const int32_t dy = height - p.height;

  // Left of and above the primary: fixed. Attached to its right or bottom edge: with that edge.
  std::vector<std::optional<Shift>> shifts(monitors.size());
  shifts[primary] = Shift{0, 0};
  std::deque<size_t> moved;
  for (size_t i = 0; i < monitors.size(); ++i) {
    if (i == primary) continue;
    const Rect& m = monitors[i];
    if (m.Right() <= p.x || m.Bottom() <= p.y) {
      shifts[i] = Shift{0, 0};
    } else if ((shifts[i] = EdgeShift(m, p, dx, dy))) {
      moved.push_back(i);
    }
  }
  // Whatever is attached to a monitor that moves moves with it.
  while (!moved.empty()) {
    const size_t i = moved.front();
    moved.pop_front();
    for (size_t j = 0; j < monitors.size(); ++j)
      if (!shifts[j] && Touch(monitors[i], monitors[j])) {
        shifts[j] = shifts[i];
        moved.push_back(j);
      }
  }
  std::vector<Rect> placed = monitors;
  placed[primary].width = width;
  placed[primary].height = height;
  for (size_t i = 0; i < monitors.size(); ++i) {
    // Attached to nothing that moves: beyond the primary's right or bottom edge, on that axis alone.
    const Shift shift =
        shifts[i].value_or(Shift{monitors[i].x >= p.Right() ? dx : 0, monitors[i].y >= p.Bottom() ? dy : 0});
    placed[i].x += shift.first;
    placed[i].y += shift.second;
  }

  for (size_t i = 0; i < placed.size(); ++i)
    for (size_t j = i + 1; j < placed.size(); ++j)
      if (Overlap(placed[i], placed[j]) && !Overlap(monitors[i], monitors[j])) return std::nullopt;
  if (Connected(monitors) && !Connected(placed)) return std::nullopt;

  int32_t left = placed.front().x;
  int32_t top = placed.front().y;
  for (const Rect& r : placed) {
    left = std::min(left, r.x);
    top = std::min(top, r.y);
  }
  for (Rect& r : placed) {
    r.x -= left;
    r.y -= top;
  }
  return placed;
}

}  // namespace linuxp::arrangement
