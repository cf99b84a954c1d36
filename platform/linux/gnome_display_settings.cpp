#include "gnome_display_settings.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTimer>
#include <cmath>
#include <utility>

#include "mode_record.h"
#include "monitor_layout.h"

namespace linuxp {
namespace {

// QT_LOGGING_RULES="velmora.gnome.debug=true" prints every configuration sent to mutter on standard error.
Q_LOGGING_CATEGORY(lcGnome, "velmora.gnome", QtInfoMsg)

constexpr int32_t kBitsPerPixel = 32;

// The mode the monitor shows; none when it is off.
const mutter::Mode* CurrentMode(const mutter::Monitor& monitor) {
  for (const mutter::Mode& m : monitor.modes)
    if (m.current) return &m;
  return nullptr;
}

// The state as the layout rules read it.
layout::State Plain(const mutter::State& state) {
  layout::State plain;
  for (const mutter::Monitor& monitor : state.monitors) {
    layout::Monitor m{monitor.connector.toStdString(), {}};
    for (const mutter::Mode& mode : monitor.modes)
      m.modes.push_back({mode.id.toStdString(),
                         mode.width,
                         mode.height,
                         mode.refresh,
                         mode.preferred,
                         mode.current,
                         mode.interlaced,
                         {mode.scales.begin(), mode.scales.end()}});
    plain.monitors.push_back(std::move(m));
  }
  for (const mutter::LogicalMonitor& logical : state.logicalMonitors) {
    layout::LogicalMonitor l{logical.x, logical.y, logical.scale, logical.transform, logical.primary, {}};
    for (const QString& connector : logical.connectors) l.connectors.push_back(connector.toStdString());
    plain.logicalMonitors.push_back(std::move(l));
  }
  plain.layoutMode = state.properties.value(QStringLiteral("layout-mode"), layout::kPhysical).toUInt();
  plain.supportsChangingLayoutMode =
      state.properties.value(QStringLiteral("supports-changing-layout-mode")).toBool();
  plain.globalScaleRequired = state.properties.value(QStringLiteral("global-scale-required")).toBool();
  return plain;
}

// The monitor's properties that ApplyMonitorsConfig takes back, under the names it takes them by.
QVariantMap Carried(const mutter::Monitor& monitor) {
  QVariantMap carried;
  for (auto it = monitor.properties.cbegin(); it != monitor.properties.cend(); ++it)
    if (const std::optional<std::string> name = layout::AppliedPropertyName(it.key().toStdString()))
      carried.insert(QString::fromStdString(*name), it.value());
  return carried;
}

// The configuration as gdbus would print the call's arguments.
QString Describe(const QList<mutter::LogicalMonitorConfig>& config, const QVariantMap& properties) {
  const auto map = [](const QVariantMap& m) {
    QStringList entries;
    for (auto it = m.cbegin(); it != m.cend(); ++it)
      entries << QStringLiteral("'%1': %2").arg(it.key(), it.value().toString());
    return QStringLiteral("{") + entries.join(QStringLiteral(", ")) + QStringLiteral("}");
  };
  QStringList logical;
  for (const mutter::LogicalMonitorConfig& c : config) {
    QStringList monitors;
    for (const mutter::Assignment& a : c.monitors)
      monitors << QStringLiteral("('%1', '%2', %3)").arg(a.connector, a.modeId, map(a.properties));
    logical << QStringLiteral("(%1, %2, %3, %4, %5, [%6])")
                   .arg(c.x)
                   .arg(c.y)
                   .arg(c.scale, 0, 'g', 17)
                   .arg(c.transform)
                   .arg(c.primary ? QStringLiteral("true") : QStringLiteral("false"), monitors.join(", "));
  }
  return QStringLiteral("[%1] %2").arg(logical.join(QStringLiteral(", ")), map(properties));
}

}  // namespace

GnomeDisplaySettings::GnomeDisplaySettings(const QDBusConnection& bus) : bus_(bus) {
  bus_.connect(QLatin1String(mutter::kService), QLatin1String(mutter::kPath), QLatin1String(mutter::kService),
               QStringLiteral("MonitorsChanged"), this, SLOT(MonitorsChanged()));
}

void GnomeDisplaySettings::MonitorsChanged() {
  Forget();
  listed_.clear();  // another primary monitor, or other modes: every index is read from the new list
  if (onChanged) onChanged();
}

// A change mutter has made but not yet reported can only be heard as the program runs its events: a
// state read then is forgotten at the next turn of the event loop (a box's too). Before the GUI is
// up no event runs; such a state is forgotten once events can run.
const mutter::State* GnomeDisplaySettings::State() {
  const bool gui = QCoreApplication::instance() != nullptr;
  if (state_ && stateBeforeGui_ && gui) Forget();
  if (!state_) {
    state_ = mutter::ReadState(bus_);
    stateBeforeGui_ = !gui;
    if (gui) QTimer::singleShot(0, this, [this] { Forget(); });
  }
  return state_ ? &*state_ : nullptr;
}

QString GnomeDisplaySettings::TakeRefusal() { return std::exchange(refusal_, QString()); }

GnomeDisplaySettings::Mode GnomeDisplaySettings::From(const mutter::Mode& mode) {
  return {mode.id, mode.width, mode.height, static_cast<uint32_t>(std::lround(mode.refresh))};
}

std::vector<GnomeDisplaySettings::Mode> GnomeDisplaySettings::Listed(const mutter::Monitor& monitor) {
  std::vector<Mode> modes;
  for (const mutter::Mode& m : monitor.modes) modes.push_back(From(m));
  return modes;
}

void GnomeDisplaySettings::Fill(const Mode& mode, const QString& connector, DisplayModeRecord& record) {
  FillModeRecord(connector.toStdString(), mode.width, mode.height, kBitsPerPixel, mode.frequency, 0, record);
}

int32_t GnomeDisplaySettings::Enumerate(int32_t modeNum, DisplayModeRecord& record) {
  if (modeNum == api::EnumCurrentSettings) {
    const mutter::State* state = State();
    const mutter::Monitor* monitor = state ? state->Primary() : nullptr;
    const mutter::Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
    if (!current) return 0;
    Fill(From(*current), monitor->connector, record);
    return 1;
  }
  if (modeNum < 0) return 0;
  // Index 0 reads the monitor's list afresh; later indexes use that same list, so an index
  // keeps naming the mode it named when the menu was built.
  if (modeNum == 0 || listed_.empty()) {
    const mutter::State* state = State();
    const mutter::Monitor* monitor = state ? state->Primary() : nullptr;
    listed_ = monitor ? Listed(*monitor) : std::vector<Mode>();
    listedConnector_ = monitor ? monitor->connector : QString();
  }
  if (static_cast<size_t>(modeNum) >= listed_.size()) return 0;  // the record stays as it was
  Fill(listed_[static_cast<size_t>(modeNum)], listedConnector_, record);
  return 1;
}

int32_t GnomeDisplaySettings::Change(DisplayModeRecord& record, int32_t flags) {
  refusal_.clear();
  if ((flags & ~(api::CdsUpdateRegistry | kCdsTest)) != 0) return api::DispChangeBadFlags;
  if ((record.dmFields & api::DmBitsPerPel) && record.dmBitsPerPel != kBitsPerPixel)
    return api::DispChangeBadMode;

  // The serial and the layout as last read. Mutter refuses a configuration based on an older state
  // (access denied): a state kept from before is then read afresh, once.
  const bool kept = state_.has_value();
  const mutter::State* state = State();
  const mutter::Monitor* monitor = state ? state->Primary() : nullptr;
  if (!monitor) return api::DispChangeFailed;
  const mutter::Mode* current = CurrentMode(*monitor);
  const int32_t width =
      (record.dmFields & api::DmPelsWidth) ? record.dmPelsWidth : (current ? current->width : 0);
  const int32_t height =
      (record.dmFields & api::DmPelsHeight) ? record.dmPelsHeight : (current ? current->height : 0);
  const double asked = (record.dmFields & kDmDisplayFrequency) ? record.dmDisplayFrequency : 0;
  const layout::Plan plan = layout::PlanSwitch(Plain(*state), width, height, asked);
  if (!plan.config) {
    refusal_ = QString::fromStdString(plan.refusal);
    return api::DispChangeBadMode;
  }
  if (flags & kCdsTest) return api::DispChangeSuccessful;

  QList<mutter::LogicalMonitorConfig> config;
  for (const layout::LogicalMonitorConfig& logical : plan.config->logicalMonitors) {
    mutter::LogicalMonitorConfig c{logical.x,         logical.y,       logical.scale,
                                   logical.transform, logical.primary, {}};
    for (const layout::Assignment& a : logical.monitors) {
      const QString connector = QString::fromStdString(a.connector);
      const mutter::Monitor* shown = state->Find(connector);
      c.monitors.append(
          {connector, QString::fromStdString(a.modeId), shown ? Carried(*shown) : QVariantMap()});
    }
    config.append(c);
  }
  QVariantMap properties;
  if (plan.config->layoutMode) properties.insert(QStringLiteral("layout-mode"), *plan.config->layoutMode);
  qCDebug(lcGnome).noquote() << "ApplyMonitorsConfig" << Describe(config, properties);
  const QDBusError error = mutter::Apply(bus_, state->serial, method_, config, properties);
  Forget();  // applied or refused, the next question reads mutter's state afresh
  if (!error.isValid()) return api::DispChangeSuccessful;
  if (kept && error.type() == QDBusError::AccessDenied) return Change(record, flags);
  refusal_ = error.message();
  // An invalid mode or layout is refused as invalid arguments; a stale serial, as access denied.
  return error.type() == QDBusError::InvalidArgs ? api::DispChangeBadMode : api::DispChangeFailed;
}

}  // namespace linuxp
