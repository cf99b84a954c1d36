#include "platform/win32/win_tray_shell.h"

#include <algorithm>
#include <iterator>

#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"

namespace win32 {
namespace {

namespace field = api::nid;
constexpr UINT kTipCodePage = 932;  // the core writes the tooltip in it on every system
static_assert(std::size(NOTIFYICONDATAW{}.szTip) >= field::kTipBytes);

NOTIFYICONDATAW ToNative(const NotifyIconBuffer& data) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = NOTIFYICONDATAW_V1_SIZE;  // 152 bytes in a 32-bit process, wider in a 64-bit one
  nid.hWnd = Int32ToHandle<HWND>(field::Read(data, field::hWnd));
  nid.uID = static_cast<UINT>(field::Read(data, field::uID));
  nid.uFlags = static_cast<UINT>(field::Read(data, field::uFlags));
  nid.uCallbackMessage = static_cast<UINT>(field::Read(data, field::uCallbackMessage));
  nid.hIcon = Int32ToHandle<HICON>(field::Read(data, field::hIcon));
  // The text before the NUL (all 64 bytes when there is none); 64 bytes never make more than 64 characters.
  const auto tip = reinterpret_cast<const char*>(data.data() + field::szTip);
  const int bytes = static_cast<int>(std::find(tip, tip + field::kTipBytes, '\0') - tip);
  wchar_t wide[field::kTipBytes];
  const int chars = bytes ? MultiByteToWideChar(kTipCodePage, 0, tip, bytes, wide, field::kTipBytes) : 0;
  std::copy_n(wide, std::min(chars, static_cast<int>(field::kTipBytes) - 1), nid.szTip);
  return nid;
}

// cbSize stays as the core wrote it: the native size belongs to this layer only. The shell changes
// no text, so the tooltip bytes stay as they are too.
void FromNative(const NOTIFYICONDATAW& nid, NotifyIconBuffer& data) {
  field::Write(data, field::hWnd, HandleToInt32(nid.hWnd));
  field::Write(data, field::uID, static_cast<int32_t>(nid.uID));
  field::Write(data, field::uFlags, static_cast<int32_t>(nid.uFlags));
  field::Write(data, field::uCallbackMessage, static_cast<int32_t>(nid.uCallbackMessage));
  field::Write(data, field::hIcon, HandleToInt32(nid.hIcon));
}

}  // namespace

int32_t WinTrayShell::NotifyIcon(int32_t message, NotifyIconBuffer& data) {
  NOTIFYICONDATAW nid = ToNative(data);
  const BOOL done = Shell_NotifyIconW(static_cast<DWORD>(message), &nid);
  FromNative(nid, data);
  return done;
}

}  // namespace win32
