#include "x_system_calls.h"

#include <QTimer>
#include <memory>
// Xlib's macros (Bool, Status) must come after every Qt header.
#include <X11/Xlib.h>

namespace linuxp {
namespace {

constexpr int kDefaultTimeout = 600;  // the X server's own default, seconds
constexpr int kPollMs = 50;
constexpr int kMaxWaitMs = 3000;

// Whether a key or a pointer button is held down now.
bool InputHeld(::Display* display) {
  char keys[32] = {};
  XQueryKeymap(display, keys);
  for (char k : keys) {
    if (k != 0) return true;
  }
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rx, &ry, &wx, &wy, &mask);
  return (mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)) != 0;
}

}  // namespace

int32_t XSystemCalls::SetForegroundWindow(int32_t /*hWnd*/) {
  if (activateForm) activateForm();
  return 1;
}

// Any input ends the X screen saver, the release of the key that chose the menu item too: the
// saver starts once no key or button is held, or after a few seconds at most.
void XSystemCalls::StartScreenSaver() {
  auto* timer = new QTimer(&waits_);
  auto waited = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, timer, [this, timer, waited] {
    *waited += kPollMs;
    if (InputHeld(display_) && *waited < kMaxWaitMs) return;
    timer->stop();
    timer->deleteLater();
    XActivateScreenSaver(display_);
    XFlush(display_);
  });
  timer->start(kPollMs);
}

int32_t XSystemCalls::SystemParameters(int32_t action, int32_t uiParam, int32_t /*fWinIni*/) {
  if (action != api::SpiSetScreenSaveActive) return 0;
  int timeout = 0, interval = 0, preferBlanking = 0, allowExposures = 0;
  XGetScreenSaver(display_, &timeout, &interval, &preferBlanking, &allowExposures);
  int wanted = 0;
  if (uiParam == 0) {
    if (timeout > 0) savedTimeout_ = timeout;
    wanted = 0;
  } else {
    wanted = timeout > 0 ? timeout : (savedTimeout_ > 0 ? savedTimeout_ : kDefaultTimeout);
  }
  XSetScreenSaver(display_, wanted, interval, preferBlanking, allowExposures);
  XSync(display_, False);
  int now = -1;
  XGetScreenSaver(display_, &now, &interval, &preferBlanking, &allowExposures);
  return now == wanted ? 1 : 0;
}

}  // namespace linuxp
