#include "tray_host_wait.h"

#include <QDBusConnection>
#include <QSystemTrayIcon>

#include "gnome/shell_extensions.h"
#include "qt/message_box.h"
#include "qt/status_notifier_watcher.h"
#include "rules/desktop.h"
#include "rules/no_tray.h"

namespace linuxp {

using status_notifier::kWatcher;
using status_notifier::kWatcherPath;

TrayHostWait::TrayHostWait(std::function<void()> onHost, std::function<void(int)> end)
    : onHost_(std::move(onHost)),
      end_(std::move(end)),
      watcher_(kWatcher, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForRegistration) {
  // A panel starts the watcher and then registers as its host, or registers with a watcher already there.
  connect(&watcher_, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWait::Check);
  QDBusConnection::sessionBus().connect(kWatcher, kWatcherPath, kWatcher,
                                        QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(Check()));
  patience_.setSingleShot(true);
  connect(&patience_, &QTimer::timeout, this, &TrayHostWait::NoTray);
  patience_.start(kPatienceMs);
}

void TrayHostWait::Check() {
  if (status_notifier::HostRegistered()) onHost_();
}

void TrayHostWait::NoTray() {
  Check();                                               // a host that registered before this wait began
  if (QSystemTrayIcon::isSystemTrayAvailable()) return;  // an XEmbed tray has taken the icon
  const QDBusConnection bus = QDBusConnection::sessionBus();
  const auto extensions = shell_extensions::List(bus);
  const Desktop desktop = WhichDesktop(extensions.has_value(), qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
  const NoTrayBox decided = DecideNoTray(desktop, extensions.value_or(std::vector<ShellExtension>{}), asked_);
  MessageBox box(decided.enable.empty() ? MessageBox::Kind::kMessage : MessageBox::Kind::kQuestion,
                 QString::fromStdString(decided.text), QString());
  // A tray that starts while the box is up takes the icon: the box goes, and the program stays.
  bool trayCame = false;
  QTimer poll;
  connect(&poll, &QTimer::timeout, &box, [&] {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    trayCame = true;
    box.reject();
  });
  poll.start(500);
  const bool yes = box.Ask();
  if (trayCame) return;
  if (yes && !decided.enable.empty()) {
    asked_ = true;
    shell_extensions::Enable(bus, decided.enable);  // its host registers, and Check restarts the program
    patience_.start(kPatienceMs);                   // or, failing that, the box says so once more
    return;
  }
  end_(kNoTrayExit);
}

}  // namespace linuxp
