#pragma once
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "ports/tray_shell.h"

namespace linuxp {

class QtGuiRuntime;

// The notification area through QSystemTrayIcon, which serves XEmbed system trays and
// StatusNotifierItem hosts alike. Icons are told apart by owner window and identifier, as the
// shell does; a press on an icon is handed on as the mouse-message code the shell would send.
class QtTrayShell : public QObject, public TrayShell {
  Q_OBJECT
 public:
  explicit QtTrayShell(QtGuiRuntime& runtime) : runtime_(runtime) {}
  ~QtTrayShell() override;

  // Receives (callback message, mouse-message code) for every press on an icon.
  std::function<void(int32_t message, int32_t code)> onPointer;

  // NIM_ADD shows an icon with the record's picture and tooltip, NIM_MODIFY replaces both,
  // NIM_DELETE removes the icon. Nonzero when the icon the record names was there to change.
  int32_t NotifyIcon(int32_t message, NotifyIconBuffer& data) override;

  // The icons now shown (for the window's tooltip checks and tests of the layer).
  size_t IconCount() const { return icons_.size(); }

 private:
  struct Entry {
    std::unique_ptr<QSystemTrayIcon> icon;
    int32_t callbackMessage = 0;
  };
  void Apply(Entry& entry, const NotifyIconBuffer& data);

  QtGuiRuntime& runtime_;
  std::map<std::pair<int32_t, int32_t>, Entry> icons_;
};

}  // namespace linuxp
