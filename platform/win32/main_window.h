#pragma once
#include <string>
#include <string_view>

#include "platform/win32/handles.h"
#include "platform/win32/win_gui_runtime.h"
#include "platform/win32/windows_api.h"

class frmMain;

namespace win32 {

// The window of frmMain: hidden while the program sits in the tray, shown as the About window.
// It turns window messages into the form's events; the form decides what they do.
class MainWindow {
 public:
  explicit MainWindow(HINSTANCE instance);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window hidden, at the system's default position, without its controls.
  bool Create();
  // Creates the controls (and the fonts they use) unless they exist; the About window calls
  // this before it is first shown.
  void EnsureControls();
  // From now on the window's messages raise the form's events.
  void Attach(frmMain& form) { form_ = &form; }

  HWND Hwnd() const { return hwnd_.get(); }
  // The screen's scale, read when the window is created; the layout and the pointer use it.
  Dpi DotsPerInch() const { return dpi_; }
  // The 16x16 program icon that picMiniIcon holds: the tray icon.
  HICON MiniIcon() const { return smallIcon_.get(); }
  // Puts the version and notice texts into their labels, once the labels exist.
  void SetTexts(const std::u16string& version, const std::u16string& notice);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  HWND AddControl(const wchar_t* windowClass, const std::u16string& text, DWORD style, DWORD exStyle, int id,
                  const RECT& twips);
  HFONT MakeFont(std::wstring_view faceName, int hundredthsOfPoint, int weight, BYTE charset);
  void SetLabel(HWND label, const std::u16string& text, bool sizeToText);
  void MouseMove(WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  frmMain* form_ = nullptr;
  Dpi dpi_;
  UINT taskbarCreated_ = 0;

  UniqueIcon bigIcon_, smallIcon_;
  UniqueFont softNameFont_, versionFont_, copyrightFont_, buttonFont_;
  // Destroyed bottom up: this window before its owner (which would take it along), both before
  // the fonts and icons they show. WindowProc fills hwnd_ during WM_NCCREATE.
  UniqueWindow owner_;
  UniqueWindow hwnd_;
  // The child controls are destroyed with their parent window.
  HWND picICON_ = nullptr, cmdOK_ = nullptr, lblSoftName_ = nullptr, lblVersion_ = nullptr,
       lblCopyright_ = nullptr, picMiniIcon_ = nullptr;
};

}  // namespace win32
