#pragma once
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace linuxp {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the GUI thread: the way a desktop's task
// manager or the end of the session asks the program to stop.
class SignalRelay : public QObject {
  Q_OBJECT
 public:
  explicit SignalRelay(std::function<void(int signal)> onSignal);
  ~SignalRelay() override;

 private:
  static void Handler(int signal);
  std::function<void(int)> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace linuxp
