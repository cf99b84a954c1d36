// GNOME's monitor configuration as mutter publishes it on the session bus
// (org.gnome.Mutter.DisplayConfig): the state it reports and the configuration it applies.
#pragma once
#include <QDBusConnection>
#include <QDBusError>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <optional>

class QDBusArgument;

namespace linuxp::mutter {

inline constexpr char kService[] = "org.gnome.Mutter.DisplayConfig";
inline constexpr char kPath[] = "/org/gnome/Mutter/DisplayConfig";

// ApplyMonitorsConfig's methods: a temporary configuration lasts for the session and is never
// asked about; a persistent one is stored in ~/.config/monitors.xml once the user keeps it.
enum class Method : uint32_t { kTemporary = 1, kPersistent = 2 };

struct Mode {
  QString id;  // such as "1024x768@60.000"
  int32_t width = 0;
  int32_t height = 0;
  double refresh = 0;  // hertz
  bool current = false;
  bool preferred = false;
  bool interlaced = false;
  QList<double> scales;  // the scales mutter accepts with this mode
};

struct Monitor {
  QString connector;
  QList<Mode> modes;  // in mutter's order
  QVariantMap properties;
};

struct LogicalMonitor {
  int32_t x = 0;
  int32_t y = 0;
  double scale = 1;
  uint32_t transform = 0;
  bool primary = false;
  QStringList connectors;  // its monitors
};

struct State {
  uint32_t serial = 0;
  QList<Monitor> monitors;
  QList<LogicalMonitor> logicalMonitors;
  QVariantMap properties;  // layout-mode, supports-changing-layout-mode, global-scale-required, ...

  const Monitor* Find(const QString& connector) const;
  // The monitor of the primary logical monitor, or of the first when none is primary.
  const Monitor* Primary() const;
};

// One monitor of a logical monitor to apply, and the mode it is to show.
struct Assignment {
  QString connector;
  QString modeId;
  QVariantMap properties;
};
struct LogicalMonitorConfig {
  int32_t x = 0;
  int32_t y = 0;
  double scale = 1;
  uint32_t transform = 0;
  bool primary = false;
  QList<Assignment> monitors;
};

// Whether mutter serves the session bus: GNOME, on its Wayland and X11 sessions alike.
bool Offered(const QDBusConnection& bus);
// GetCurrentState; nothing when mutter does not answer as expected.
std::optional<State> ReadState(const QDBusConnection& bus);
// ApplyMonitorsConfig; mutter's refusal, or no error.
QDBusError Apply(const QDBusConnection& bus, uint32_t serial, Method method,
                 const QList<LogicalMonitorConfig>& config, const QVariantMap& properties = {});

QDBusArgument& operator<<(QDBusArgument& arg, const Assignment& a);
const QDBusArgument& operator>>(const QDBusArgument& arg, Assignment& a);
QDBusArgument& operator<<(QDBusArgument& arg, const LogicalMonitorConfig& m);
const QDBusArgument& operator>>(const QDBusArgument& arg, LogicalMonitorConfig& m);

}  // namespace linuxp::mutter

Q_DECLARE_METATYPE(linuxp::mutter::Assignment)
Q_DECLARE_METATYPE(linuxp::mutter::LogicalMonitorConfig)
