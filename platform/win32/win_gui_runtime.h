#pragma once
#include "platform/win32/windows_api.h"
#include "ports/gui_runtime.h"

namespace win32 {

class MainWindow;

// The GUI runtime services over user32, gdi32 and kernel32. The form's window is attached
// once it exists; until then the services that need it act on no window.
class WinGuiRuntime final : public GuiRuntime {
 public:
  void AttachWindow(MainWindow* window) { window_ = window; }

  int32_t MsgBox(const std::u16string& prompt, int32_t buttons) override;
  float TwipsPerPixelX() override;
  std::u16string Command() override;
  void DoEvents() override;
  int32_t Shell(const std::u16string& commandLine, int32_t windowStyle) override;
  int32_t PopupMenu(const MenuArray& menu) override;
  int32_t FormHwnd() override;
  void ShowForm(const std::u16string& version, const std::u16string& notice) override;
  void HideForm() override;
  std::optional<Picture> MiniIconPicture() override;
  [[noreturn]] void End(int exitCode) override;

  // Hands one queued message on, through the About window's keyboard handling first.
  void Dispatch(MSG& msg);

 private:
  HWND Form() const;
  MainWindow* window_ = nullptr;
};

// The screen's dots per inch as GDI reports them to this process; they stay the same while it runs.
struct Dpi {
  int x = 96, y = 96;
};
Dpi ScreenDpi();

// Twips per pixel for a screen of the given dots per inch, a whole number as the runtime
// reports it: 15 at 96 dpi, 12 at 120.
inline int TwipsPerPixel(int dotsPerInch) { return dotsPerInch > 0 ? 1440 / dotsPerInch : 15; }

}  // namespace win32
