#pragma once
#include <cstdint>

namespace Module {
// The menu index of the separator that follows the last mode item; the commands sit after it.
inline int16_t CommandBase = 0;
}  // namespace Module
