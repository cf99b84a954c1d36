// menuspy.dll: loaded into another process by velmora_driver, it reads what can only be read from inside
// that process under Wine, writes it to %TEMP%\velmora_menuspy.txt and unloads itself, so that the next
// load reads afresh. What it reads is named in %TEMP%\velmora_menuspy.req:
//   "menu" (in Velmora's process): the open popup menu
//     menu <item count>
//     item <index> <fType hex> <fState hex> <caption as hex of its ANSI bytes>
//     end
//   "tray" (in the shell's process): the notification icons, one tooltip control each
//     tip <left> <top> <right> <bottom> <tip text as hex of its ANSI bytes>   (screen coordinates)
//     end
// or "error <reason>" when there is nothing to read.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

#ifndef MN_GETHMENU
#define MN_GETHMENU 0x01E1
#endif

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindPopup(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && lstrcmpA(cls, "#32768") == 0 && IsWindowVisible(hwnd)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

std::string Hex(const char* bytes, int n) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < n; ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string ReadMenu() {
  Search s{GetCurrentProcessId(), nullptr};
  EnumWindows(FindPopup, reinterpret_cast<LPARAM>(&s));
  if (!s.found) return "error no-popup\n";
  auto menu = reinterpret_cast<HMENU>(SendMessageA(s.found, MN_GETHMENU, 0, 0));
  if (!menu) return "error no-hmenu\n";
  int count = GetMenuItemCount(menu);
  if (count < 0) return "error item-count\n";
  std::string out = "menu " + std::to_string(count) + "\n";
  for (int i = 0; i < count; ++i) {
    char text[512] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    if (!GetMenuItemInfoA(menu, i, TRUE, &info)) {
      // Fall back to the older calls for the caption and the flags.
      UINT state = GetMenuState(menu, i, MF_BYPOSITION);
      GetMenuStringA(menu, i, text, sizeof text - 1, MF_BYPOSITION);
      info.fType = state & (MF_SEPARATOR | MF_OWNERDRAW | MF_BITMAP);
      info.fState = state & (MF_CHECKED | MF_GRAYED | MF_DISABLED | MF_HILITE);
    }
    char head[64];
    std::snprintf(head, sizeof head, "item %d %lx %lx ", i, static_cast<unsigned long>(info.fType),
                  static_cast<unsigned long>(info.fState));
    out += head;
    out += Hex(text, lstrlenA(text));
    out += "\n";
  }
  out += "end\n";
  return out;
}

BOOL CALLBACK CollectTooltips(HWND hwnd, LPARAM lp) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == GetCurrentProcessId() && lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0) {
    auto* out = reinterpret_cast<std::string*>(lp);
    int count = static_cast<int>(SendMessageW(hwnd, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t text[512] = {};
      TTTOOLINFOW ti = {};
      ti.cbSize = sizeof ti;
      ti.lpszText = text;
      if (!SendMessageW(hwnd, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&ti))) continue;
      if (ti.uFlags & TTF_TRACK) continue;  // a balloon, not an icon's tip
      RECT r = ti.rect;
      if (ti.uFlags & TTF_IDISHWND) GetClientRect(reinterpret_cast<HWND>(ti.uId), &r);
      HWND owner = (ti.uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(ti.uId) : ti.hwnd;
      MapWindowPoints(owner, nullptr, reinterpret_cast<POINT*>(&r), 2);
      const wchar_t* tip = (ti.lpszText && !IS_INTRESOURCE(ti.lpszText) && ti.lpszText != LPSTR_TEXTCALLBACKW)
                               ? ti.lpszText
                               : L"";
      char ansi[1024] = {};
      WideCharToMultiByte(CP_ACP, 0, tip, -1, ansi, sizeof ansi - 1, nullptr, nullptr);
      char head[96];
      std::snprintf(head, sizeof head, "tip %ld %ld %ld %ld ", r.left, r.top, r.right, r.bottom);
      *out += head;
      *out += Hex(ansi, lstrlenA(ansi));
      *out += "\n";
    }
  }
  return TRUE;
}

std::string ReadTray() {
  std::string out;
  EnumWindows(CollectTooltips, reinterpret_cast<LPARAM>(&out));
  return out + "end\n";
}

std::string TempFile(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

std::string Request() {
  std::string path = TempFile("velmora_menuspy.req");
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "menu";
  char buf[16] = {};
  DWORD got = 0;
  ReadFile(f, buf, sizeof buf - 1, &got, nullptr);
  CloseHandle(f);
  return std::string(buf, got).substr(0, 4);
}

void WriteResult(const std::string& text) {
  std::string final_path = TempFile("velmora_menuspy.txt");
  std::string part_path = final_path + ".part";
  HANDLE f = CreateFileA(part_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  // The reader sees the file only once it is complete.
  MoveFileExA(part_path.c_str(), final_path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

DWORD WINAPI Worker(LPVOID module) {
  WriteResult(Request() == "tray" ? ReadTray() : ReadMenu());
  FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    // The work runs outside the loader lock, on a thread of its own.
    HANDLE t = CreateThread(nullptr, 0, Worker, module, 0, nullptr);
    if (t) CloseHandle(t);
  }
  return TRUE;
}
