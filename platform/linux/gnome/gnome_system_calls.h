#pragma once
#include <QDBusConnection>
#include <functional>

#include "ports/system_calls.h"

namespace linuxp {

// The screen saver of a GNOME session, and bringing the program's window forward.
class GnomeSystemCalls : public SystemCalls {
 public:
  explicit GnomeSystemCalls(const QDBusConnection& bus) : bus_(bus) {}

  // Raises the About window when it is shown; the hidden form needs nothing to take the menu.
  std::function<void()> activateForm;

  int32_t SetForegroundWindow(int32_t hWnd) override;
  // Asks GNOME's screen-saver service (org.gnome.ScreenSaver, which GNOME Shell offers where it
  // can lock the screen) to start; without that service nothing happens.
  void StartScreenSaver() override;
  // api::SpiSetScreenSaveActive: 0 sets GNOME's idle delay (org.gnome.desktop.session idle-delay,
  // "Screen Blank" in GNOME's settings) to 0, never; any other value restores the delay the user had
  // before, kept in velmora's settings file across runs and sessions, or GNOME's default where there
  // is none. Nonzero when the setting reads back as set. GNOME keeps the setting for later sessions.
  int32_t SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) override;

 private:
  QDBusConnection bus_;
};

}  // namespace linuxp
