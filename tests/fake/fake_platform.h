// The platform as the tests script it. End throws ProgramEnded, so a test sees the process end
// where it would.
#pragma once
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "menu/menu_array.h"
#include "ports/platform.h"

DisplayModeRecord Mode(int32_t width, int32_t height, int32_t depth, uint32_t frequency = 60);

struct FakeDisplay : DisplaySettings {
  std::vector<DisplayModeRecord> modes, applied;
  DisplayModeRecord current = Mode(800, 600, 32);
  std::vector<int32_t> changeResults, appliedFlags;  // results are consumed in order; 0 once empty
  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override;
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;
};

struct FakeShell : TrayShell {
  std::vector<std::pair<int32_t, NotifyIconBuffer>> calls;
  int32_t NotifyIcon(int32_t message, NotifyIconBuffer& data) override {
    return calls.emplace_back(message, data), 1;
  }
  int Count(int32_t message) const {
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](auto& c) { return c.first == message; }));
  }
};

struct FakeSystem : SystemCalls {
  std::vector<int32_t> foreground, saverActive;  // saverActive: uiParam of each accepted-form call
  int screenSaverStarts = 0;
  int32_t spiResult = 1;
  int32_t SetForegroundWindow(int32_t hWnd) override { return foreground.push_back(hWnd), 1; }
  void StartScreenSaver() override { ++screenSaverStarts; }
  int32_t SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) override {
    return action == api::SpiSetScreenSaveActive && fWinIni == api::SpifUpdateIniFile
           ? saverActive.push_back(uiParam),
           spiResult : 0;
  }
};

struct ProgramEnded {
  int exitCode;
};

struct FakeRuntime : GuiRuntime {
  std::vector<std::pair<std::u16string, int32_t>> boxes;  // prompt and buttons
  std::function<void()> onMsgBox, onDoEvents;             // while a box is up; once, while events run
  std::function<int32_t(const MenuArray&)> onPopup;       // the user's choice; none: -1
  std::vector<std::vector<MenuArray::Element>> popups;    // the menu as each popup showed it
  std::vector<std::u16string> launches, shown;            // shown: "hide", or "version|notice"
  std::u16string command;
  float twipsPerPixel = 15.0f;
  bool launchFails = false;
  std::optional<Picture> miniIcon = Picture{0x5678};

  int32_t MsgBox(const std::u16string& prompt, int32_t buttons) override;
  float TwipsPerPixelX() override { return twipsPerPixel; }
  std::u16string Command() override { return command; }
  void DoEvents() override {
    if (auto pending = std::exchange(onDoEvents, nullptr)) pending();
  }
  int32_t Shell(const std::u16string& commandLine, int32_t windowStyle) override;
  int32_t PopupMenu(const MenuArray& m) override {
    return popups.push_back(m.Elements()), onPopup ? onPopup(m) : -1;
  }
  int32_t FormHwnd() override { return 0x1234; }
  void ShowForm(const std::u16string& version, const std::u16string& notice) override {
    shown.push_back(version + u"|" + notice);
  }
  void HideForm() override { shown.push_back(u"hide"); }
  std::optional<Picture> MiniIconPicture() override { return miniIcon; }
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
// Runs a procedure that may raise a runtime error: its number, or 0 when it raised none.
int32_t ErrorNumberOf(const std::function<void()>& run);
