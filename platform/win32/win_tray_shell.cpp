#include "platform/win32/win_tray_shell.h"

#include <cstring>

#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"

namespace win32 {
namespace {

// Byte offsets of the fields in the core's 88-byte record.
constexpr size_t kHwnd = 4, kId = 8, kFlags = 12, kCallback = 16, kIcon = 20, kTip = 24;
constexpr size_t kTipBytes = 64;
static_assert(kTip + kTipBytes == std::tuple_size_v<NotifyIconBuffer>);
static_assert(sizeof(NOTIFYICONDATAA{}.szTip) >= kTipBytes);

int32_t Read(const NotifyIconBuffer& data, size_t offset) {
  int32_t value;
  std::memcpy(&value, data.data() + offset, sizeof value);
  return value;
}

void Write(NotifyIconBuffer& data, size_t offset, int32_t value) {
  std::memcpy(data.data() + offset, &value, sizeof value);
}

NOTIFYICONDATAA ToNative(const NotifyIconBuffer& data) {
  NOTIFYICONDATAA nid{};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88 bytes in a 32-bit process, wider in a 64-bit one
  nid.hWnd = Int32ToHandle<HWND>(Read(data, kHwnd));
  nid.uID = static_cast<UINT>(Read(data, kId));
  nid.uFlags = static_cast<UINT>(Read(data, kFlags));
  nid.uCallbackMessage = static_cast<UINT>(Read(data, kCallback));
  nid.hIcon = Int32ToHandle<HICON>(Read(data, kIcon));
  std::memcpy(nid.szTip, data.data() + kTip, kTipBytes);
  return nid;
}

// cbSize stays as the core wrote it: the native size belongs to this layer only.
void FromNative(const NOTIFYICONDATAA& nid, NotifyIconBuffer& data) {
  Write(data, kHwnd, HandleToInt32(nid.hWnd));
  Write(data, kId, static_cast<int32_t>(nid.uID));
  Write(data, kFlags, static_cast<int32_t>(nid.uFlags));
  Write(data, kCallback, static_cast<int32_t>(nid.uCallbackMessage));
  Write(data, kIcon, HandleToInt32(nid.hIcon));
  std::memcpy(data.data() + kTip, nid.szTip, kTipBytes);
}

}  // namespace

int32_t WinTrayShell::NotifyIcon(int32_t message, NotifyIconBuffer& data) {
  NOTIFYICONDATAA nid = ToNative(data);
  const BOOL done = Shell_NotifyIconA(static_cast<DWORD>(message), &nid);
  FromNative(nid, data);
  return done;
}

}  // namespace win32
