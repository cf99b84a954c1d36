#pragma once
#include <cstdint>
#include <string>

#include "app/version.h"

// Plain decimal: no leading zeros, no leading space, "-" for negative values.
inline std::u16string Decimal(int64_t value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// "Ver 1.90", from the version numbers.
inline std::u16string VersionText() {
  return u"Ver " + Decimal(kVersionMajor) + u"." + Decimal(kVersionMinor);
}
