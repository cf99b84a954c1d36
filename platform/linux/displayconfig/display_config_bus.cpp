#include "display_config_bus.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QList>
#include <QVariant>
#include <QVariantMap>
#include <type_traits>

// The configuration's parts as ApplyMonitorsConfig takes them.
Q_DECLARE_METATYPE(linuxp::layout::Assignment)
Q_DECLARE_METATYPE(linuxp::layout::LogicalMonitorConfig)

namespace linuxp::layout {
namespace {

// A property as D-Bus carries it: 64-bit integers as Qt names them, text as QString.
QVariant ToVariant(const PropertyValue& value) {
  return std::visit(
      [](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>)
          return QVariant(QString::fromStdString(v));
        else if constexpr (std::is_same_v<T, int64_t>)
          return QVariant::fromValue(static_cast<qlonglong>(v));
        else if constexpr (std::is_same_v<T, uint64_t>)
          return QVariant::fromValue(static_cast<qulonglong>(v));
        else
          return QVariant::fromValue(v);
      },
      value);
}

QVariantMap ToVariantMap(const Properties& properties) {
  QVariantMap map;
  for (const auto& [name, value] : properties) map.insert(QString::fromStdString(name), ToVariant(value));
  return map;
}

}  // namespace

// (connector, mode id, properties)
QDBusArgument& operator<<(QDBusArgument& arg, const Assignment& a) {
  arg.beginStructure();
  arg << QString::fromStdString(a.connector) << QString::fromStdString(a.modeId)
      << ToVariantMap(a.properties);
  arg.endStructure();
  return arg;
}

// (x, y, scale, transform, primary, monitors)
QDBusArgument& operator<<(QDBusArgument& arg, const LogicalMonitorConfig& m) {
  arg.beginStructure();
  arg << m.x << m.y << m.scale << m.transform << m.primary
      << QList<Assignment>(m.monitors.begin(), m.monitors.end());
  arg.endStructure();
  return arg;
}

// Written only; registering a type with D-Bus asks for a reader too.
const QDBusArgument& operator>>(const QDBusArgument& arg, Assignment&) { return arg; }
const QDBusArgument& operator>>(const QDBusArgument& arg, LogicalMonitorConfig&) { return arg; }

}  // namespace linuxp::layout

