#pragma once
#include <QSettings>

namespace linuxp {

// velmora's own settings file: $XDG_CONFIG_HOME/velmora/velmora.conf (~/.config/velmora/velmora.conf).
inline QSettings SettingsFile() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, "velmora", "velmora");
}

}  // namespace linuxp
