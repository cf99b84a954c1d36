#pragma once
#include <array>
#include <cstdint>

inline constexpr int32_t NIM_ADD = 0;
inline constexpr int32_t NIM_MODIFY = 1;
inline constexpr int32_t NIM_DELETE = 2;

// NOTIFYICONDATAA in its first, 88-byte form: six 32-bit little-endian fields
// (cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon) and a 64-byte ANSI tooltip.
using NotifyIconBuffer = std::array<uint8_t, 88>;

// The notification area of the shell (Shell_NotifyIconA).
class TrayShell {
 public:
  virtual ~TrayShell() = default;
  virtual int32_t NotifyIcon(int32_t message, NotifyIconBuffer& data) = 0;
};
