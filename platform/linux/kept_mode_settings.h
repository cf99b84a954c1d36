#pragma once
#include <string>

#include "ports/display_settings.h"
#include "rules/kept_mode.h"

namespace linuxp {

// A display-settings service that keeps a choice from the menu as the output's default in velmora's settings
// file, for a desktop that keeps none of its own (rules/kept_mode.h), around the service that changes modes.
class KeptModeSettings : public DisplaySettings {
 public:
  explicit KeptModeSettings(DisplaySettings& inner) : inner_(inner) {}

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
  bool keeping_ = false;
};

}  // namespace linuxp
