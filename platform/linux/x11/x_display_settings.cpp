#include "x_display_settings.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "rules/mode_record.h"
#include "rules/monitor_arrangement.h"
#include "rules/refresh_rate.h"
#include "rules/target_output.h"

namespace linuxp {
namespace {

constexpr uint32_t DM_INTERLACED = 0x2;

struct ResourcesDeleter {
  void operator()(XRRScreenResources* r) const { XRRFreeScreenResources(r); }
};
struct OutputDeleter {
  void operator()(XRROutputInfo* o) const { XRRFreeOutputInfo(o); }
};
struct CrtcDeleter {
  void operator()(XRRCrtcInfo* c) const { XRRFreeCrtcInfo(c); }
};
using Resources = std::unique_ptr<XRRScreenResources, ResourcesDeleter>;
using OutputInfo = std::unique_ptr<XRROutputInfo, OutputDeleter>;
using CrtcInfo = std::unique_ptr<XRRCrtcInfo, CrtcDeleter>;

// X errors raised by requests between Begin and End are counted instead of ending the program.
class ErrorTrap {
 public:
  explicit ErrorTrap(::Display* d) : display_(d) {
    XSync(display_, False);
    errors_ = 0;
    previous_ = XSetErrorHandler(&ErrorTrap::Handler);
  }
  ~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
  }
  bool Failed() {
    XSync(display_, False);
    return errors_ != 0;
  }

 private:
  static int Handler(::Display*, XErrorEvent*) {
    ++errors_;
    return 0;
  }
  static inline int errors_ = 0;
  ::Display* display_;
  int (*previous_)(::Display*, XErrorEvent*) = nullptr;
};

// Holds the X server for this client alone while it lives; the server is free again when it goes.
class ServerGrab {
 public:
  explicit ServerGrab(::Display* d) : display_(d) { XGrabServer(display_); }
  ~ServerGrab() {
    XUngrabServer(display_);
    XSync(display_, False);
  }
  ServerGrab(const ServerGrab&) = delete;
  ServerGrab& operator=(const ServerGrab&) = delete;

 private:
  ::Display* display_;
};

std::string SizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

bool Sideways(Rotation r) { return (r & (RR_Rotate_90 | RR_Rotate_270)) != 0; }

// Bits per pixel of the root window: the pixmap format that matches the default depth.
int32_t RootBitsPerPixel(::Display* display) {
  const int depth = DefaultDepth(display, DefaultScreen(display));
  int count = 0;
  const XFreePtr<XPixmapFormatValues[]> formats(XListPixmapFormats(display, &count));
  int32_t bpp = depth;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == depth) bpp = formats[i].bits_per_pixel;
  }
  return bpp;
}

}  // namespace

XDisplayPtr OpenXDisplay(std::string& problem) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    problem = "no X display: DISPLAY is not set. velmora runs on an X11 desktop (or under XWayland).";
    return nullptr;
  }
  XDisplayPtr display(XOpenDisplay(nullptr));
  if (!display) {
    problem = std::string("cannot open the X display \"") + name + "\".";
    return nullptr;
  }
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XRRQueryExtension(display.get(), &event, &error) || !XRRQueryVersion(display.get(), &major, &minor) ||
      (major == 1 && minor < 2)) {
    problem =
        std::string("the X display \"") + name + "\" lacks the RandR 1.2 extension needed to change modes.";
    return nullptr;
  }
  return display;
}

XDisplaySettings::XDisplaySettings(_XDisplay* display)
    : display_(display), root_(DefaultRootWindow(display)), bitsPerPixel_(RootBitsPerPixel(display)) {}

XDisplaySettings::Mode XDisplaySettings::Describe(const XRRModeInfo& info) {
  Mode m;
  m.id = info.id;
  m.width = static_cast<int32_t>(info.width);
  m.height = static_cast<int32_t>(info.height);
  double vTotal = info.vTotal;
  if (info.modeFlags & RR_DoubleScan) vTotal *= 2;
  if (info.modeFlags & RR_Interlace) vTotal /= 2;
  if (info.hTotal != 0 && vTotal != 0)
    m.refresh = static_cast<double>(info.dotClock) / (info.hTotal * vTotal);
  m.interlaced = (info.modeFlags & RR_Interlace) != 0;
  if (m.interlaced) m.flags |= DM_INTERLACED;
  return m;
}

