// Which desktop velmora runs on, told from what the session offers, and what follows from it: the display
// backend, the Qt platform and what is said when no tray shows the icon.
#pragma once

#include "display_config_service.h"

namespace linuxp {

// The display backends: the desktop's display-configuration service on the session bus (GNOME's mutter,
// on its Wayland and X11 sessions alike, and Cinnamon's muffin), or XRandR on the X server.
enum class DisplayBackend { kDisplayConfig, kX11 };

struct Session {
  const DisplayConfigService* displayConfig = nullptr;  // the one ChooseDisplayConfig chose; none offered
  bool wayland = false;                                 // WAYLAND_DISPLAY is set
};

inline DisplayBackend ChooseDisplayBackend(const Session& session) {
  return session.displayConfig ? DisplayBackend::kDisplayConfig : DisplayBackend::kX11;
}

// Whether the screen saver and blanking are GNOME's session services: where GNOME's display configuration
// is used. Elsewhere (Cinnamon's desktop too, which runs on X) they are the X server's.
inline bool GnomeSessionServices(const Session& session) {
  return session.displayConfig == &kGnomeDisplayConfig;
}

// Whether the modes shown are XWayland's, which cannot switch the real mode: a Wayland session without a
// display-configuration service velmora can use.
inline bool OnlyXWayland(const Session& session) {
  return session.wayland && ChooseDisplayBackend(session) == DisplayBackend::kX11;
}

// Qt's platform: with RandR's modes the tray icon, the menu and the About window live on the same X server;
// with the desktop's service, a native Wayland client where Qt's Wayland platform is installed, through
// XWayland otherwise.
inline const char* QtPlatform(const Session& session) {
  return session.wayland && ChooseDisplayBackend(session) == DisplayBackend::kDisplayConfig ? "wayland;xcb"
                                                                                            : "xcb";
}

// The desktop families the no-tray box tells apart.
enum class Desktop { kGnomeShell, kX11, kOtherWayland };

// gnomeShell: GNOME Shell answered for its extensions.
inline Desktop WhichDesktop(bool gnomeShell, bool wayland) {
  if (gnomeShell) return Desktop::kGnomeShell;
  return wayland ? Desktop::kOtherWayland : Desktop::kX11;
}

}  // namespace linuxp
