// A desktop's display-configuration service on the session bus (GNOME's org.gnome.Mutter.DisplayConfig,
// Cinnamon's org.cinnamon.Muffin.DisplayConfig): the state it reports and the configuration it applies, read
// into and written from the plain layout data.
#pragma once
#include <QDBusConnection>
#include <QDBusError>
#include <cstdint>
#include <optional>

#include "rules/monitor_layout.h"

namespace linuxp::displayconfig {

// ApplyMonitorsConfig's methods: a temporary configuration lasts for the session and is never
// asked about; a persistent one is stored (in ~/.config/monitors.xml on GNOME) once the user keeps it.
enum class Method : uint32_t { kTemporary = 1, kPersistent = 2 };

// Whether the service owns its name on the session bus (GNOME's on its Wayland and X11 sessions alike).
bool Offered(const QDBusConnection& bus, const DisplayConfigService& service);
// GetCurrentState; nothing when the service does not answer as expected.
std::optional<layout::State> ReadState(const QDBusConnection& bus, const DisplayConfigService& service);
// ApplyMonitorsConfig, with the serial of the state the configuration was worked out from; the
// service's refusal, or no error.
QDBusError Apply(const QDBusConnection& bus, const DisplayConfigService& service, uint32_t serial,
                 Method method, const layout::Config& config);

}  // namespace linuxp::displayconfig
