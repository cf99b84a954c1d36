// Where the monitors of a desktop go when the primary one changes size: one rule for every backend, over
// plain rectangles in the layout's units.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace linuxp::arrangement {

struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t Right() const { return x + width; }
  int32_t Bottom() const { return y + height; }
  bool operator==(const Rect&) const = default;
};

// Whether two rectangles share some area; whether they share an edge of some length (a corner is not enough).
bool Overlap(const Rect& a, const Rect& b);
bool Touch(const Rect& a, const Rect& b);

// The smallest rectangle from 0,0 that holds them all.
Rect Bounds(const std::vector<Rect>& monitors);

// The monitors when `primary` (its mirrors share its rectangle) becomes width x height: the primary keeps its
// top-left corner; the monitors attached to its right and bottom edges move with those edges, and whatever is
// attached to them moves with them; one aligned with the primary's far edge (bottom-aligned beside it,
// right-aligned below it) stays aligned; those left of it and above it stay. Then the whole layout is moved
// so that its top-left is 0,0. None when the result would have monitors overlap that did not, or would no
// longer hang together where it did.
std::optional<std::vector<Rect>> Rearrange(const std::vector<Rect>& monitors, size_t primary, int32_t width,
                                           int32_t height);

}  // namespace linuxp::arrangement
