#include "x_display_settings.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "rules/mode_record.h"
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
  for (int k = 0; k < info->nmode; ++k) {
    for (int m = 0; m < res->nmode; ++m) {
      if (res->modes[m].id != info->modes[k]) continue;
      Mode mode = Describe(res->modes[m]);
      mode.preferred = k < info->npreferred;
      if (Sideways(rotation)) std::swap(mode.width, mode.height);  // as the desktop shows it
      t.modes.push_back(mode);
    }
  }
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
  return listed_.Enumerate(modeNum, bitsPerPixel_, record, [this] { return ReadList(true); });
}

bool XDisplaySettings::ListChanged() const { return ReadList(false) != listed_.Listed(); }

int32_t XDisplaySettings::Change(DisplayModeRecord& record, int32_t flags) {
  const ChangeRequest request = ReadChangeRequest(record, flags, bitsPerPixel_);
  if (request.refused != api::DispChangeSuccessful) return request.refused;

  Resources res(XRRGetScreenResourcesCurrent(display_, root_));
  const Target t = FindTarget(res.get());
  if (!t.output || !t.crtc) return api::DispChangeFailed;
  CrtcInfo crtc(XRRGetCrtcInfo(display_, res.get(), t.crtc));
  if (!crtc) return api::DispChangeFailed;

  const int32_t width = request.width.value_or(static_cast<int32_t>(crtc->width));
  const int32_t height = request.height.value_or(static_cast<int32_t>(crtc->height));

  double inForce = 0;
  for (int m = 0; m < res->nmode; ++m)
    if (res->modes[m].id == crtc->mode) inForce = Describe(res->modes[m]).refresh;
  const Mode* target = PickMode(t.modes, width, height, inForce, request.rate);
  if (!target) return api::DispChangeBadMode;
  if (request.test) return api::DispChangeSuccessful;

  // The screen must hold every active CRTC: this one at its place with the new size, the
  // others as they are.
  int screenW = crtc->x + width;
  int screenH = crtc->y + height;
  for (int i = 0; i < res->ncrtc; ++i) {
    if (res->crtcs[i] == t.crtc) continue;
    CrtcInfo other(XRRGetCrtcInfo(display_, res.get(), res->crtcs[i]));
    if (!other || other->mode == 0) continue;
    screenW = std::max(screenW, other->x + static_cast<int>(other->width));
    screenH = std::max(screenH, other->y + static_cast<int>(other->height));
  }
  int minW = 0, minH = 0, maxW = 0, maxH = 0;
  XRRGetScreenSizeRange(display_, root_, &minW, &minH, &maxW, &maxH);
  screenW = std::max(screenW, minW);
  screenH = std::max(screenH, minH);
  if (screenW > maxW || screenH > maxH) return api::DispChangeFailed;

  const int screen = DefaultScreen(display_);
  const int curW = DisplayWidth(display_, screen), curH = DisplayHeight(display_, screen);
  const int curMmW = DisplayWidthMM(display_, screen), curMmH = DisplayHeightMM(display_, screen);
  // Keep the physical size per pixel; without one, assume 96 dots per inch.
  auto mm = [](int px, int curPx, int curMm) {
    return curMm > 0 && curPx > 0 ? static_cast<int>(std::lround(static_cast<double>(px) * curMm / curPx))
                                  : static_cast<int>(std::lround(px * 25.4 / 96.0));
  };

  ErrorTrap trap(display_);
  const ServerGrab grab(display_);  // let go before the trap: errors of the ungrab are trapped too
  bool ok = true;
  // Grow first so that the CRTC fits, set the CRTC, then shrink to the final size.
  const int growW = std::max(curW, screenW), growH = std::max(curH, screenH);
  if (growW != curW || growH != curH)
    XRRSetScreenSize(display_, root_, growW, growH, mm(growW, curW, curMmW), mm(growH, curH, curMmH));
  ok = !trap.Failed();
  if (ok) {
    RROutput* outputs = crtc->outputs;
    const Status s = XRRSetCrtcConfig(display_, res.get(), t.crtc, CurrentTime, crtc->x, crtc->y, target->id,
                                      crtc->rotation, outputs, crtc->noutput);
    ok = s == RRSetConfigSuccess && !trap.Failed();
  }
  if (ok && (screenW != growW || screenH != growH)) {
    XRRSetScreenSize(display_, root_, screenW, screenH, mm(screenW, curW, curMmW), mm(screenH, curH, curMmH));
    ok = !trap.Failed();
  }
  if (!ok && (growW != curW || growH != curH)) {
    // The CRTC kept its old mode: give the screen its old size back.
    XRRSetScreenSize(display_, root_, curW, curH, curMmW, curMmH);
  }
  // Nothing is stored for later sessions whatever the flags say: X has no stored default mode.
  return ok ? api::DispChangeSuccessful : api::DispChangeFailed;
}

}  // namespace linuxp
