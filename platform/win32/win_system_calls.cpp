#include "platform/win32/win_system_calls.h"

#include "platform/win32/handles.h"
#include "platform/win32/windows_api.h"

namespace win32 {

int32_t WinSystemCalls::SetForegroundWindow(int32_t hWnd) {
  return ::SetForegroundWindow(Int32ToHandle<HWND>(hWnd));
}

void WinSystemCalls::StartScreenSaver() { SendMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0); }

// uiParam goes out with all its bits: -1 arrives as 0xFFFFFFFF, which the system reads as TRUE.
int32_t WinSystemCalls::SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) {
  return SystemParametersInfoA(static_cast<UINT>(action), static_cast<UINT>(uiParam), nullptr,
                               static_cast<UINT>(fWinIni));
}

}  // namespace win32
