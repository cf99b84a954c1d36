#include "gnome_display_settings.h"

#include <cmath>
#include <utility>

#include "mode_record.h"

namespace linuxp {
namespace {

constexpr int32_t kBitsPerPixel = 32;

// The mode the monitor shows; none when it is off.
const mutter::Mode* CurrentMode(const mutter::Monitor& monitor) {
  for (const mutter::Mode& m : monitor.modes)
    if (m.current) return &m;
  return nullptr;
}

}  // namespace

GnomeDisplaySettings::GnomeDisplaySettings(const QDBusConnection& bus) : bus_(bus) {
  bus_.connect(QLatin1String(mutter::kService), QLatin1String(mutter::kPath), QLatin1String(mutter::kService),
               QStringLiteral("MonitorsChanged"), this, SLOT(MonitorsChanged()));
}

void GnomeDisplaySettings::MonitorsChanged() {
  if (onChanged) onChanged();
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
    const std::optional<mutter::State> state = mutter::ReadState(bus_);
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
    const std::optional<mutter::State> state = mutter::ReadState(bus_);
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

  // The serial and the layout as they are now: mutter refuses a configuration based on an older one.
  const std::optional<mutter::State> state = mutter::ReadState(bus_);
  const mutter::Monitor* monitor = state ? state->Primary() : nullptr;
  if (!monitor) return api::DispChangeFailed;
  const std::vector<Mode> modes = Listed(*monitor);
  const mutter::Mode* current = CurrentMode(*monitor);
  const int32_t width =
      (record.dmFields & api::DmPelsWidth) ? record.dmPelsWidth : (current ? current->width : 0);
  const int32_t height =
      (record.dmFields & api::DmPelsHeight) ? record.dmPelsHeight : (current ? current->height : 0);
  const Mode* target = PickMode(modes, width, height, record.dmDisplayFrequency);
  if (!target) return api::DispChangeBadMode;
  if (flags & kCdsTest) return api::DispChangeSuccessful;

  // Every logical monitor as it is, each monitor at its current mode but this one at the new mode.
  QList<mutter::LogicalMonitorConfig> config;
  for (const mutter::LogicalMonitor& logical : state->logicalMonitors) {
    mutter::LogicalMonitorConfig c{logical.x,         logical.y,       logical.scale,
                                   logical.transform, logical.primary, {}};
    for (const QString& connector : logical.connectors) {
      QString modeId = target->id;
      if (connector != monitor->connector) {
        const mutter::Monitor* other = state->Find(connector);
        const mutter::Mode* shown = other ? CurrentMode(*other) : nullptr;
        modeId = shown ? shown->id : QString();
      }
      c.monitors.append({connector, modeId});
    }
    config.append(c);
  }
  const QDBusError error = mutter::Apply(bus_, state->serial, method_, config);
  if (!error.isValid()) return api::DispChangeSuccessful;
  refusal_ = error.message();
  // An invalid mode or layout is refused as invalid arguments; a stale serial, as access denied.
  return error.type() == QDBusError::InvalidArgs ? api::DispChangeBadMode : api::DispChangeFailed;
}

}  // namespace linuxp
