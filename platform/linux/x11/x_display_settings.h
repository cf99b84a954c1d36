#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ports/display_settings.h"
#include "rules/listed_modes.h"
#include "rules/monitor_arrangement.h"
#include "rules/output_placement.h"
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
  // Switches the output's CRTC, and the CRTCs that mirror it, to a listed mode of that width and height
  // at the rate PickMode chooses (rules/refresh_rate.h); the other CRTCs keep their modes and move as
  // arrangement::Rearrange places them, and the screen becomes their bounding box. All under one server
  // grab: when a request fails, every CRTC and the screen size are put back. X keeps no stored default
  // mode, so the persist flag stores nothing: the result tells only whether the switch happened.
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;
  // Every output that shows something: its mode, place and rotation, and which is the primary.
  std::vector<OutputPlacement> Outputs() const;
  // Why the last change was refused (a mirror lacking the size, no place for the other monitors), once;
  // empty when it was not refused.
  std::string TakeRefusal();

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

  // A CRTC that shows something: where it is, its mode, and where it goes.
  struct Crtc {
    unsigned long id = 0;
    arrangement::Rect rect;  // as the desktop shows it, rotation included
    unsigned long mode = 0;
    unsigned short rotation = 0;
    std::vector<unsigned long> outputs;
    arrangement::Rect next;
  };

  Target FindTarget(_XRRScreenResources* res) const;
  // The output's EDID block; empty without one.
  std::vector<uint8_t> OutputEdid(unsigned long output) const;
  // The output's modes, as the desktop shows them under that rotation.
  std::vector<Mode> OutputModes(_XRRScreenResources* res, unsigned long output,
                                unsigned short rotation) const;
  // Sets each CRTC to its next place and mode (modes[i]) and the screen to screenW x screenH; on any
  // failure puts everything back. Whether it all went through.
  bool Apply(_XRRScreenResources* res, const std::vector<Crtc>& crtcs,
             const std::vector<unsigned long>& modes, int screenW, int screenH);
  // The target's modes as the menu numbers them; probe: ask the server to look at the outputs again.
  ModeList ReadList(bool probe) const;
  static Mode Describe(const _XRRModeInfo& info);
  static ListedMode Listed(const Mode& mode);

  _XDisplay* display_;
  unsigned long root_;
  int32_t bitsPerPixel_;  // the root window's: an X screen keeps one depth
  ListedModes listed_;
  bool probed_ = false;
  std::string refusal_;
};

// The X server named by DISPLAY, if it can be reached and offers RandR 1.2 or later;
// otherwise null, with the reason in `problem`.
XDisplayPtr OpenXDisplay(std::string& problem);

}  // namespace linuxp
