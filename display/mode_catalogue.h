#pragma once
#include <cstdint>
#include <vector>

#include "ports/display_settings.h"

// The catalogue of usable modes: one column per distinct mode, rows width, height, depth and
// the enumeration index of the first listing of that mode.
struct ModeColumn {
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  int32_t index = 0;
  friend bool operator==(const ModeColumn&, const ModeColumn&) = default;
};
using ModeTable = std::vector<ModeColumn>;

// Distinct counts and menu indexes are 16-bit: the catalogue never holds more columns than this.
inline constexpr int32_t kMaxCatalogueModes = 32767;

// Enumerates every mode, keeps those at least 480 high and 8 bits deep, merges modes that
// differ only in fields not shown, and sorts by depth, then by width (the exchange sort whose
// tie order the menu follows).
ModeTable BuildCatalogue(DisplaySettings& display);

void SwapModes(ModeTable& table, int32_t i, int16_t j);
