#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mutter_config.h"
#include "ports/display_settings.h"

namespace linuxp {

// The display-settings service over GNOME's compositor (org.gnome.Mutter.DisplayConfig), on the
// monitor of the primary logical monitor (the first, when none is primary). Mode i is the i-th
// mode that monitor lists, each refresh rate its own; every mode carries 32 bits per pixel, the
// one pixel format GNOME composes in.
class GnomeDisplaySettings : public QObject, public DisplaySettings {
  Q_OBJECT
 public:
  explicit GnomeDisplaySettings(const QDBusConnection& bus);

  // Called whenever mutter reports a new configuration, by this program or another.
  std::function<void()> onChanged;
  // Applies persist unless told otherwise: GNOME then asks the user whether to keep the mode,
  // and takes it back after a while without an answer. A temporary apply is never asked about
  // and lasts for the session.
  void SetMethod(mutter::Method method) { method_ = method; }
  // Why the last change was refused (mutter's reason, or a mirror lacking the size), once; empty
  // when it was not refused.
  QString TakeRefusal();

  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override;
  // Applies a listed mode of that width and height to the primary logical monitor, with the scale,
  // mirrors and neighbours that layout::PlanSwitch works out (monitor_layout.h).
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;

 private Q_SLOTS:
  void MonitorsChanged();

 private:
  struct Mode {
    QString id;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t frequency = 0;  // whole hertz
  };
  static Mode From(const mutter::Mode& mode);
  static std::vector<Mode> Listed(const mutter::Monitor& monitor);
  static void Fill(const Mode& mode, const QString& connector, DisplayModeRecord& record);

  // mutter's state, read once for the calls the form makes in a row: kept until mutter reports a
  // change, this program applies one, or the program runs its events (see State).
  const mutter::State* State();
  void Forget() { state_.reset(); }

  QDBusConnection bus_;
  std::optional<mutter::State> state_;
  bool stateBeforeGui_ = false;  // read while no event could run
  mutter::Method method_ = mutter::Method::kPersistent;
  QString refusal_;
  std::vector<Mode> listed_;  // the modes as the last enumeration from index 0 listed them
  QString listedConnector_;
};

}  // namespace linuxp
