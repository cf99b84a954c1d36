#pragma once
#include <unistd.h>

#include <QObject>
#include <array>
#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace linuxp {

// A file descriptor with one owner, closed when the owner goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// Turns SIGTERM, SIGINT and SIGHUP into a call on the GUI thread: the way a desktop's task
// manager or the end of the session asks the program to stop. The signals are caught from the
// start; they are handed on once Listen has been called and the program runs its events.
class SignalRelay : public QObject {
  Q_OBJECT
 public:
  explicit SignalRelay(std::function<void(int signal)> onSignal);
  ~SignalRelay() override;

  // Hands on the signals caught so far and every later one, as the program runs its events (an
  // event loop must be able to run: call it once the GUI is up).
  void Listen();

 private:
  static void Handler(int signal);
  std::function<void(int)> onSignal_;
  UniqueFd writeEnd_;  // the handlers write the signal's number here
  UniqueFd readEnd_;
  std::unique_ptr<QSocketNotifier> notifier_;   // goes before the descriptor it watches
  std::array<struct sigaction, 3> previous_{};  // restored when the relay goes
};

}  // namespace linuxp
