// velmora_gnome_baseline WIDTH HEIGHT: the D-Bus calls "velmora /sW,H,32" makes on GNOME and nothing
// else (no window, no tray icon, no Wayland connection): whether mutter is there, GetCurrentState (the
// menu's modes, the mode in force and the serial the apply is based on, from one read), a temporary
// ApplyMonitorsConfig of the first listed mode of that size, and GetCurrentState again (the mode in force
// after it). Exit status 0 when applied.
#include <QCoreApplication>
#include <QDBusConnection>
#include <cstdlib>

#include "displayconfig/display_config_bus.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 2;
  const int width = std::atoi(argv[1]);
  const int height = std::atoi(argv[2]);
  namespace displayconfig = linuxp::displayconfig;
  namespace layout = linuxp::layout;
  const QDBusConnection bus = QDBusConnection::sessionBus();
  const linuxp::DisplayConfigService& gnome = linuxp::kGnomeDisplayConfig;
  if (!displayconfig::Offered(bus, gnome)) return 3;
  const std::optional<layout::State> state = displayconfig::ReadState(bus, gnome);
  const layout::Monitor* monitor = state ? layout::PrimaryMonitor(*state) : nullptr;
  if (!monitor) return 3;
  for (const layout::Mode& mode : monitor->modes) {
    if (mode.width != width || mode.height != height) continue;
    const layout::LogicalMonitor& logical = state->logicalMonitors.front();
    const layout::Config config{
        {{logical.x, logical.y, logical.scale, logical.transform, true, {{monitor->connector, mode.id, {}}}}},
        {}};
    const bool refused =
        displayconfig::Apply(bus, gnome, state->serial, displayconfig::Method::kTemporary, config).isValid();
    return displayconfig::ReadState(bus, gnome) && !refused ? 0 : 4;
  }
  return 1;
}
