#pragma once
#include <QDBusConnection>

#include "ports/display_settings.h"

namespace linuxp {

// KDE's display daemon (KScreen) writes every change of the outputs into its store in the user's data folder
// and applies it at the next log-in, so a choice from the menu holds there with nothing written by velmora.
// Around a switch meant for the session only ("/s"), this service keeps that store as it was: it waits for
// the daemon's write and undoes it.
class KScreenSessionOnly : public DisplaySettings {
 public:
  KScreenSessionOnly(DisplaySettings& inner, const QDBusConnection& bus) : inner_(inner), bus_(bus) {}

  // From now on a change asked to be stored is a choice from the menu, which the daemon keeps.
  void SetKeeping(bool keeping) { keeping_ = keeping; }

  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override {
    return inner_.Enumerate(modeNum, record);
  }
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;

 private:
  DisplaySettings& inner_;
  QDBusConnection bus_;
  bool keeping_ = false;
};

}  // namespace linuxp
