#pragma once
#include <QDBusConnection>
#include <vector>

#include "rules/xfce_displays.h"

namespace linuxp {

// Writes the outputs' complete entries into the display profile Xfce applies at log-in (its settings store,
// org.xfce.Xfconf on the session bus, channel "displays", the profile /ActiveProfile names); whether the
// store took every one.
bool StoreInXfconf(const QDBusConnection& bus, const std::vector<OutputPlacement>& outputs);

}  // namespace linuxp
