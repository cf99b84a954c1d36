#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// NOTIFYICONDATAA in its first, 88-byte form: six 32-bit little-endian fields and a 64-byte
// tooltip in code page 932 (tray/code_page_932.h). The tray object writes it, the shells and the
// test double read it, all through these offsets.
using NotifyIconBuffer = std::array<uint8_t, 88>;

namespace api {

inline constexpr int32_t NimAdd = 0;
inline constexpr int32_t NimModify = 1;
inline constexpr int32_t NimDelete = 2;
inline constexpr int32_t NifMessage = 1, NifIcon = 2, NifTip = 4;
inline constexpr int32_t WmMouseMove = 0x200;
inline constexpr int32_t WmLButtonDown = 0x201;
inline constexpr int32_t WmLButtonDblClk = 0x203;
inline constexpr int32_t WmRButtonDown = 0x204;
inline constexpr int32_t WmMButtonDown = 0x207;

namespace nid {
inline constexpr size_t cbSize = 0;
inline constexpr size_t hWnd = 4;
inline constexpr size_t uID = 8;
inline constexpr size_t uFlags = 12;
inline constexpr size_t uCallbackMessage = 16;
inline constexpr size_t hIcon = 20;
inline constexpr size_t szTip = 24;
inline constexpr size_t kTipBytes = 64;
static_assert(szTip + kTipBytes == std::tuple_size_v<NotifyIconBuffer>);

inline int32_t Read(const NotifyIconBuffer& record, size_t offset) {
  uint32_t u = 0;
  for (size_t k = 0; k < 4; ++k) u |= static_cast<uint32_t>(record[offset + k]) << (8 * k);
  return static_cast<int32_t>(u);
}

inline void Write(NotifyIconBuffer& record, size_t offset, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  for (size_t k = 0; k < 4; ++k) record[offset + k] = static_cast<uint8_t>(u >> (8 * k));
}
}  // namespace nid

}  // namespace api