namespace linuxp::displayconfig {
namespace {

constexpr int kTimeoutMs = 10000;  // a persistent apply returns before the user answers GNOME's question

// The property values a monitor can carry back; others are only reported.
layout::Properties FromVariantMap(const QVariantMap& map) {
  layout::Properties properties;
  for (auto it = map.cbegin(); it != map.cend(); ++it) {
    const QVariant& v = it.value();
    const std::string name = it.key().toStdString();
    switch (v.metaType().id()) {
      case QMetaType::Bool: properties.emplace(name, v.toBool()); break;
      case QMetaType::Int: properties.emplace(name, static_cast<int32_t>(v.toInt())); break;
      case QMetaType::UInt: properties.emplace(name, static_cast<uint32_t>(v.toUInt())); break;
      case QMetaType::LongLong: properties.emplace(name, static_cast<int64_t>(v.toLongLong())); break;
      case QMetaType::ULongLong: properties.emplace(name, static_cast<uint64_t>(v.toULongLong())); break;
      case QMetaType::Double: properties.emplace(name, v.toDouble()); break;
      case QMetaType::QString: properties.emplace(name, v.toString().toStdString()); break;
      default: break;
    }
  }
  return properties;
}

// (connector, vendor, product, serial): a monitor's name; the connector alone tells monitors apart.
std::string ReadConnector(const QDBusArgument& arg) {
  QString connector, vendor, product, serial;
  arg.beginStructure();
  arg >> connector >> vendor >> product >> serial;
  arg.endStructure();
  return connector.toStdString();
}

// An array, its elements each read by `read`.
template <typename Read>
auto ReadArray(const QDBusArgument& arg, Read read) {
  std::vector<decltype(read())> items;
  arg.beginArray();
  while (!arg.atEnd()) items.push_back(read());
  arg.endArray();
  return items;
}

// a(siiddada{sv}): the modes of one monitor.
std::vector<layout::Mode> ReadModes(const QDBusArgument& arg) {
  return ReadArray(arg, [&] {
    layout::Mode mode;
    QString id;
    double preferredScale = 0;
    QList<double> scales;
    QVariantMap properties;
    arg.beginStructure();
    arg >> id >> mode.width >> mode.height >> mode.refresh >> preferredScale >> scales >> properties;
    arg.endStructure();
    mode.id = id.toStdString();
    mode.scales.assign(scales.begin(), scales.end());
    mode.current = properties.value(QStringLiteral("is-current")).toBool();
    mode.preferred = properties.value(QStringLiteral("is-preferred")).toBool();
    mode.interlaced = properties.value(QStringLiteral("is-interlaced")).toBool();
    return mode;
  });
}

// a((ssss)a(siiddada{sv})a{sv})
std::vector<layout::Monitor> ReadMonitors(const QDBusArgument& arg) {
  return ReadArray(arg, [&] {
    layout::Monitor monitor;
    QVariantMap properties;
    arg.beginStructure();
    monitor.connector = ReadConnector(arg);
    monitor.modes = ReadModes(arg);
    arg >> properties;
    arg.endStructure();
    monitor.properties = FromVariantMap(properties);
    return monitor;
  });
}

// a(iiduba(ssss)a{sv})
std::vector<layout::LogicalMonitor> ReadLogicalMonitors(const QDBusArgument& arg) {
  return ReadArray(arg, [&] {
    layout::LogicalMonitor m;
    QVariantMap properties;
    arg.beginStructure();
    arg >> m.x >> m.y >> m.scale >> m.transform >> m.primary;
    m.connectors = ReadArray(arg, [&] { return ReadConnector(arg); });
    arg >> properties;
    arg.endStructure();
    return m;
  });
}

QDBusMessage Call(const DisplayConfigService& service, const QString& method) {
  return QDBusMessage::createMethodCall(QLatin1String(service.name), QLatin1String(service.path),
                                        QLatin1String(service.name), method);
}

}  // namespace

bool Offered(const QDBusConnection& bus, const DisplayConfigService& service) {
  return bus.isConnected() && bus.interface()->isServiceRegistered(QLatin1String(service.name)).value();
}

std::optional<layout::State> ReadState(const QDBusConnection& bus, const DisplayConfigService& service) {
  const QDBusMessage reply =
      bus.call(Call(service, QStringLiteral("GetCurrentState")), QDBus::Block, kTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage ||
      reply.signature() != QLatin1String("ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}"))
    return std::nullopt;
  layout::State state;
  state.service = &service;
  state.serial = reply.arguments().at(0).toUInt();
  state.monitors = ReadMonitors(reply.arguments().at(1).value<QDBusArgument>());
  state.logicalMonitors = ReadLogicalMonitors(reply.arguments().at(2).value<QDBusArgument>());
  const auto properties = qdbus_cast<QVariantMap>(reply.arguments().at(3));
  state.layoutMode = properties.value(QStringLiteral("layout-mode"), layout::kPhysical).toUInt();
  state.supportsChangingLayoutMode =
      properties.value(QStringLiteral("supports-changing-layout-mode")).toBool();
  state.globalScaleRequired = properties.value(QStringLiteral("global-scale-required")).toBool();
  return state;
}

QDBusError Apply(const QDBusConnection& bus, const DisplayConfigService& service, uint32_t serial,
                 Method method, const layout::Config& config) {
  static const bool registered = [] {
    qDBusRegisterMetaType<layout::Assignment>();
    qDBusRegisterMetaType<QList<layout::Assignment>>();
    qDBusRegisterMetaType<layout::LogicalMonitorConfig>();
    qDBusRegisterMetaType<QList<layout::LogicalMonitorConfig>>();
    return true;
  }();
  (void)registered;
  const QList<layout::LogicalMonitorConfig> logical(config.logicalMonitors.begin(),
                                                    config.logicalMonitors.end());
  QVariantMap properties;
  if (config.layoutMode) properties.insert(QStringLiteral("layout-mode"), *config.layoutMode);
  QDBusMessage call = Call(service, QStringLiteral("ApplyMonitorsConfig"));
  call << serial << static_cast<uint32_t>(method) << QVariant::fromValue(logical) << properties;
  return QDBusError(bus.call(call, QDBus::Block, kTimeoutMs));
}

}  // namespace linuxp::displayconfig
