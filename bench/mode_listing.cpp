#include "bench/mode_listing.h"

#include <array>
#include <cstdint>
#include <set>
#include <tuple>
#include <utility>

#include "fake/fake_platform.h"

namespace {

// Common sizes, small first, as a driver lists them; 320x200, 320x240, 512x384 and 640x400 are
// below 480 lines and are dropped by the catalogue.
constexpr std::array<std::pair<int32_t, int32_t>, 28> kCommonSizes = {{
    {320, 200},   {320, 240},   {512, 384},   {640, 400},   {640, 480},   {720, 480},   {720, 576},
    {800, 600},   {848, 480},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 768},  {1280, 800},
    {1280, 960},  {1280, 1024}, {1360, 768},  {1366, 768},  {1400, 1050}, {1440, 900},  {1600, 900},
    {1600, 1200}, {1680, 1050}, {1920, 1080}, {1920, 1200}, {2048, 1536}, {2560, 1440}, {2560, 1600},
}};
constexpr std::array<int32_t, 3> kDepths = {8, 16, 32};
constexpr std::array<uint32_t, 4> kRates = {60, 72, 75, 85};

// Synthetic size k: widths step by 8 from 2568, heights cycle through 480..2399, so every
// synthetic size is new and some share a width with a neighbour (heights are never compared).
std::pair<int32_t, int32_t> SyntheticSize(std::size_t k) {
  const auto w = static_cast<int32_t>(2568 + 8 * (k / 2));
  const auto h = static_cast<int32_t>(480 + (k * 389) % 1920);
  return {w, h};
}

}  // namespace

std::vector<DisplayModeRecord> ModeListing(std::size_t listed) {
  std::vector<DisplayModeRecord> out;
  out.reserve(listed);
  uint32_t state = 12345;  // a fixed linear congruential sequence picks 2..4 rates per mode
  for (std::size_t s = 0; out.size() < listed; ++s) {
    const auto [w, h] = s < kCommonSizes.size() ? kCommonSizes[s] : SyntheticSize(s - kCommonSizes.size());
    for (int32_t depth : kDepths) {
      state = state * 1103515245u + 12345u;
      const std::size_t rates = 2 + (state >> 16) % 3;
      for (std::size_t r = 0; r < rates && out.size() < listed; ++r)
        out.push_back(Mode(w, h, depth, kRates[r]));
    }
  }
  return out;
}

std::size_t DistinctUsableModes(const std::vector<DisplayModeRecord>& listing) {
  std::set<std::tuple<int32_t, int32_t, int32_t>> seen;
  for (const DisplayModeRecord& r : listing)
    if (r.dmPelsHeight >= 480 && r.dmBitsPerPel >= 8)
      seen.insert({r.dmPelsWidth, r.dmPelsHeight, r.dmBitsPerPel});
  return seen.size();
}