// The output of the primary screen, as ChooseTargetOutput picks it.
XDisplaySettings::Target XDisplaySettings::FindTarget(XRRScreenResources* res) const {
  Target t;
  if (!res) return t;
  std::vector<OutputState> outputs;
  for (int i = 0; i < res->noutput; ++i) {
    OutputInfo info(XRRGetOutputInfo(display_, res, res->outputs[i]));
    if (info) outputs.push_back({res->outputs[i], info->connection == RR_Connected, info->crtc != 0});
  }
  const RROutput chosen = ChooseTargetOutput(XRRGetOutputPrimary(display_, root_), outputs);
  if (!chosen) return t;

  OutputInfo info(XRRGetOutputInfo(display_, res, chosen));
  t.output = chosen;
  t.crtc = info->crtc;
  t.name.assign(info->name, static_cast<size_t>(info->nameLen));
  Rotation rotation = RR_Rotate_0;
  if (t.crtc) {
    CrtcInfo crtc(XRRGetCrtcInfo(display_, res, t.crtc));
    if (crtc) rotation = crtc->rotation;
  }
  t.modes = OutputModes(res, chosen, rotation);
  return t;
}

ListedMode XDisplaySettings::Listed(const Mode& mode) {
  return {std::to_string(mode.id), mode.width, mode.height, static_cast<uint32_t>(std::lround(mode.refresh)),
          mode.flags};
}

ModeList XDisplaySettings::ReadList(bool probe) const {
  Resources res(probe ? XRRGetScreenResources(display_, root_)
                      : XRRGetScreenResourcesCurrent(display_, root_));
  const Target t = FindTarget(res.get());
  ModeList list{t.name, {}};
  for (const Mode& m : t.modes) list.modes.push_back(Listed(m));
  return list;
}

int32_t XDisplaySettings::Enumerate(int32_t modeNum, DisplayModeRecord& record) {
  if (modeNum == api::EnumCurrentSettings) {
    Resources res(XRRGetScreenResourcesCurrent(display_, root_));
    const Target t = FindTarget(res.get());
    if (!t.crtc) return 0;
    CrtcInfo crtc(XRRGetCrtcInfo(display_, res.get(), t.crtc));
    if (!crtc || crtc->mode == 0) return 0;
    for (int m = 0; m < res->nmode; ++m) {
      if (res->modes[m].id != crtc->mode) continue;
      Mode mode = Describe(res->modes[m]);
      if (Sideways(crtc->rotation)) std::swap(mode.width, mode.height);
      const ListedMode current = Listed(mode);
      FillModeRecord(t.name, current.width, current.height, bitsPerPixel_, current.frequency,
                     current.displayFlags, record);
      return 1;
    }
    return 0;
  }
  // Only the first list asks the server to probe the outputs (on real hardware: EDID reads, a flicker on some
  // drivers); a later one, after a notification, reads what the server already knows.
  return listed_.Enumerate(modeNum, bitsPerPixel_, record,
                           [this] { return ReadList(!std::exchange(probed_, true)); });
}

bool XDisplaySettings::ListChanged() const { return ReadList(false) != listed_.Listed(); }

std::vector<uint8_t> XDisplaySettings::OutputEdid(unsigned long output) const {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom edid = XInternAtom(display_, "EDID", True);
  if (edid == None || XRRGetOutputProperty(display_, output, edid, 0, 256, False, False, AnyPropertyType,
                                           &type, &format, &count, &after, &data) != Success)
    return {};
  const XFreePtr<unsigned char[]> owned(data);
  if (format != 8 || !data) return {};
  return std::vector<uint8_t>(data, data + count);
}

