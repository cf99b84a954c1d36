#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ports/display_settings.h"
#include "rules/listed_modes.h"
#include "x_owners.h"

struct _XDisplay;
struct _XRRScreenResources;
struct _XRRModeInfo;

namespace linuxp {

// The display-settings service over XRandR, on the output that drives the primary screen (or
// the first connected output with a CRTC). Mode i is the i-th mode that output lists, in the
// server's order; every mode carries the root window's bits per pixel as its depth, since an
// X screen keeps one depth whatever the resolution.
class XDisplaySettings : public DisplaySettings {
 public:
  explicit XDisplaySettings(_XDisplay* display);

  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override;
  // Switches the output's CRTC to a listed mode of that width and height, at the rate PickMode
  // chooses (refresh_rate.h), resizing the screen as needed. X keeps no stored default
  // mode, so the persist flag stores nothing: the result tells only whether the switch happened.
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;

  // Whether the output's modes are no longer those the last enumeration from index 0 listed. The X
  // server tells of a mode added to an output, not of one deleted from it (xrandr --delmode).
  bool ListChanged() const;

 private:
  struct Mode {
    unsigned long id = 0;  // the RandR mode
    int32_t width = 0;
    int32_t height = 0;
    double refresh = 0;  // hertz, 0 when the mode has no timing
    uint32_t flags = 0;
    bool interlaced = false;
    bool preferred = false;  // among the output's preferred modes
  };
  struct Target {
    unsigned long output = 0;
    unsigned long crtc = 0;
    std::string name;
    std::vector<Mode> modes;
  };

  Target FindTarget(_XRRScreenResources* res) const;
  // The target's modes as the menu numbers them; probe: ask the server to look at the outputs again.
  ModeList ReadList(bool probe) const;
  static Mode Describe(const _XRRModeInfo& info);
  static ListedMode Listed(const Mode& mode);

  _XDisplay* display_;
  unsigned long root_;
  int32_t bitsPerPixel_;  // the root window's: an X screen keeps one depth
  ListedModes listed_;
};

// The X server named by DISPLAY, if it can be reached and offers RandR 1.2 or later;
// otherwise null, with the reason in `problem`.
XDisplayPtr OpenXDisplay(std::string& problem);

}  // namespace linuxp
