// The StatusNotifierWatcher on the session bus, through which a panel shows StatusNotifierItems.
#pragma once
#include <QString>

namespace linuxp::status_notifier {

inline const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
inline const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// Whether a panel has registered with the watcher to show the items.
bool HostRegistered();

}  // namespace linuxp::status_notifier
