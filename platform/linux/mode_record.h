// What both Linux display services put in a mode record, and how they choose among listed modes.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "ports/display_settings.h"

namespace linuxp {

inline constexpr uint32_t kDmDisplayFlags = 0x200000;
inline constexpr uint32_t kDmDisplayFrequency = 0x400000;
inline constexpr int32_t kCdsTest = 2;

// A record as EnumDisplaySettings fills one: the output's name, the size, depth and refresh rate.
inline void FillModeRecord(const std::string& device, int32_t width, int32_t height, int32_t bitsPerPixel,
                           uint32_t frequency, uint32_t displayFlags, DisplayModeRecord& record) {
  std::memset(record.dmDeviceName, 0, sizeof record.dmDeviceName);
  std::memcpy(record.dmDeviceName, device.data(), std::min(device.size(), sizeof record.dmDeviceName - 1));
  record.dmSize = sizeof(DisplayModeRecord);
  record.dmFields =
      api::DmBitsPerPel | api::DmPelsWidth | api::DmPelsHeight | kDmDisplayFlags | kDmDisplayFrequency;
  record.dmBitsPerPel = bitsPerPixel;
  record.dmPelsWidth = width;
  record.dmPelsHeight = height;
  record.dmDisplayFlags = displayFlags;
  record.dmDisplayFrequency = frequency;
}

// The first listed mode of that size; among several, the one at the refresh rate asked for (0: any).
// Mode has width, height and frequency (whole hertz).
template <typename Mode>
const Mode* PickMode(const std::vector<Mode>& modes, int32_t width, int32_t height, uint32_t frequency) {
  const Mode* target = nullptr;
  for (const Mode& m : modes) {
    if (m.width != width || m.height != height) continue;
    if (!target) target = &m;
    if (frequency != 0 && m.frequency == frequency) return &m;
  }
  return target;
}

}  // namespace linuxp
