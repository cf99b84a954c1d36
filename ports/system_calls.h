#pragma once
#include <cstdint>

namespace api {
inline constexpr int32_t SpiSetScreenSaveActive = 17;
inline constexpr int32_t SpifUpdateIniFile = 1;
}  // namespace api

// The few user32 calls the menu and the tray make besides the display and shell services.
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
  virtual int32_t SetForegroundWindow(int32_t hWnd) = 0;
  // SendMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0)
  virtual void StartScreenSaver() = 0;
  // SystemParametersInfoA(action, uiParam, NULL, fWinIni): nonzero on success.
  virtual int32_t SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) = 0;
};
