#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "menu/menu_array.h"
#include "platform/platform.h"

// A display mode as the fake driver lists it.
DisplayModeRecord Mode(int32_t width, int32_t height, int32_t depth, uint32_t frequency = 60);

// A scripted display driver: a list of modes, a mode in force and the codes apply returns.
class FakeDisplay : public DisplaySettings {
 public:
  std::vector<DisplayModeRecord> modes;
  DisplayModeRecord current = Mode(800, 600, 32);
  bool readCurrentFails = false;        // the read-current call fills nothing
  std::vector<int32_t> changeResults;   // consumed in order; 0 once empty
  std::vector<DisplayModeRecord> applied;
  std::vector<int32_t> appliedFlags;
  std::vector<int32_t> enumerated;      // every mode number asked for, in order

  int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) override;
  int32_t Change(DisplayModeRecord& record, int32_t flags) override;
};

// Records every Shell_NotifyIconA call with the exact bytes it was given.
class FakeShell : public TrayShell {
 public:
  struct Call {
    int32_t message;
    NotifyIconBuffer data;
  };
  std::vector<Call> calls;
  int32_t result = 1;
  int32_t NotifyIcon(int32_t message, NotifyIconBuffer& data) override;
  // The icons the shell shows now, by (hWnd, uID), from the calls it accepted.
  int VisibleIcons() const;
};

class FakeSystem : public SystemCalls {
 public:
  std::vector<int32_t> foreground;
  int screenSaverStarts = 0;
  struct SpiCall {
    int32_t action, uiParam, fWinIni;
  };
  std::vector<SpiCall> spiCalls;
  int32_t spiResult = 1;

  int32_t SetForegroundWindow(int32_t hWnd) override;
  void StartScreenSaver() override { ++screenSaverStarts; }
  int32_t SystemParametersInfo(int32_t action, int32_t uiParam, int32_t fWinIni) override;
};

// Thrown by the fake End so that a test sees the process end where it would.
struct ProgramEnded {
  int exitCode;
};

class FakeRuntime : public GuiRuntime {
 public:
  struct Box {
    std::u16string prompt;
    int32_t buttons;
  };
  std::vector<Box> boxes;
  std::function<void()> onMsgBox;  // runs while the box is up
  float twipsPerPixel = 15.0f;
  std::u16string command;
  int doEventsCalls = 0;
  std::function<void()> onDoEvents;  // events delivered while the program lets them run
  struct Launch {
    std::u16string commandLine;
    int32_t style;
  };
  std::vector<Launch> launches;
  bool launchFails = false;
  std::vector<std::vector<MenuArray::Element>> popups;  // the menu as each popup showed it
  std::function<int32_t(const MenuArray&)> onPopup;     // the user's choice; none: -1
  int32_t hWnd = 0x1234;
  std::vector<bool> visibility;  // every SetFormVisible
  std::optional<Picture> miniIcon = Picture{0x5678};
  std::vector<std::string> log;  // "MsgBox", "Popup", "Visible" in call order

  int32_t MsgBox(const std::u16string& prompt, int32_t buttons) override;
  float TwipsPerPixelX() override { return twipsPerPixel; }
  std::u16string Command() override { return command; }
  void DoEvents() override;
  int32_t Shell(const std::u16string& commandLine, int32_t windowStyle) override;
  int32_t PopupMenu(const MenuArray& menu) override;
  int32_t FormHwnd() override { return hWnd; }
  void SetFormVisible(bool visible) override;
  std::optional<Picture> MiniIconPicture() override { return miniIcon; }
  std::string ToAnsi(std::u16string_view text) override;  // code page 932
  std::u16string FromAnsi(std::string_view bytes) override;
  [[noreturn]] void End(int exitCode) override { throw ProgramEnded{exitCode}; }
};

// The four fakes, wired as the program's platform.
struct FakePlatform {
  FakeDisplay display;
  FakeShell shell;
  FakeSystem system;
  FakeRuntime runtime;
  Platform platform() { return {display, shell, system, runtime}; }
};

// UTF-8 test text to the program's UTF-16.
std::u16string U16(std::string_view utf8);
