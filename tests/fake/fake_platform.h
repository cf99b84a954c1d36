// The platform as the tests script it: a display driver with a list of modes, a shell that
// records every record it is handed, and a runtime whose message boxes, popups and pending
// events the test answers. End throws ProgramEnded, so a test sees the process end where it would.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "menu/menu_array.h"
#include "platform/platform.h"

DisplayModeRecord Mode(int32_t width, int32_t height, int32_t depth, uint32_t frequency = 60);

struct FakeDisplay : DisplaySettings {
  std::vector<DisplayModeRecord> modes;
  DisplayModeRecord current = Mode(800, 600, 32);
  std::vector<int32_t> changeResults;  // consumed in order; 0 once empty
  std::vector<DisplayModeRecord> applied;
  std::vector<int32_t> appliedFlags;
  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override;
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;
};

struct FakeShell : TrayShell {
  std::vector<std::pair<int32_t, NotifyIconBuffer>> calls;  // message and the bytes it carried
  int32_t NotifyIcon(int32_t message, NotifyIconBuffer& data) override;
  int VisibleIcons() const;  // by (hWnd, uID)
  int Count(int32_t message) const;
};

struct FakeSystem : SystemCalls {
  std::vector<int32_t> foreground;
  int screenSaverStarts = 0;
  std::vector<int32_t> saverActive;  // uiParam of every SPI_SETSCREENSAVEACTIVE
  int32_t spiResult = 1;
  int32_t SetForegroundWindow(int32_t hWnd) override;
  void StartScreenSaver() override { ++screenSaverStarts; }
  int32_t SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) override;
};

struct ProgramEnded {
  int exitCode;
};

struct FakeRuntime : GuiRuntime {
  std::vector<std::pair<std::u16string, int32_t>> boxes;  // prompt and buttons
  std::function<void()> onMsgBox;                         // runs while the box is up
  float twipsPerPixel = 15.0f;
  std::u16string command;
  std::function<void()> onDoEvents;  // delivered once, while pending events run
  std::vector<std::u16string> launches;
  bool launchFails = false;
  std::vector<std::vector<MenuArray::Element>> popups;  // the menu as each popup showed it
  std::function<int32_t(const MenuArray&)> onPopup;     // the user's choice; none: -1
  int32_t hWnd = 0x1234;
  std::vector<std::u16string> shown;  // "hide", or the version and notice texts shown
  std::optional<Picture> miniIcon = Picture{0x5678};

  int32_t MsgBox(const std::u16string& prompt, int32_t buttons) override;
  float TwipsPerPixelX() override { return twipsPerPixel; }
  std::u16string Command() override { return command; }
  void DoEvents() override;
  int32_t Shell(const std::u16string& commandLine, int32_t windowStyle) override;
  int32_t PopupMenu(const MenuArray& menu) override;
  int32_t FormHwnd() override { return hWnd; }
  void ShowForm(const std::u16string& version, const std::u16string& notice) override;
  void HideForm() override { shown.push_back(u"hide"); }
  std::optional<Picture> MiniIconPicture() override { return miniIcon; }
  std::string ToAnsi(std::u16string_view text) override;  // code page 932
  std::u16string FromAnsi(std::string_view bytes) override;
  [[noreturn]] void End(int exitCode) override { throw ProgramEnded{exitCode}; }
};

struct FakePlatform {
  FakeDisplay display;
  FakeShell shell;
  FakeSystem system;
  FakeRuntime runtime;
  Platform platform() { return {display, shell, system, runtime}; }
};

// Runs a procedure that may end the program: the exit status, or -1 when it did not end.
int ExitStatusOf(const std::function<void()>& run);
