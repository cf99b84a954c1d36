// menuspy.dll: loaded into another process by velmora_driver (CreateRemoteThread + LoadLibraryA), it reads
// what Wine lets only that process read, writes it as JSON to %TEMP%\velmora_menuspy.txt and unloads itself:
//   {"menu": the process's open popup menu (in Velmora), its items' texts: "-" for a separator, "* " before
//             a ticked item's caption,
//    "icons": the process's notification icons (in the shell), [{"rect": [L, T, R, B] on the screen, "tip"}]}

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <fstream>
#include <string>

#include "json.h"

namespace {

BOOL CALLBACK ReadPopup(HWND hwnd, LPARAM lp) {
  char cls[16] = {};
  DWORD pid = 0;
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId() || lstrcmpA(cls, "#32768") != 0 || !IsWindowVisible(hwnd)) return TRUE;
  auto menu = reinterpret_cast<HMENU>(SendMessageW(hwnd, 0x01E1 /* MN_GETHMENU */, 0, 0));
  auto& items = *reinterpret_cast<std::vector<std::string>*>(lp);
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[512] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 511;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    const std::wstring shown = (info.fState & MFS_CHECKED ? L"* " : L"") + std::wstring(text);
    items.push_back(Json(info.fType & MFT_SEPARATOR ? L"-" : shown.c_str()));
  }
  return FALSE;
}

BOOL CALLBACK ReadTooltips(HWND hwnd, LPARAM lp) {
  wchar_t cls[32] = {};
  DWORD pid = 0;
  GetClassNameW(hwnd, cls, 31);
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId() || lstrcmpiW(cls, TOOLTIPS_CLASSW) != 0) return TRUE;
  for (int i = 0; i < SendMessageW(hwnd, TTM_GETTOOLCOUNT, 0, 0); ++i) {
    wchar_t text[512] = {};
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.lpszText = text;
    if (!SendMessageW(hwnd, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&ti)) || (ti.uFlags & TTF_TRACK))
      continue;
    RECT r = ti.rect;
    HWND owner = ti.hwnd;
    if (ti.uFlags & TTF_IDISHWND) GetClientRect(owner = reinterpret_cast<HWND>(ti.uId), &r);
    MapWindowPoints(owner, nullptr, reinterpret_cast<POINT*>(&r), 2);
    reinterpret_cast<std::vector<std::string>*>(lp)->push_back(
        Object({{"rect", Ints({r.left, r.top, r.right, r.bottom})}, {"tip", Json(text)}}));
  }
  return TRUE;
}

DWORD WINAPI Worker(LPVOID module) {
  std::vector<std::string> menu, icons;
  EnumWindows(ReadPopup, reinterpret_cast<LPARAM>(&menu));
  EnumWindows(ReadTooltips, reinterpret_cast<LPARAM>(&icons));
  const std::string out = Object({{"menu", Array(menu)}, {"icons", Array(icons)}});
  // Written aside and renamed, so that the driver sees the whole answer or none of it.
  const std::string path = TempFile("velmora_menuspy.txt");
  std::ofstream(path + ".part", std::ios::binary) << out;
  MoveFileExA((path + ".part").c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  // The work runs outside the loader lock, on a thread of its own.
  if (reason == DLL_PROCESS_ATTACH) CloseHandle(CreateThread(nullptr, 0, Worker, module, 0, nullptr));
  return TRUE;
}
