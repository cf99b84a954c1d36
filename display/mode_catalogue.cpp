#include "display/mode_catalogue.h"

namespace {

bool PassesFilter(const DisplayModeRecord& r) { return r.dmPelsHeight >= 480 && r.dmBitsPerPel >= 8; }

bool SameMode(const ModeColumn& c, const DisplayModeRecord& r) {
  return c.width == r.dmPelsWidth && c.height == r.dmPelsHeight && c.depth == r.dmBitsPerPel;
}

// The table always carries one spare, all-zero column at index `count`; a new mode fills it.
void AddIfNew(ModeTable& table, int32_t& count, const DisplayModeRecord& r, int32_t enumIndex) {
  for (int32_t k = 0; k < count; ++k) {
    if (SameMode(table[k], r)) return;  // the column keeps its earlier enumeration index
  }
  if (count >= kMaxCatalogueModes) return;  // beyond the 16-bit limit: further modes are not offered
  table[count] = {r.dmPelsWidth, r.dmPelsHeight, r.dmBitsPerPel, enumIndex};
  ++count;
}

}  // namespace

void SwapModes(ModeTable& table, int32_t i, int16_t j) { std::swap(table[i], table[j]); }

ModeTable BuildCatalogue(DisplaySettings& display) {
  DisplayModeRecord record{};  // reused for every call and never cleared between calls
  ModeTable table;
  int32_t count = 0;
  int32_t ok = 0;
  int32_t i = 0;
  do {
    ok = display.Enumerate(i, record);
    table.resize(static_cast<size_t>(count) + 1);
    // The failing call past the last mode leaves the record as the previous call filled it;
    // that record goes through the filter and duplicate test too and adds nothing.
    if (PassesFilter(record)) AddIfNew(table, count, record, i);
    ++i;
  } while (ok != 0);

  const ModeColumn& last = table.back();
  if (last.width == 0 && last.height == 0 && last.depth == 0) table.pop_back();

  const auto u = static_cast<int32_t>(table.size()) - 1;
  for (int32_t a = 0; a <= u - 1; ++a)
    for (int32_t b = a + 1; b <= u; ++b)
      if (table[b].depth < table[a].depth) SwapModes(table, a, static_cast<int16_t>(b));
  for (int32_t a = 0; a <= u - 1; ++a)
    for (int32_t b = a + 1; b <= u; ++b)
      if (table[b].width < table[a].width && table[a].depth == table[b].depth)
        SwapModes(table, a, static_cast<int16_t>(b));
  return table;
}
