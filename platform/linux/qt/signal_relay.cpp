#include "signal_relay.h"

#include <sys/socket.h>

#include <QSocketNotifier>
#include <cerrno>

namespace linuxp {
namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The relay's write end, for a signal handler, which can take no lock; -1 while there is no relay.
volatile std::sig_atomic_t handlerWriteEnd = -1;

}  // namespace

SignalRelay::SignalRelay(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
  int ends[2] = {-1, -1};
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
  writeEnd_.reset(ends[0]);
  readEnd_.reset(ends[1]);
  handlerWriteEnd = writeEnd_.get();
  struct sigaction action {};
  action.sa_handler = &SignalRelay::Handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

void SignalRelay::Listen() {
  if (readEnd_.get() < 0 || notifier_) return;
  notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    unsigned char signal = 0;
    if (::read(readEnd_.get(), &signal, 1) == 1 && onSignal_) onSignal_(signal);
  });
}

SignalRelay::~SignalRelay() {
  if (writeEnd_.get() < 0) return;  // no socket pair, so no handlers were installed
  for (size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  handlerWriteEnd = -1;
}

void SignalRelay::Handler(int signal) {
  const int interruptedErrno = errno;  // the code the signal interrupted may be about to read it
  const unsigned char byte = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(handlerWriteEnd, &byte, 1);
  errno = interruptedErrno;
}

}  // namespace linuxp
