#pragma once
#include <cstdint>

inline constexpr int32_t SPI_SETSCREENSAVEACTIVE = 17;
inline constexpr int32_t SPIF_UPDATEINIFILE = 1;

// The few user32 calls the menu and the tray make besides the display and shell services.
class SystemCalls {
 public:
  virtual ~SystemCalls() = default;
  virtual int32_t SetForegroundWindow(int32_t hWnd) = 0;
  // SendMessageA(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0)
  virtual void StartScreenSaver() = 0;
  // SystemParametersInfoA(action, uiParam, NULL, fWinIni): nonzero on success.
  virtual int32_t SystemParametersInfo(int32_t action, int32_t uiParam, int32_t fWinIni) = 0;
};
