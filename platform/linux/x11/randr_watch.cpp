#include "randr_watch.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
// Xlib's macros (Bool, Status) must come after every Qt header.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace linuxp {
namespace {

constexpr int kQuietMs = 100;

}  // namespace

RandrWatch::RandrWatch(_XDisplay* display, std::function<void()> changed)
    : display_(display), changed_(std::move(changed)) {
  quiet_.setSingleShot(true);
  quiet_.setInterval(kQuietMs);
  connect(&quiet_, &QTimer::timeout, this, [this] {
    if (changed_) changed_();
  });
  int errorBase = 0;
  if (!XRRQueryExtension(display_, &eventBase_, &errorBase)) return;
  XRRSelectInput(display_, DefaultRootWindow(display_),
                 RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
  XFlush(display_);
  notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
  // Any Xlib call (the display settings' own requests) may read events into Xlib's queue, leaving
  // nothing on the socket to wake the notifier: look at the queue each time the loop goes to sleep.
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
      if (XEventsQueued(display_, QueuedAlready) > 0) Drain();
    });
}

RandrWatch::~RandrWatch() = default;

void RandrWatch::Drain() {
  bool changed = false;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    XRRUpdateConfiguration(&event);
    const int type = event.type - eventBase_;
    if (type == RRScreenChangeNotify || type == RRNotify) changed = true;
  }
  if (changed && !quiet_.isActive()) quiet_.start();  // one read for all that comes before it
}

}  // namespace linuxp
