#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

#include "display_config_bus.h"
#include "kept_scales.h"
#include "ports/display_settings.h"
#include "rules/kept_state.h"
#include "rules/listed_modes.h"

namespace linuxp {

// The display-settings service over the desktop's display-configuration service (GNOME's mutter,
// Cinnamon's muffin), on
// the monitor of the primary logical monitor (the first, when none is primary). Mode i is the i-th
// mode that monitor lists, each refresh rate its own; every mode carries 32 bits per pixel, the one
// pixel format the desktop composes in.
class DisplayConfigSettings : public QObject, public DisplaySettings {
  Q_OBJECT
 public:
  DisplayConfigSettings(const QDBusConnection& bus, const DisplayConfigService& service);

  // Called whenever the service reports a new configuration, by this program or another.
  std::function<void()> onChanged;
  // Applies persist unless told otherwise: the desktop then asks the user whether to keep the mode,
  // and takes it back after a while without an answer (where nobody would ask, StoresChoice, the
  // apply is temporary). A temporary apply is never asked about and lasts for the session.
  void SetMethod(displayconfig::Method method) { method_ = method; }
  // Why the last change was refused (the service's reason, or a mirror lacking the size), once;
  // empty when it was not refused.
  QString TakeRefusal();

  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override;
  // Applies a listed mode of that width and height to the primary logical monitor, with the scale,
  // mirrors and neighbours that layout::PlanSwitch works out (rules/monitor_layout.h).
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;

 private Q_SLOTS:
  void MonitorsChanged();

 private:
  // The service's state, read once for the calls the form makes in a row: kept until it reports a
  // change, this program applies one, or the program runs its events.
  const layout::State* ReadStateOnce();

  QDBusConnection bus_;
  const DisplayConfigService& service_;
  KeptState<layout::State> state_;
  displayconfig::Method method_ = displayconfig::Method::kPersistent;
  QString refusal_;
  ListedModes listed_;
  KeptScales keptScales_;
};

}  // namespace linuxp
