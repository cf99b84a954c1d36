#pragma once
#include <QObject>
#include <QString>
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
// Until ShowIcons the icons are records only: they show once the program runs its events (its
// event loop, or a box), so a "/s" run that shows nothing never puts one in the tray.
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

  // Shows every icon added so far, and from now on each one as it is added. Needs the GUI.
  void ShowIcons();

 private:
  using Key = std::pair<int32_t, int32_t>;
  struct Entry {
    std::unique_ptr<QSystemTrayIcon> icon;  // none until shown
    int32_t callbackMessage = 0;
    int32_t picture = 0;
    QString tip;
  };
  void Show(const Key& key, Entry& entry);
  void Update(Entry& entry);

  QtGuiRuntime& runtime_;
  std::map<Key, Entry> icons_;
  bool showing_ = false;
};

}  // namespace linuxp
