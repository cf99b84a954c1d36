// The OS work of Velmora.exe /s1024,768,16 without its logic, for comparison with it: register a
// window class, create the hidden window, add the tray icon with a tooltip, enumerate every mode,
// name the mode in force in the tooltip, apply 1024x768 at 16 bits and store it as the default,
// name the new mode in the tooltip, remove the icon, exit.
#include <windows.h>
// Needs the types windows.h declares.
#include <shellapi.h>

#include "display_calls.h"

namespace {

void ShowInTip(NOTIFYICONDATAW& icon, const DEVMODEA& mode) {
  wsprintfW(icon.szTip, L"%lux%lu %lu bits", mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
  Shell_NotifyIconW(NIM_MODIFY, &icon);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"VelmoraTrayBaseline";
  if (!RegisterClassExW(&windowClass)) return 1;
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"tray baseline", WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 320, 240, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;

  NOTIFYICONDATAW icon{};
  icon.cbSize = NOTIFYICONDATAW_V1_SIZE;  // as Velmora.exe sends it
  icon.hWnd = window;
  icon.uID = 1;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = WM_MOUSEMOVE;
  icon.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  lstrcpyW(icon.szTip, L"tray baseline");
  Shell_NotifyIconW(NIM_ADD, &icon);

  const DWORD listed = ListModes();
  ShowInTip(icon, CurrentMode());
  const LONG result = ApplyWantedMode();
  ShowInTip(icon, CurrentMode());

  Shell_NotifyIconW(NIM_DELETE, &icon);
  return result == DISP_CHANGE_SUCCESSFUL && listed > 0 ? 0 : 1;
}
