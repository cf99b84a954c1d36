// What both Linux display services put in a mode record.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

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

}  // namespace linuxp
