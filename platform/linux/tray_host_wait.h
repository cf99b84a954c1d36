#pragma once
#include <QDBusServiceWatcher>
#include <QObject>
#include <QTimer>
#include <functional>

namespace linuxp {

// Waits for a notification area while none shows the icon. Qt finds an XEmbed tray that starts later
// itself, but looks for a StatusNotifierItem host only once, when the first icon is made: when a host
// registers, onHost starts the program afresh to show its icon. A login may start the program before
// the panel, so it waits a few seconds; then, with still no tray, it says so in a box (DecideNoTray):
// on GNOME Shell with a tray extension installed but off it offers to switch it on and waits again;
// otherwise, or when the user declines, it calls end with the status the program ends with.
class TrayHostWait : public QObject {
  Q_OBJECT
 public:
  TrayHostWait(std::function<void()> onHost, std::function<void(int status)> end);

  static constexpr int kPatienceMs = 5000;

 private Q_SLOTS:
  void Check();

 private:
  void NoTray();

  std::function<void()> onHost_;
  std::function<void(int)> end_;
  QDBusServiceWatcher watcher_;
  QTimer patience_;
  bool asked_ = false;  // the user has let the program switch an extension on
};

}  // namespace linuxp
