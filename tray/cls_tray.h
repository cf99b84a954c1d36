#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "ports/gui_runtime.h"
#include "ports/tray_shell.h"

inline constexpr int32_t kTipChars = 64;

// Turns a pointer X in twips back into pixels: for a tray callback, the mouse-message code.
// Both are rounded half to even first; RuntimeError 11 when the ratio rounds to 0, 6 on overflow.
int32_t MouseMessage(float X, float twipsPerPixel);

// The icon record, kept as the program's own types; the shell sees its 88-byte form, whose
// tooltip is in code page 932 on every system.
struct IconData {
  int32_t cbSize = 0;
  int32_t hWnd = 0;
  int32_t uID = 0;
  int32_t uFlags = 0;
  int32_t uCallbackMessage = 0;
  int32_t hIcon = 0;
  std::u16string szTip = std::u16string(kTipChars, u'\0');  // always exactly 64 characters
};

// One icon in the notification area. Setting ToolTipText or Picture only changes the record;
// the shell sees the change at the next Modify.
class clsTray {
 public:
  clsTray(TrayShell& shell, GuiRuntime& runtime) : shell_(shell), runtime_(runtime) {}

  void Init(int32_t hWnd, const std::optional<Picture>& pIcon, const std::u16string& TipText, int32_t ID);
  void Delete() { Send(api::NimDelete); }
  void Modify() { Send(api::NimModify); }
  std::u16string ToolTipText() const { return data_.szTip; }
  int32_t MouseEvent(float X) const { return MouseMessage(X, runtime_.TwipsPerPixelX()); }
  void ToolTipText(const std::u16string& newChar) { data_.szTip = StoredTip(newChar); }
  void Picture(const std::optional<::Picture>& pIcon) { data_.hIcon = HandleOf(pIcon); }

  // Adds the icon again from the stored record, after the shell has restarted.
  void Restore() { Send(api::NimAdd); }

  const IconData& Data() const { return data_; }

  // The tooltip storage rule: text, one NUL, spaces to 64 characters; longer texts cut at 64.
  static std::u16string StoredTip(const std::u16string& text);

 private:
  static int32_t HandleOf(const std::optional<::Picture>& pIcon);
  void Send(int32_t message);

  TrayShell& shell_;
  GuiRuntime& runtime_;
  IconData data_;
};
