#include "mutter_config.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QVariant>

namespace linuxp::mutter {
namespace {

constexpr char kInterface[] = "org.gnome.Mutter.DisplayConfig";
constexpr int kTimeoutMs = 10000;  // a persistent apply returns before the user answers GNOME's question

// (connector, vendor, product, serial): a monitor's name; the connector alone tells monitors apart.
QString ReadConnector(const QDBusArgument& arg) {
  QString connector, vendor, product, serial;
  arg.beginStructure();
  arg >> connector >> vendor >> product >> serial;
  arg.endStructure();
  return connector;
}

// a(siiddada{sv}): the modes of one monitor.
QList<Mode> ReadModes(const QDBusArgument& arg) {
  QList<Mode> modes;
  arg.beginArray();
  while (!arg.atEnd()) {
    Mode mode;
    double preferredScale = 0;
    QVariantMap properties;
    arg.beginStructure();
    arg >> mode.id >> mode.width >> mode.height >> mode.refresh >> preferredScale >> mode.scales >>
        properties;
    arg.endStructure();
    mode.current = properties.value(QStringLiteral("is-current")).toBool();
    mode.preferred = properties.value(QStringLiteral("is-preferred")).toBool();
    mode.interlaced = properties.value(QStringLiteral("is-interlaced")).toBool();
    modes.append(mode);
  }
  arg.endArray();
  return modes;
}

// a((ssss)a(siiddada{sv})a{sv})
QList<Monitor> ReadMonitors(const QDBusArgument& arg) {
  QList<Monitor> monitors;
  arg.beginArray();
  while (!arg.atEnd()) {
    Monitor monitor;
    arg.beginStructure();
    monitor.connector = ReadConnector(arg);
    monitor.modes = ReadModes(arg);
    arg >> monitor.properties;
    arg.endStructure();
    monitors.append(monitor);
  }
  arg.endArray();
  return monitors;
}

// a(iiduba(ssss)a{sv})
QList<LogicalMonitor> ReadLogicalMonitors(const QDBusArgument& arg) {
  QList<LogicalMonitor> logical;
  arg.beginArray();
  while (!arg.atEnd()) {
    LogicalMonitor m;
    QVariantMap properties;
    arg.beginStructure();
    arg >> m.x >> m.y >> m.scale >> m.transform >> m.primary;
    arg.beginArray();
    while (!arg.atEnd()) m.connectors.append(ReadConnector(arg));
    arg.endArray();
    arg >> properties;
    arg.endStructure();
    logical.append(m);
  }
  arg.endArray();
  return logical;
}

QDBusMessage Call(const QString& method) {
  return QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                        QLatin1String(kInterface), method);
}

}  // namespace

const Monitor* State::Find(const QString& connector) const {
  for (const Monitor& monitor : monitors)
    if (monitor.connector == connector) return &monitor;
  return nullptr;
}

const Monitor* State::Primary() const {
  const LogicalMonitor* chosen = nullptr;
  for (const LogicalMonitor& m : logicalMonitors) {
    if (!chosen || m.primary) chosen = &m;
    if (m.primary) break;
  }
  return chosen && !chosen->connectors.isEmpty() ? Find(chosen->connectors.first()) : nullptr;
}

bool Offered(const QDBusConnection& bus) {
  return bus.isConnected() && bus.interface()->isServiceRegistered(QLatin1String(kService)).value();
}

std::optional<State> ReadState(const QDBusConnection& bus) {
  const QDBusMessage reply = bus.call(Call(QStringLiteral("GetCurrentState")), QDBus::Block, kTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage ||
      reply.signature() != QLatin1String("ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}"))
    return std::nullopt;
  State state;
  state.serial = reply.arguments().at(0).toUInt();
  state.monitors = ReadMonitors(reply.arguments().at(1).value<QDBusArgument>());
  state.logicalMonitors = ReadLogicalMonitors(reply.arguments().at(2).value<QDBusArgument>());
  state.properties = qdbus_cast<QVariantMap>(reply.arguments().at(3));
  return state;
}

QDBusError Apply(const QDBusConnection& bus, uint32_t serial, Method method,
                 const QList<LogicalMonitorConfig>& config, const QVariantMap& properties) {
  static const bool registered = [] {
    qDBusRegisterMetaType<Assignment>();
    qDBusRegisterMetaType<QList<Assignment>>();
    qDBusRegisterMetaType<LogicalMonitorConfig>();
    qDBusRegisterMetaType<QList<LogicalMonitorConfig>>();
    return true;
  }();
  (void)registered;
  QDBusMessage call = Call(QStringLiteral("ApplyMonitorsConfig"));
  call << serial << static_cast<uint32_t>(method) << QVariant::fromValue(config) << properties;
  return QDBusError(bus.call(call, QDBus::Block, kTimeoutMs));
}

QDBusArgument& operator<<(QDBusArgument& arg, const Assignment& a) {
  arg.beginStructure();
  arg << a.connector << a.modeId << a.properties;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, Assignment& a) {
  arg.beginStructure();
  arg >> a.connector >> a.modeId >> a.properties;
  arg.endStructure();
  return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const LogicalMonitorConfig& m) {
  arg.beginStructure();
  arg << m.x << m.y << m.scale << m.transform << m.primary << m.monitors;
  arg.endStructure();
  return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, LogicalMonitorConfig& m) {
  arg.beginStructure();
  arg >> m.x >> m.y >> m.scale >> m.transform >> m.primary >> m.monitors;
  arg.endStructure();
  return arg;
}

}  // namespace linuxp::mutter
