#include "tray_host_wait.h"

#include <QDBusConnection>
#include <QDBusInterface>

namespace linuxp {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

}  // namespace

TrayHostWait::TrayHostWait(std::function<void()> onHost)
    : onHost_(std::move(onHost)),
      watcher_(kWatcher, QDBusConnection::sessionBus(), QDBusServiceWatcher::WatchForRegistration) {
  // A panel starts the watcher and then registers as its host, or registers with a watcher already there.
  connect(&watcher_, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWait::Check);
  QDBusConnection::sessionBus().connect(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                        QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(Check()));
}

void TrayHostWait::Check() {
  QDBusInterface watcher(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher);
  if (watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool()) onHost_();
}

}  // namespace linuxp
