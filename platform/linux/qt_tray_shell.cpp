#include "qt_tray_shell.h"

#include <QString>

#include <cstdio>

#include "qt_gui_runtime.h"

namespace linuxp {
namespace {

constexpr int32_t WM_LBUTTONDOWN = 0x201;
constexpr int32_t WM_LBUTTONDBLCLK = 0x203;
constexpr int32_t WM_RBUTTONDOWN = 0x204;
constexpr int32_t WM_MBUTTONDOWN = 0x207;
constexpr size_t kTipOffset = 24;
constexpr size_t kTipBytes = 64;

int32_t GetInt(const NotifyIconBuffer& b, size_t at) {
  uint32_t u = 0;
  for (size_t k = 0; k < 4; ++k) u |= static_cast<uint32_t>(b[at + k]) << (8 * k);
  return static_cast<int32_t>(u);
}

// The press that the shell reports for each way the tray host activates an icon.
int32_t CodeFor(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger: return WM_LBUTTONDOWN;
    case QSystemTrayIcon::Context: return WM_RBUTTONDOWN;
    case QSystemTrayIcon::DoubleClick: return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::MiddleClick: return WM_MBUTTONDOWN;
    default: return 0;
  }
}

}  // namespace

QtTrayShell::~QtTrayShell() = default;

void QtTrayShell::Apply(Entry& entry, const NotifyIconBuffer& data) {
  entry.callbackMessage = GetInt(data, 16);
  entry.icon->setIcon(runtime_.IconFor(GetInt(data, 20)));
  // The tooltip is the text before the NUL of the 64-byte field, in UTF-8.
  size_t length = 0;
  while (length < kTipBytes && data[kTipOffset + length] != 0) ++length;
  const std::u16string tip =
      runtime_.FromAnsi(std::string_view(reinterpret_cast<const char*>(data.data() + kTipOffset), length));
  entry.icon->setToolTip(QString::fromUtf16(tip.data(), static_cast<qsizetype>(tip.size())));
}

int32_t QtTrayShell::NotifyIcon(int32_t message, NotifyIconBuffer& data) {
  const auto key = std::make_pair(GetInt(data, 4), GetInt(data, 8));
  auto found = icons_.find(key);
  switch (message) {
    case NIM_ADD: {
      if (found != icons_.end()) return 0;  // the shell refuses a second icon with the same key
      Entry& entry = icons_[key];
      entry.icon = std::make_unique<QSystemTrayIcon>();
      Apply(entry, data);
      QSystemTrayIcon* icon = entry.icon.get();
      connect(icon, &QSystemTrayIcon::activated, this, [this, key](QSystemTrayIcon::ActivationReason reason) {
        const auto it = icons_.find(key);
        const int32_t code = CodeFor(reason);
        if (it == icons_.end() || code == 0 || !onPointer) return;
        onPointer(it->second.callbackMessage, code);
      });
      icon->show();
      if (!QSystemTrayIcon::isSystemTrayAvailable())
        std::fprintf(stderr, "velmora: no system tray on this display yet; the icon appears when one starts.\n");
      return 1;
    }
    case NIM_MODIFY:
      if (found == icons_.end()) return 0;
      Apply(found->second, data);
      return 1;
    case NIM_DELETE: {
      if (found == icons_.end()) return 0;
      // The icon may be the one whose press is being handled: let Qt delete it afterwards.
      QSystemTrayIcon* icon = found->second.icon.release();
      icon->hide();
      icon->deleteLater();
      icons_.erase(found);
      return 1;
    }
    default:
      return 0;
  }
}

}  // namespace linuxp
