// What the platform layers make of text from outside the program: the command-line text the Windows build
// hands to the program, the file its launch service starts for a command line (never one that a search of the
// program's own folder or the current directory would find), and the folders the X11 build searches for a
// desktop tool (never the current directory), and what the Linux build says when no tray shows its icon.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/rules/no_tray.h"
#include "platform/linux/rules/search_folders.h"
#include "platform/win32/command_tail.h"
#include "platform/win32/system_program.h"

namespace {

TEST(CommandTail, SkipsTheProgramPathAndOneBlank) {
  // clang-format off
  const std::pair<std::u16string, std::u16string> rows[] = {
      {u"Velmora.exe", u""}, {u"Velmora.exe ", u""}, {u"", u""}, {u"Velmora.exe /s 800,600,32", u"/s 800,600,32"},
      {u"C:\\Tools\\Velmora.exe  /s 800,600,32", u" /s 800,600,32"}, {u"Velmora.exe\t/s 1,2,3", u"/s 1,2,3"},
      {u"\"C:\\Program Files\\Velmora\\Velmora.exe\" /s 1,2,3", u"/s 1,2,3"},
      {u"\"C:\\Program Files\\Velmora\\Velmora.exe\"/s 1,2,3", u"/s 1,2,3"},
      {u"\"C:\\Program Files\\Velmora\\Velmora.exe\"", u""}, {u"\"C:\\no closing quote /s 1,2,3", u""},
      {u"Velmora.exe /s \"1024,768,16\" ", u"/s \"1024,768,16\" "}};
  // clang-format on
  for (const auto& [line, tail] : rows) EXPECT_EQ(win32::CommandTail(std::u16string_view(line)), tail);
}

TEST(SystemProgram, NamesTheProgramByItsFullPath) {
  const std::u16string control = u"C:\\WINDOWS\\system32\\Control.exe", quoted = u"\"" + control + u"\"";
  const struct {
    std::u16string line;
    std::optional<std::u16string> application;  // none: refused
    std::u16string commandLine;
  } rows[] = {
      // A bare name is the system folder's file; the arguments follow as they stand.
      {u"Control.exe Desk.cpl ,3", control, quoted + u" Desk.cpl ,3"},
      {u"Control.exe", control, quoted},
      {u"  Control.exe\tDesk.cpl", control, quoted + u"\tDesk.cpl"},
      {u"\"Control.exe\" Desk.cpl ,3", control, quoted + u" Desk.cpl ,3"},
      {u"control desk.cpl", u"C:\\WINDOWS\\system32\\control.exe",
       u"\"C:\\WINDOWS\\system32\\control.exe\" desk.cpl"},
      // A full path stands; one with blanks stays one program.
      {u"\"C:\\Program Files\\Tool\\tool.exe\" /x", u"C:\\Program Files\\Tool\\tool.exe",
       u"\"C:\\Program Files\\Tool\\tool.exe\" /x"},
      {u"D:/tools/run.com a", u"D:/tools/run.com", u"\"D:/tools/run.com\" a"},
      {u"\\\\server\\share\\tool a", u"\\\\server\\share\\tool.exe", u"\"\\\\server\\share\\tool.exe\" a"},
      // Whatever depends on the current directory or drive is refused.
      // clang-format off
      {u".\\Control.exe Desk.cpl", std::nullopt, u""}, {u"sub\\Control.exe", std::nullopt, u""},
      {u"\\Windows\\Control.exe", std::nullopt, u""}, {u"C:Control.exe", std::nullopt, u""},
      {u"\"C:\\no closing quote.exe a", std::nullopt, u""}, {u"", std::nullopt, u""}, {u"   ", std::nullopt, u""},
      {u"\"\" Desk.cpl", std::nullopt, u""}};
  // clang-format on
  for (const auto& row : rows) {
    const auto launch = win32::SystemProgram(row.line, u"C:\\WINDOWS\\system32");
    ASSERT_EQ(launch.has_value(), row.application.has_value())
        << std::string(row.line.begin(), row.line.end());
    if (launch) {
      EXPECT_EQ(std::make_pair(launch->application, launch->commandLine),
                std::make_pair(*row.application, row.commandLine));
    }
  }
  // A bare name needs the system folder.
  EXPECT_FALSE(win32::SystemProgram(u"Control.exe", u"").has_value());
  EXPECT_EQ(win32::SystemProgram(u"Control.exe", u"C:\\")->application, u"C:\\Control.exe");
}

TEST(SearchFolders, KeepsOnlyAbsoluteEntriesInOrder) {
  // Empty entries, leading, doubled or trailing, mean the current directory too.
  // clang-format off
  const std::pair<std::string, std::vector<std::string>> rows[] = {
      {"/usr/local/bin:/usr/bin:/bin", {"/usr/local/bin", "/usr/bin", "/bin"}}, {".:/usr/bin", {"/usr/bin"}},
      {"/usr/bin:.", {"/usr/bin"}}, {":/usr/bin", {"/usr/bin"}}, {"/usr/bin::/bin", {"/usr/bin", "/bin"}},
      {"/usr/bin:", {"/usr/bin"}}, {"bin:./tools:../x:~/bin:/opt/tool bin", {"/opt/tool bin"}}, {"", {}}, {".", {}},
      {"/", {"/"}}};
  // clang-format on
  for (const auto& [path, folders] : rows) EXPECT_EQ(linuxp::SearchFolders(path), folders) << path;
}

TEST(DecideNoTray, AsksToSwitchAnOffTrayExtensionOnOnceElseSaysWhatToInstall) {
  using linuxp::Desktop;
  const std::string lead = "このデスクトップには通知領域のアイコンが表示されません。\n";
  const std::string install =
      lead +
      "gnome-shell-extension-appindicatorパッケージをインストールし、ログインし直してから起動してください。";
  const std::string check = lead + "GNOME Shellの「拡張機能」で「AppIndicator」をご確認ください。";
  const std::string debian = "ubuntu-appindicators@ubuntu.com",
                    upstream = "appindicatorsupport@rgcjonas.gmail.com";
  const auto ask = [&](const std::string& name) {
    return lead + "GNOME Shellの拡張機能「" + name + "」を有効にしますか？";
  };
  const linuxp::ShellExtension other{"dash-to-dock@micxgx.gmail.com", "Dash to Dock", 6};
  const struct {
    Desktop desktop;
    std::vector<linuxp::ShellExtension> extensions;
    bool asked;
    std::string text, enable;
  } rows[] = {
      // Installed and off (never switched on, or switched off in this session): asked once.
      {Desktop::kGnomeShell, {other, {debian, "AppIndicator", 6}}, false, ask("AppIndicator"), debian},
      {Desktop::kGnomeShell, {{upstream, "AppIndicator", 2}}, false, ask("AppIndicator"), upstream},
      {Desktop::kGnomeShell,
       {{upstream, "Upstream", 6}, {debian, "Debian", 6}},
       false,
       ask("Debian"),
       debian},
      {Desktop::kGnomeShell, {{debian, "AppIndicator", 6}}, true, check, ""},
      // On but showing nothing, broken (3), out of date (4): nothing to switch on.
      {Desktop::kGnomeShell, {{debian, "AppIndicator", 1}}, false, check, ""},
      {Desktop::kGnomeShell, {{debian, "AppIndicator", 3}}, false, check, ""},
      {Desktop::kGnomeShell, {{upstream, "AppIndicator", 4}}, false, check, ""},
      // None installed.
      {Desktop::kGnomeShell, {}, false, install, ""},
      {Desktop::kGnomeShell, {other}, false, install, ""},
      // Other desktops: what to install there; GNOME Shell's list does not apply.
      {Desktop::kX11,
       {{debian, "AppIndicator", 6}},
       false,
       lead + "通知領域のあるパネル、またはstalonetrayパッケージをインストールして起動してください。",
       ""},
      {Desktop::kOtherWayland,
       {},
       false,
       lead + "StatusNotifierItemに対応したパネル（waybarなど）をインストールして起動してください。",
       ""},
  };
  for (const auto& row : rows) {
    const linuxp::NoTrayBox box = linuxp::DecideNoTray(row.desktop, row.extensions, row.asked);
    EXPECT_EQ(box.text, row.text) << &row - rows;
    EXPECT_EQ(box.enable, row.enable) << &row - rows;
  }
  EXPECT_EQ(linuxp::kNoTrayExit, 3);
}

}  // namespace
