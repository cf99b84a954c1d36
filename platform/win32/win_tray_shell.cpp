#include "platform/win32/win_tray_shell.h"

#include <cstring>

#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"

namespace win32 {
namespace {

namespace field = api::nid;
static_assert(sizeof(NOTIFYICONDATAA{}.szTip) >= field::kTipBytes);

NOTIFYICONDATAA ToNative(const NotifyIconBuffer& data) {
  NOTIFYICONDATAA nid{};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88 bytes in a 32-bit process, wider in a 64-bit one
  nid.hWnd = Int32ToHandle<HWND>(field::Read(data, field::hWnd));
  nid.uID = static_cast<UINT>(field::Read(data, field::uID));
  nid.uFlags = static_cast<UINT>(field::Read(data, field::uFlags));
  nid.uCallbackMessage = static_cast<UINT>(field::Read(data, field::uCallbackMessage));
  nid.hIcon = Int32ToHandle<HICON>(field::Read(data, field::hIcon));
  std::memcpy(nid.szTip, data.data() + field::szTip, field::kTipBytes);
  return nid;
}

// cbSize stays as the core wrote it: the native size belongs to this layer only.
void FromNative(const NOTIFYICONDATAA& nid, NotifyIconBuffer& data) {
  field::Write(data, field::hWnd, HandleToInt32(nid.hWnd));
  field::Write(data, field::uID, static_cast<int32_t>(nid.uID));
  field::Write(data, field::uFlags, static_cast<int32_t>(nid.uFlags));
  field::Write(data, field::uCallbackMessage, static_cast<int32_t>(nid.uCallbackMessage));
  field::Write(data, field::hIcon, HandleToInt32(nid.hIcon));
  std::memcpy(data.data() + field::szTip, nid.szTip, field::kTipBytes);
}

}  // namespace

int32_t WinTrayShell::NotifyIcon(int32_t message, NotifyIconBuffer& data) {
  NOTIFYICONDATAA nid = ToNative(data);
  const BOOL done = Shell_NotifyIconA(static_cast<DWORD>(message), &nid);
  FromNative(nid, data);
  return done;
}

}  // namespace win32
