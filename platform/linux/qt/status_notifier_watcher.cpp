#include "status_notifier_watcher.h"

#include <QDBusInterface>

namespace linuxp::status_notifier {

bool HostRegistered() {
  QDBusInterface watcher(kWatcher, kWatcherPath, kWatcher);
  return watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool();
}

}  // namespace linuxp::status_notifier
