// The desktops' display-configuration services on the session bus: GNOME's mutter and Cinnamon's muffin
// speak the same interface under their own names, with small differences kept here as data.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "current_desktop.h"

namespace linuxp {

struct DisplayConfigService {
  const char* desktop;  // as XDG_CURRENT_DESKTOP names it, upper case
  const char* name;     // the bus name, also the interface
  const char* path;
  // The bus name of the desktop shell that asks the user whether to keep a configuration to be stored;
  // none where the service keeps it unasked when no shell asks (plain mutter).
  const char* confirmer;
  // The monitor properties ApplyMonitorsConfig takes back: (reported name, applied name).
  std::vector<std::pair<const char*, const char*>> carried;
};

inline const DisplayConfigService kGnomeDisplayConfig{
    "GNOME",
    "org.gnome.Mutter.DisplayConfig",
    "/org/gnome/Mutter/DisplayConfig",
    nullptr,
    {{"is-underscanning", "enable_underscanning"}, {"color-mode", "color-mode"}, {"rgb-range", "rgb-range"}}};
inline const DisplayConfigService kCinnamonDisplayConfig{"CINNAMON",
                                                         "org.cinnamon.Muffin.DisplayConfig",
                                                         "/org/cinnamon/Muffin/DisplayConfig",
                                                         "org.Cinnamon",
                                                         {{"is-underscanning", "enable_underscanning"}}};
inline const DisplayConfigService* const kDisplayConfigServices[] = {&kGnomeDisplayConfig,
                                                                     &kCinnamonDisplayConfig};

// The service velmora uses among those that own their name (owned[i] for kDisplayConfigServices[i]): the
// one of the desktop XDG_CURRENT_DESKTOP names, else the first; null when none does.
inline const DisplayConfigService* ChooseDisplayConfig(const std::vector<bool>& owned,
                                                       std::string_view currentDesktop) {
  const DisplayConfigService* first = nullptr;
  for (size_t i = 0; i < owned.size() && i < std::size(kDisplayConfigServices); ++i) {
    if (!owned[i]) continue;
    if (NamesDesktop(currentDesktop, kDisplayConfigServices[i]->desktop)) return kDisplayConfigServices[i];
    if (!first) first = kDisplayConfigServices[i];
  }
  return first;
}

// Whether a choice from the menu is applied to be stored: where the desktop asks the user to keep it.
// muffin without Cinnamon running asks no one and puts a stored configuration back after 20 seconds: there
// a choice lasts for the session instead, and is never taken back unasked.
inline bool StoresChoice(const DisplayConfigService& service, bool confirmerRuns) {
  return !service.confirmer || confirmerRuns;
}

}  // namespace linuxp
