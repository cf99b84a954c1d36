// What velmora says when no notification area has shown its icon a few seconds after start, and what
// follows: plain decisions over what the desktop reports, kept apart from Qt and D-Bus so that they can be
// tested anywhere.
#pragma once
#include <string>
#include <vector>

#include "app/exit_status.h"
#include "desktop.h"

namespace linuxp {

// An extension GNOME Shell lists, with its state as GNOME Shell numbers it.
struct ShellExtension {
  std::string uuid, name;
  int state = 0;
};

// GNOME Shell's extension states: on; switched off in this session; installed and never switched on.
inline constexpr int kExtensionOn = 1, kExtensionOff = 2, kExtensionInstalled = 6;

// The extensions that show StatusNotifierItems in GNOME Shell's top bar, in the order they are offered:
// Debian's and Ubuntu's package, and the same extension as extensions.gnome.org and Fedora ship it.
inline const std::vector<std::string> kTrayExtensions = {"ubuntu-appindicators@ubuntu.com",
                                                         "appindicatorsupport@rgcjonas.gmail.com"};

// Which box: its text (UTF-8, "\n" between lines) and, for the question whether to switch an extension
// on, that extension. はい switches it on and the program waits for its icon to show; いいえ, or OK on a
// box that asks nothing, ends the program with kNoTrayExit.
struct NoTrayBox {
  std::string text;
  std::string enable;  // empty: the box asks nothing
};

// A desktop that shows no tray icons is one velmora cannot work on, as one without a display: status 3.
inline constexpr int kNoTrayExit = kExitError;

// asked: whether the user has already said はい once in this run (the extension then did not help).
inline NoTrayBox DecideNoTray(Desktop desktop, const std::vector<ShellExtension>& extensions, bool asked) {
  const std::string lead = "このデスクトップには通知領域のアイコンが表示されません。\n";
  if (desktop == Desktop::kX11)
    return {lead + "通知領域のあるパネル、またはstalonetrayパッケージをインストールして起動してください。",
            ""};
  if (desktop == Desktop::kOtherWayland)
    return {lead + "StatusNotifierItemに対応したパネル（waybarなど）をインストールして起動してください。",
            ""};
  const ShellExtension* installed = nullptr;
  for (const std::string& uuid : kTrayExtensions)
    for (const ShellExtension& e : extensions)
      if (e.uuid == uuid && !installed) installed = &e;
  if (!installed)
    return {lead +
                "gnome-shell-extension-appindicatorパッケージをインストールし、ログインし直してから起動して"
                "ください。",
            ""};
  const bool off = installed->state == kExtensionOff || installed->state == kExtensionInstalled;
  if (off && !asked)
    return {lead + "GNOME Shellの拡張機能「" + installed->name + "」を有効にしますか？", installed->uuid};
  return {lead + "GNOME Shellの「拡張機能」で「" + installed->name + "」をご確認ください。", ""};
}

}  // namespace linuxp
