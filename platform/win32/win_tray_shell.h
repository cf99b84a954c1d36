#pragma once
#include "ports/tray_shell.h"

namespace win32 {

// Shell_NotifyIconA: the core's 88-byte record becomes this process's NOTIFYICONDATAA,
// whose handle fields are pointer-sized on 64-bit Windows.
class WinTrayShell final : public TrayShell {
 public:
  int32_t NotifyIcon(int32_t message, NotifyIconBuffer& data) override;
};

}  // namespace win32
