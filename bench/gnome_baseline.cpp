// velmora_gnome_baseline WIDTH HEIGHT: the D-Bus calls "velmora /sW,H,32" makes on GNOME and nothing
// else (no window, no tray icon, no Wayland connection): whether mutter is there, GetCurrentState (the
// menu's modes, the mode in force and the serial the apply is based on, from one read), a temporary
// ApplyMonitorsConfig of the first listed mode of that size, and GetCurrentState again (the mode in force
// after it). Exit status 0 when applied.
#include <QCoreApplication>
#include <QDBusConnection>
#include <cstdlib>

#include "mutter_config.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 2;
  const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
  namespace mutter = linuxp::mutter;
  const QDBusConnection bus = QDBusConnection::sessionBus();
  if (!mutter::Offered(bus)) return 3;
  const std::optional<mutter::State> state = mutter::ReadState(bus);
  const mutter::Monitor* monitor = state ? state->Primary() : nullptr;
  if (!monitor) return 3;
  for (const mutter::Mode& mode : monitor->modes) {
    if (mode.width != width || mode.height != height) continue;
    const mutter::LogicalMonitor& logical = state->logicalMonitors.first();
    const QList<mutter::LogicalMonitorConfig> config{
        {logical.x, logical.y, logical.scale, logical.transform, true, {{monitor->connector, mode.id, {}}}}};
    const bool refused = mutter::Apply(bus, state->serial, mutter::Method::kTemporary, config).isValid();
    return mutter::ReadState(bus) && !refused ? 0 : 4;
  }
  return 1;
}
