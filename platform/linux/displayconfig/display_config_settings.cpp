#include "display_config_settings.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QLoggingCategory>
#include <QTimer>
#include <cmath>
#include <utility>

#include "rules/mode_record.h"

namespace linuxp {
namespace {

// QT_LOGGING_RULES="velmora.gnome.debug=true" prints every configuration sent on standard error.
Q_LOGGING_CATEGORY(lcGnome, "velmora.gnome", QtInfoMsg)

constexpr int32_t kBitsPerPixel = 32;

// A mode as the desktop shows it on the primary monitor: turned where the monitor is rotated.
ListedMode Listed(const layout::State& state, const layout::Mode& mode) {
  const layout::LogicalMonitor* primary = layout::PrimaryLogical(state);
  const auto [width, height] = layout::ShownSize(mode, primary ? primary->transform : 0);
  return {mode.id, width, height, static_cast<uint32_t>(std::lround(mode.refresh)), 0};
}

// The primary monitor's modes as the menu numbers them.
ModeList ListOf(const layout::State* state) {
  const layout::Monitor* monitor = state ? layout::PrimaryMonitor(*state) : nullptr;
  ModeList list;
  if (!monitor) return list;
  list.output = monitor->connector;
  for (const layout::Mode& m : monitor->modes) list.modes.push_back(Listed(*state, m));
  return list;
}

}  // namespace

DisplayConfigSettings::DisplayConfigSettings(const QDBusConnection& bus, const DisplayConfigService& service)
    : bus_(bus), service_(service) {
  bus_.connect(QLatin1String(service.name), QLatin1String(service.path), QLatin1String(service.name),
               QStringLiteral("MonitorsChanged"), this, SLOT(MonitorsChanged()));
}

void DisplayConfigSettings::MonitorsChanged() {
  state_.Forget();
  listed_.Forget();  // another primary monitor, or other modes: every index is read from the new list
  if (onChanged) onChanged();
}

const layout::State* DisplayConfigSettings::ReadStateOnce() {
  const bool eventsRun = QCoreApplication::instance() != nullptr;
  bool fresh = false;
  const layout::State* state = state_.Get(
      eventsRun, [this] { return displayconfig::ReadState(bus_, service_); }, &fresh);
  if (fresh && eventsRun) QTimer::singleShot(0, this, [this] { state_.Forget(); });
  return state;
}

QString DisplayConfigSettings::TakeRefusal() { return std::exchange(refusal_, QString()); }

int32_t DisplayConfigSettings::Enumerate(int32_t modeNum, DisplayModeRecord& record) {
  if (modeNum == api::EnumCurrentSettings) {
    const layout::State* state = ReadStateOnce();
    const layout::Monitor* monitor = state ? layout::PrimaryMonitor(*state) : nullptr;
    const layout::Mode* current = monitor ? layout::CurrentMode(*monitor) : nullptr;
    if (!current) return 0;
    const ListedMode mode = Listed(*state, *current);
    FillModeRecord(monitor->connector, mode.width, mode.height, kBitsPerPixel, mode.frequency, 0, record);
    return 1;
  }
  return listed_.Enumerate(modeNum, kBitsPerPixel, record, [this] { return ListOf(ReadStateOnce()); });
}

int32_t DisplayConfigSettings::Change(DisplayModeRecord& record, int32_t flags) {
  refusal_.clear();
  const ChangeRequest request = ReadChangeRequest(record, flags, kBitsPerPixel);
  if (request.refused != api::DispChangeSuccessful) return request.refused;

  // The serial and the layout as last read. The service refuses a configuration based on an older
  // state (access denied): a state kept from before is then read afresh, once.
  const bool kept = state_.Kept();
  const layout::State* state = ReadStateOnce();
  const layout::Monitor* monitor = state ? layout::PrimaryMonitor(*state) : nullptr;
  if (!monitor) return api::DispChangeFailed;
  const layout::Mode* current = layout::CurrentMode(*monitor);
  const ListedMode shown = current ? Listed(*state, *current) : ListedMode{};
  const int32_t width = request.width.value_or(shown.width);
  const int32_t height = request.height.value_or(shown.height);
  const std::string connector = monitor->connector;  // the state goes once applied
  const layout::Plan plan =
      layout::PlanSwitch(*state, width, height, request.rate, keptScales_.Read(connector));
  if (!plan.config) {
    refusal_ = QString::fromStdString(plan.refusal);
    return api::DispChangeBadMode;
  }
  if (request.test) return api::DispChangeSuccessful;

  qCDebug(lcGnome).noquote() << "ApplyMonitorsConfig"
                             << QString::fromStdString(layout::Describe(*plan.config));
  const bool confirmerRuns =
      service_.confirmer && bus_.interface()->isServiceRegistered(QLatin1String(service_.confirmer)).value();
  const bool stored = method_ == displayconfig::Method::kPersistent && StoresChoice(service_, confirmerRuns);
  const displayconfig::Method method = stored ? method_ : displayconfig::Method::kTemporary;
  const QDBusError error = displayconfig::Apply(bus_, service_, state->serial, method, *plan.config);
  state_.Forget();  // applied or refused, the next question reads the service's state afresh
  if (!error.isValid()) {
    keptScales_.Write(connector, plan.keep);
    return api::DispChangeSuccessful;
  }
  if (kept && error.type() == QDBusError::AccessDenied) return Change(record, flags);
  refusal_ = error.message();
  // An invalid mode or layout is refused as invalid arguments; a stale serial, as access denied.
  return error.type() == QDBusError::InvalidArgs ? api::DispChangeBadMode : api::DispChangeFailed;
}

}  // namespace linuxp
