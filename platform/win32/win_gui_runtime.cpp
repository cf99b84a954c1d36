#include "platform/win32/win_gui_runtime.h"

#include <string>

#include "app/runtime_error.h"
#include "app/version.h"
#include "menu/menu_array.h"
#include "platform/win32/command_tail.h"
#include "platform/win32/handles.h"
#include "platform/win32/main_window.h"
#include "platform/win32/system_folder.h"
#include "platform/win32/system_program.h"
#include "platform/win32/wide_text.h"

namespace win32 {

HWND WinGuiRuntime::Form() const { return window_ ? window_->Hwnd() : nullptr; }

int32_t WinGuiRuntime::MsgBox(const std::u16string& prompt, int32_t buttons) {
  return MessageBoxW(Form(), Wide(prompt), Wide(std::u16string(kAppTitle)), static_cast<UINT>(buttons));
}

Dpi ScreenDpi() {
  const WindowDC screen(nullptr);
  return {GetDeviceCaps(screen.get(), LOGPIXELSX), GetDeviceCaps(screen.get(), LOGPIXELSY)};
}

// The scale the window lays itself out with; the screen's before the window is attached.
float WinGuiRuntime::TwipsPerPixelX() {
  return static_cast<float>(TwipsPerPixel(window_ ? window_->DotsPerInch().x : ScreenDpi().x));
}

std::u16string WinGuiRuntime::Command() {
  const std::u16string_view line(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  return std::u16string(CommandTail(line));
}

void WinGuiRuntime::Dispatch(MSG& msg) {
  HWND form = Form();
  if (form && IsDialogMessageW(form, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void WinGuiRuntime::DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
      return;
    }
    Dispatch(msg);
  }
}

// The program is always named to CreateProcessW by its full path: given only the command line, it
// would look for a bare name in Velmora's folder and the current directory first.
int32_t WinGuiRuntime::Shell(const std::u16string& commandLine, int32_t windowStyle) {
  std::optional<ProgramLaunch> launch = SystemProgram(commandLine, SystemFolder());
  if (!launch) throw ProgramError(kErrFileNotFound);
  std::u16string& command = launch->commandLine;  // CreateProcessW may write into its command line
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowStyle);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(Wide(launch->application), reinterpret_cast<wchar_t*>(command.data()), nullptr, nullptr,
                      FALSE, 0, nullptr, nullptr, &startup, &process)) {
    throw ProgramError(kErrFileNotFound);
  }
  UniqueKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
  return static_cast<int32_t>(process.dwProcessId);
}

int32_t WinGuiRuntime::PopupMenu(const MenuArray& menu) {
  UniqueMenu popup(CreatePopupMenu());
  if (!popup) return -1;
  const auto& elements = menu.Elements();
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].caption == u"-") {
      AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      const UINT flags = MF_STRING | (elements[i].checked ? MF_CHECKED : MF_UNCHECKED);
      AppendMenuW(popup.get(), flags, i + 1, Wide(elements[i].caption));
    }
  }
  HWND owner = Form();
  POINT at{};
  GetCursorPos(&at);
  const int chosen = TrackPopupMenu(popup.get(), TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr);
  // Without this the menu of a background tray program does not close on a click elsewhere.
  PostMessageW(owner, WM_NULL, 0, 0);
  return chosen > 0 ? chosen - 1 : -1;
}

int32_t WinGuiRuntime::FormHwnd() { return HandleToInt32(Form()); }

void WinGuiRuntime::ShowForm(const std::u16string& version, const std::u16string& notice) {
  if (!window_) return;
  window_->EnsureControls();
  window_->SetTexts(version, notice);
  ShowWindow(window_->Hwnd(), SW_SHOWNORMAL);
}

void WinGuiRuntime::HideForm() {
  if (window_) ShowWindow(window_->Hwnd(), SW_HIDE);
}

std::optional<Picture> WinGuiRuntime::MiniIconPicture() {
  if (!window_ || !window_->MiniIcon()) return std::nullopt;
  return Picture{HandleToInt32(window_->MiniIcon())};
}

void WinGuiRuntime::End(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

}  // namespace win32
