#pragma once
#include <cstdint>
#include <string_view>

// The program's version: 1.90. The About window and the error box build "Ver 1.90" from these.
inline constexpr int32_t kVersionMajor = 1;
inline constexpr int32_t kVersionMinor = 90;
inline constexpr std::u16string_view kAppTitle = u"Velmora";
