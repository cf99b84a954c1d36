#pragma once
#include <functional>
#include <string>

#include "ports/display_settings.h"
#include "rules/kept_mode.h"

namespace linuxp {

// A display-settings service that keeps a choice from the menu as the output's default, around the service
// that changes modes: in the desktop's own store where it has one velmora writes (Xfce), else in velmora's
// settings file, for a desktop that keeps none of its own (rules/kept_mode.h).
class KeptModeSettings : public DisplaySettings {
 public:
  // storeInDesktop: where the desktop keeps the choice instead (Xfce), writes it there; velmora keeps none.
  explicit KeptModeSettings(DisplaySettings& inner, std::function<bool()> storeInDesktop = {})
      : inner_(inner), storeInDesktop_(std::move(storeInDesktop)) {}

  // Whether a change asked to be stored is kept: a choice from the menu, not a "/s" switch.
  void SetKeeping(bool keeping) { keeping_ = keeping; }
  // As the resident program starts: applies the kept mode, or drops it where the output no longer offers it.
  void ApplyKept();
  // After the display changed: a mode set by another program replaces the kept one.
  void DisplayChanged();

  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override {
    return inner_.Enumerate(modeNum, record);
  }
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;

 private:
  DisplaySettings& inner_;
  std::function<bool()> storeInDesktop_;
  bool keeping_ = false;
};

}  // namespace linuxp
