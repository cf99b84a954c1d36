#pragma once
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QSocketNotifier;
struct _XDisplay;

namespace linuxp {

// Tells when the X server's RandR configuration changes: the screen's size, a CRTC's mode, an output
// connected, disconnected or made primary, or the modes an output lists (xrandr --addmode and --delmode
// leave the screen's size alone, so Qt's screens never notice them). It reads the events of the
// program's own X connection, which nothing else reads, and calls `changed` once for a burst of them
// (a switch of several CRTCs, a desktop's settings applied): a moment after the first, at most once in that
// time.
class RandrWatch : public QObject {
 public:
  RandrWatch(_XDisplay* display, std::function<void()> changed);
  ~RandrWatch() override;

 private:
  void Drain();

  _XDisplay* display_;
  int eventBase_ = 0;
  std::function<void()> changed_;
  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer quiet_;
};

}  // namespace linuxp