std::vector<OutputPlacement> XDisplaySettings::Outputs() const {
  std::vector<OutputPlacement> placed;
  Resources res(XRRGetScreenResourcesCurrent(display_, root_));
  if (!res) return placed;
  const RROutput primary = XRRGetOutputPrimary(display_, root_);
  for (int i = 0; i < res->noutput; ++i) {
    OutputInfo output(XRRGetOutputInfo(display_, res.get(), res->outputs[i]));
    CrtcInfo crtc(output && output->crtc ? XRRGetCrtcInfo(display_, res.get(), output->crtc) : nullptr);
    if (!crtc || crtc->mode == 0) continue;
    for (int m = 0; m < res->nmode; ++m) {
      if (res->modes[m].id != crtc->mode) continue;
      const Mode mode = Describe(res->modes[m]);
      const int32_t degrees = crtc->rotation & RR_Rotate_90    ? 90
                              : crtc->rotation & RR_Rotate_180 ? 180
                              : crtc->rotation & RR_Rotate_270 ? 270
                                                               : 0;
      placed.push_back({std::string(output->name, static_cast<size_t>(output->nameLen)), mode.width,
                        mode.height, mode.refresh, crtc->x, crtc->y, degrees, res->outputs[i] == primary,
                        ReadEdid(OutputEdid(res->outputs[i]))});
    }
  }
  return placed;
}

std::string XDisplaySettings::TakeRefusal() { return std::exchange(refusal_, std::string()); }

std::vector<XDisplaySettings::Mode> XDisplaySettings::OutputModes(XRRScreenResources* res,
                                                                  unsigned long output,
                                                                  unsigned short rotation) const {
  std::vector<Mode> modes;
  OutputInfo info(XRRGetOutputInfo(display_, res, output));
  if (!info) return modes;
  for (int k = 0; k < info->nmode; ++k) {
    for (int m = 0; m < res->nmode; ++m) {
      if (res->modes[m].id != info->modes[k]) continue;
      Mode mode = Describe(res->modes[m]);
      mode.preferred = k < info->npreferred;
      if (Sideways(rotation)) std::swap(mode.width, mode.height);  // as the desktop shows it
      modes.push_back(mode);
    }
  }
  return modes;
}

int32_t XDisplaySettings::Change(DisplayModeRecord& record, int32_t flags) {
  refusal_.clear();
  const ChangeRequest request = ReadChangeRequest(record, flags, bitsPerPixel_);
  if (request.refused != api::DispChangeSuccessful) return request.refused;

  Resources res(XRRGetScreenResourcesCurrent(display_, root_));
  const Target t = FindTarget(res.get());
  if (!t.output || !t.crtc) return api::DispChangeFailed;

  // Every CRTC that shows something, as it is; the target's first.
  std::vector<Crtc> crtcs;
  for (int i = 0; i < res->ncrtc; ++i) {
    CrtcInfo info(XRRGetCrtcInfo(display_, res.get(), res->crtcs[i]));
    if (!info || info->mode == 0) continue;
    Crtc c{res->crtcs[i],
           {info->x, info->y, static_cast<int32_t>(info->width), static_cast<int32_t>(info->height)},
           info->mode,
           info->rotation,
           {info->outputs, info->outputs + info->noutput},
           {}};
    crtcs.insert(c.id == t.crtc ? crtcs.begin() : crtcs.end(), std::move(c));
  }
  if (crtcs.empty() || crtcs.front().id != t.crtc) return api::DispChangeFailed;
  const arrangement::Rect shown = crtcs.front().rect;
  const int32_t width = request.width.value_or(shown.width);
  const int32_t height = request.height.value_or(shown.height);

  // The target and the CRTCs that mirror it take a mode of the new size, each at its own rate in force.
  std::vector<unsigned long> modes(crtcs.size(), 0);
  std::vector<arrangement::Rect> rects;
  std::vector<size_t> rectOf(crtcs.size(), 0);
  for (size_t i = 0; i < crtcs.size(); ++i) {
    const Crtc& c = crtcs[i];
    if (i > 0 && c.rect != shown) {
      rectOf[i] = rects.size();
      rects.push_back(c.rect);
      modes[i] = c.mode;
      continue;
    }
    if (i == 0) rects.push_back(shown);
    const std::vector<Mode> listed = i == 0 ? t.modes : OutputModes(res.get(), c.outputs.front(), c.rotation);
    double inForce = 0;
    for (const Mode& m : listed)
      if (m.id == c.mode) inForce = m.refresh;
    const Mode* chosen = PickMode(listed, width, height, inForce, request.rate);
    if (!chosen && i == 0) return api::DispChangeBadMode;
    if (!chosen) {
      OutputInfo info(XRRGetOutputInfo(display_, res.get(), c.outputs.front()));
      refusal_ = (info ? std::string(info->name, static_cast<size_t>(info->nameLen)) : std::string()) +
                 " has no " + SizeText(width, height) + " mode to mirror " + t.name;
      return api::DispChangeBadMode;
    }
    modes[i] = chosen->id;
  }
  const std::optional<std::vector<arrangement::Rect>> placed =
      arrangement::Rearrange(rects, 0, width, height);
  if (!placed) {
    refusal_ = "the other monitors cannot stay beside " + t.name + " at " + SizeText(width, height);
    return api::DispChangeBadMode;
  }

  // The screen becomes the monitors' bounding box, within the sizes the server allows.
  int minW = 0, minH = 0, maxW = 0, maxH = 0;
  XRRGetScreenSizeRange(display_, root_, &minW, &minH, &maxW, &maxH);
  const arrangement::Rect bounds = arrangement::Bounds(*placed);
  const int screenW = std::max(bounds.width, minW);
  const int screenH = std::max(bounds.height, minH);
  if (screenW > maxW || screenH > maxH) {
    refusal_ = "the screen cannot be " + SizeText(screenW, screenH) + " pixels (at most " +
               SizeText(maxW, maxH) + ")";
    return api::DispChangeFailed;
  }
  if (request.test) return api::DispChangeSuccessful;
  for (size_t i = 0; i < crtcs.size(); ++i) crtcs[i].next = (*placed)[rectOf[i]];
  if (Apply(res.get(), crtcs, modes, screenW, screenH)) return api::DispChangeSuccessful;
  refusal_ = "the X server refused the change; every output is as it was";
  return api::DispChangeFailed;
}

