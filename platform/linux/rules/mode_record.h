// The mode records the Linux display services fill for EnumDisplaySettings, and what a
// ChangeDisplaySettings record asks of them.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
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

// What a change asks for, once its flags and depth are accepted.
struct ChangeRequest {
  int32_t refused = api::DispChangeSuccessful;  // otherwise the change's result: nothing is to be done
  std::optional<int32_t> width, height;         // none: the size in force
  double rate = 0;                              // hertz; 0 when none is asked for
  bool test = false;                            // only whether the mode could be set
};

// Flags other than "store it" and "test it" are refused, and so is a depth other than the screen's
// (bitsPerPixel): a desktop composes in one depth whatever the resolution.
inline ChangeRequest ReadChangeRequest(const DisplayModeRecord& record, int32_t flags, int32_t bitsPerPixel) {
  ChangeRequest request;
  if ((flags & ~(api::CdsUpdateRegistry | kCdsTest)) != 0) {
    request.refused = api::DispChangeBadFlags;
    return request;
  }
  if ((record.dmFields & api::DmBitsPerPel) && record.dmBitsPerPel != bitsPerPixel) {
    request.refused = api::DispChangeBadMode;
    return request;
  }
  if (record.dmFields & api::DmPelsWidth) request.width = record.dmPelsWidth;
  if (record.dmFields & api::DmPelsHeight) request.height = record.dmPelsHeight;
  if (record.dmFields & kDmDisplayFrequency) request.rate = record.dmDisplayFrequency;
  request.test = (flags & kCdsTest) != 0;
  return request;
}

}  // namespace linuxp
