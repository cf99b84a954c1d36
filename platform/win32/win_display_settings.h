#pragma once
#include "ports/display_settings.h"

namespace win32 {

// EnumDisplaySettingsA / ChangeDisplaySettingsA on the display the program runs on.
class WinDisplaySettings final : public DisplaySettings {
 public:
  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override;
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;
};

}  // namespace win32
