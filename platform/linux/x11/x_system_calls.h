#pragma once
#include <QObject>
#include <functional>

#include "ports/system_calls.h"

struct _XDisplay;

namespace linuxp {

// The screen saver of the X server, and bringing the program's window forward.
class XSystemCalls : public SystemCalls {
 public:
  explicit XSystemCalls(_XDisplay* display) : display_(display) {}

  // Raises the About window when it is shown; the hidden form needs nothing to take the menu.
  std::function<void()> activateForm;

  int32_t SetForegroundWindow(int32_t hWnd) override;
  // Starts the X server's screen saver once no key or button is held down any more.
  void StartScreenSaver() override;
  // api::SpiSetScreenSaveActive: 0 sets the server's screen-saver timeout to 0 (off), any other
  // value restores the timeout it had before. Nonzero when the server took the setting. The
  // server keeps it until it ends; nothing is written for later sessions.
  int32_t SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) override;

 private:
  _XDisplay* display_;
  QObject waits_;         // parent of the screen-saver waits, which use display_: none outlives this
  int savedTimeout_ = 0;  // the timeout in force before the program switched the saver off
};

}  // namespace linuxp