bool XDisplaySettings::Apply(XRRScreenResources* res, const std::vector<Crtc>& crtcs,
                             const std::vector<unsigned long>& modes, int screenW, int screenH) {
  const int screen = DefaultScreen(display_);
  const int curW = DisplayWidth(display_, screen), curH = DisplayHeight(display_, screen);
  const int curMmW = DisplayWidthMM(display_, screen), curMmH = DisplayHeightMM(display_, screen);
  // Keep the physical size per pixel; without one, assume 96 dots per inch.
  auto mm = [](int px, int curPx, int curMm) {
    return curMm > 0 && curPx > 0 ? static_cast<int>(std::lround(static_cast<double>(px) * curMm / curPx))
                                  : static_cast<int>(std::lround(px * 25.4 / 96.0));
  };
  const auto setScreen = [&](int w, int h) {
    XRRSetScreenSize(display_, root_, w, h, mm(w, curW, curMmW), mm(h, curH, curMmH));
  };
  const auto setCrtc = [&](const Crtc& c, const arrangement::Rect& at, unsigned long mode) {
    std::vector<RROutput> outputs(c.outputs.begin(), c.outputs.end());
    return XRRSetCrtcConfig(display_, res, c.id, CurrentTime, at.x, at.y, mode, c.rotation, outputs.data(),
                            static_cast<int>(outputs.size())) == RRSetConfigSuccess;
  };

  ErrorTrap trap(display_);
  const ServerGrab grab(display_);  // let go before the trap: errors of the ungrab are trapped too
  // Grow first so that both the old and the new places fit, set the CRTCs, then shrink to the final size.
  const int growW = std::max(curW, screenW), growH = std::max(curH, screenH);
  if (growW != curW || growH != curH) setScreen(growW, growH);
  bool ok = !trap.Failed();
  size_t changed = 0;
  for (; ok && changed < crtcs.size(); ++changed) {
    const Crtc& c = crtcs[changed];
    if (c.next == c.rect && modes[changed] == c.mode) continue;
    ok = setCrtc(c, c.next, modes[changed]) && !trap.Failed();
    if (!ok) break;
  }
  if (ok && (screenW != growW || screenH != growH)) {
    setScreen(screenW, screenH);
    ok = !trap.Failed();
  }
  if (ok) return true;
  // Every CRTC as it was, the one that failed too (the screen still holds their old places), then the
  // screen's old size.
  for (size_t i = std::min(changed + 1, crtcs.size()); i-- > 0;)
    setCrtc(crtcs[i], crtcs[i].rect, crtcs[i].mode);
  setScreen(curW, curH);
  return false;
}

}  // namespace linuxp
