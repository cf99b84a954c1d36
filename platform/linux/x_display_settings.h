#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ports/display_settings.h"
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

  // Bits per pixel of the root window: the pixmap format that matches the default depth.
  int32_t RootBitsPerPixel() const;

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
  static Mode Describe(const _XRRModeInfo& info);
  void Fill(const Mode& mode, const std::string& outputName, DisplayModeRecord& record) const;

  _XDisplay* display_;
  unsigned long root_;
  std::vector<Mode> listed_;  // the modes as the last enumeration from index 0 listed them
  std::string listedOutput_;
};

// The X server named by DISPLAY, if it can be reached and offers RandR 1.2 or later;
// otherwise null, with the reason in `problem`.
XDisplayPtr OpenXDisplay(std::string& problem);

}  // namespace linuxp
