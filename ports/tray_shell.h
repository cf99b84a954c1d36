#pragma once
#include <cstdint>

#include "ports/notify_icon_record.h"

// The notification area of the shell (Shell_NotifyIcon).
class TrayShell {
 public:
  virtual ~TrayShell() = default;
  virtual int32_t NotifyIcon(int32_t message, NotifyIconBuffer& data) = 0;
};
