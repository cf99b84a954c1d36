#pragma once
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>

namespace linuxp {

// Where only a StatusNotifierItem host can show tray icons (a Wayland session), Qt looks for the host once,
// when the first icon is made, and never again. Started before the desktop's panel, the program waits for a
// host to register, then calls onHost, which starts the program afresh to show its icon.
class TrayHostWait : public QObject {
  Q_OBJECT
 public:
  explicit TrayHostWait(std::function<void()> onHost);

 private Q_SLOTS:
  void Check();

 private:
  std::function<void()> onHost_;
  QDBusServiceWatcher watcher_;
};

}  // namespace linuxp
