#pragma once
#include "ports/system_calls.h"

namespace win32 {

class WinSystemCalls final : public SystemCalls {
 public:
  int32_t SetForegroundWindow(int32_t hWnd) override;
  void StartScreenSaver() override;
  int32_t SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) override;
};

}  // namespace win32
