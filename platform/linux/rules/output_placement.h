// The outputs as a desktop's display store records them, and the monitor's identity EDID gives.
#pragma once
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace linuxp {

// A monitor's maker, product and serial number as its EDID gives them; "???" and zeros without one.
struct EdidIdentity {
  std::string vendor = "???";
  uint32_t product = 0;
  uint32_t serial = 0;
};

// The identity in an EDID block: the three-letter maker code (bytes 8-9), the product code (10-11) and the
// serial number (12-15); the defaults where the block is not an EDID.
inline EdidIdentity ReadEdid(const std::vector<uint8_t>& edid) {
  static const uint8_t kHeader[] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
  EdidIdentity identity;
  if (edid.size() < 128 || !std::equal(std::begin(kHeader), std::end(kHeader), edid.begin())) return identity;
  const uint32_t maker = static_cast<uint32_t>(edid[8]) << 8 | edid[9];
  identity.vendor = {static_cast<char>('A' - 1 + (maker >> 10 & 0x1f)),
                     static_cast<char>('A' - 1 + (maker >> 5 & 0x1f)),
                     static_cast<char>('A' - 1 + (maker & 0x1f))};
  identity.product = static_cast<uint32_t>(edid[10]) | static_cast<uint32_t>(edid[11]) << 8;
  identity.serial = static_cast<uint32_t>(edid[12]) | static_cast<uint32_t>(edid[13]) << 8 |
                    static_cast<uint32_t>(edid[14]) << 16 | static_cast<uint32_t>(edid[15]) << 24;
  return identity;
}

// An output that shows something, as the X server has it.
struct OutputPlacement {
  std::string name;
  int32_t width = 0;  // of its mode, unrotated
  int32_t height = 0;
  double refresh = 0;  // hertz
  int32_t x = 0;
  int32_t y = 0;
  int32_t rotation = 0;  // degrees
  bool primary = false;
  EdidIdentity edid;
};

}  // namespace linuxp
