#pragma once
#include <QDBusConnection>
#include <optional>
#include <string>
#include <vector>

#include "rules/no_tray.h"

namespace linuxp::shell_extensions {

// GNOME Shell's extensions (org.gnome.Shell.Extensions on the session bus); none when GNOME Shell does
// not answer, which is any other desktop.
std::optional<std::vector<ShellExtension>> List(const QDBusConnection& bus);
// Switches an extension on; whether GNOME Shell did.
bool Enable(const QDBusConnection& bus, const std::string& uuid);

}  // namespace linuxp::shell_extensions
