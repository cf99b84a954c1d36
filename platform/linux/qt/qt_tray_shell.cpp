#include "qt_tray_shell.h"

#include <QMenu>
#include <QString>

#include "qt_gui_runtime.h"
#include "status_notifier_watcher.h"
#include "tray/code_page_932.h"

namespace linuxp {
namespace {

namespace nid = api::nid;

// The press that the shell reports for each way the tray host activates an icon.
int32_t CodeFor(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger: return api::WmLButtonDown;
    case QSystemTrayIcon::Context: return api::WmRButtonDown;
    case QSystemTrayIcon::DoubleClick: return api::WmLButtonDblClk;
    case QSystemTrayIcon::MiddleClick: return api::WmMButtonDown;
    default: return 0;
  }
}

// Whether Qt shows icons as StatusNotifierItems: it asks the watcher the same question once.
bool StatusNotifierHost() {
  static const bool registered = status_notifier::HostRegistered();
  return registered;
}

}  // namespace

QtTrayShell::~QtTrayShell() = default;

void QtTrayShell::ShowIcons() {
  showing_ = true;
  for (auto& [key, entry] : icons_)
    if (!entry.icon) Show(key, entry);
}

void QtTrayShell::Update(Entry& entry) {
  entry.icon->setIcon(runtime_.IconFor(entry.picture));
  entry.icon->setToolTip(entry.tip);
}

void QtTrayShell::Show(const Key& key, Entry& entry) {
  entry.icon = std::make_unique<QSystemTrayIcon>();
  Update(entry);
  QSystemTrayIcon* icon = entry.icon.get();
  connect(icon, &QSystemTrayIcon::activated, this, [this, key](QSystemTrayIcon::ActivationReason reason) {
    const auto it = icons_.find(key);
    const int32_t code = CodeFor(reason);
    if (it == icons_.end() || code == 0 || !onPointer) return;
    onPointer(it->second.callbackMessage, code);
  });
  if (StatusNotifierHost()) {
    // The host shows the menu itself: as it asks for the menu, the form hears a right press
    // and fills it.
    QMenu* menu = runtime_.HostMenu();
    icon->setContextMenu(menu);
    connect(menu, &QMenu::aboutToShow, icon, [this, key] {
      const auto it = icons_.find(key);
      if (it == icons_.end() || !onPointer) return;
      runtime_.hostAsks = true;
      onPointer(it->second.callbackMessage, api::WmRButtonDown);
      runtime_.hostAsks = false;
    });
  }
  icon->show();
}

int32_t QtTrayShell::NotifyIcon(int32_t message, NotifyIconBuffer& data) {
  const Key key = std::make_pair(nid::Read(data, nid::hWnd), nid::Read(data, nid::uID));
  auto found = icons_.find(key);
  // The record's picture, callback and tooltip (the text before the NUL of the 64-byte field).
  const auto take = [&data](Entry& entry) {
    entry.callbackMessage = nid::Read(data, nid::uCallbackMessage);
    entry.picture = nid::Read(data, nid::hIcon);
    size_t length = 0;
    while (length < nid::kTipBytes && data[nid::szTip + length] != 0) ++length;
    const std::u16string tip =
        FromCodePage932(std::string_view(reinterpret_cast<const char*>(data.data() + nid::szTip), length));
    entry.tip = QString::fromUtf16(tip.data(), static_cast<qsizetype>(tip.size()));
  };
  switch (message) {
    case api::NimAdd: {
      if (found != icons_.end()) return 0;  // the shell refuses a second icon with the same key
      Entry& entry = icons_[key];
      take(entry);
      if (showing_) Show(key, entry);
      return 1;
    }
    case api::NimModify:
      if (found == icons_.end()) return 0;
      take(found->second);
      if (found->second.icon) Update(found->second);
      return 1;
    case api::NimDelete: {
      if (found == icons_.end()) return 0;
      // The icon may be the one whose press is being handled: let Qt delete it afterwards.
      if (QSystemTrayIcon* icon = found->second.icon.release()) {
        icon->hide();
        icon->deleteLater();
      }
      icons_.erase(found);
      return 1;
    }
    default: return 0;
  }
}

}  // namespace linuxp
