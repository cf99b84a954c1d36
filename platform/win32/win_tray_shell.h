#pragma once
#include "ports/tray_shell.h"

namespace win32 {

// Shell_NotifyIconW: the core's 88-byte record becomes this process's first-version
// NOTIFYICONDATAW, whose handle fields are pointer-sized on 64-bit Windows and whose tooltip is
// the record's code page 932 bytes widened, at most 63 characters and a NUL.
class WinTrayShell final : public TrayShell {
 public:
  int32_t NotifyIcon(int32_t message, NotifyIconBuffer& data) override;
};

}  // namespace win32
