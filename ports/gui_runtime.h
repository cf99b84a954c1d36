#pragma once
#include <cstdint>
#include <optional>
#include <string>

class MenuArray;

// A picture object: what a picture box holds. An empty std::optional<Picture> is "no object".
struct Picture {
  int32_t handle = 0;
};

inline constexpr int32_t vbOKOnly = 0;
inline constexpr int32_t vbCritical = 16;
inline constexpr int32_t vbMinimizedFocus = 2;

// What the program asks of the window and menu toolkit it runs on.
class GuiRuntime {
 public:
  virtual ~GuiRuntime() = default;

  // Modal message box with no title: the box carries the application title.
  virtual int32_t MsgBox(const std::u16string& prompt, int32_t buttons) = 0;
  // The screen's horizontal twips per pixel.
  virtual float TwipsPerPixelX() = 0;
  // The command-line text after the program path.
  virtual std::u16string Command() = 0;
  // Let pending events run, then return.
  virtual void DoEvents() = 0;
  // Start a program without waiting; the task id. Throws RuntimeError when it cannot start.
  virtual int32_t Shell(const std::u16string& commandLine, int32_t windowStyle) = 0;
  // Open the menu as a popup at the pointer; returns the chosen element's index, or -1.
  virtual int32_t PopupMenu(const MenuArray& menu) = 0;

  // The form's window.
  virtual int32_t FormHwnd() = 0;
  // Shows the form as the About window with the texts of its two labels; hides it again.
  virtual void ShowForm(const std::u16string& version, const std::u16string& notice) = 0;
  virtual void HideForm() = 0;
  // The 16x16 icon picture box picMiniIcon holds, if any.
  virtual std::optional<Picture> MiniIconPicture() = 0;

  // Terminate the process at once, without further events.
  [[noreturn]] virtual void End(int exitCode) = 0;
};
