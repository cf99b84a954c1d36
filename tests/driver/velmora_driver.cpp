// velmora_driver.exe: drives a running Velmora.exe from the same (Wine) desktop for the end-to-end tests.
//
// Usage: velmora_driver.exe [--timeout MS] COMMAND [ARGS...]
// Every command prints machine-readable lines in UTF-8, one record a line, fields separated by single
// spaces; a text field comes last and is escaped (\t, \r, \n, \\). Exit status: 0 done, 1 what was waited
// for did not come within the timeout (or the answer is "no"), 2 usage error, 3 any other failure.
//
// Commands:
//   find                 wait for Velmora's hidden main window: "window HWND visible 0|1 pid PID rect L T R B"
//   windows              every top-level window of Velmora's process: "window HWND visible V class CLS rect L T R B TITLE"
//   all-windows          every top-level window of the desktop, of any process (for diagnosis)
//   texts                child windows of the main window: "child HWND visible V class CLS TEXT"
//   click CODE           post the tray callback WM_MOUSEMOVE(1, CODE) (513 left press, 516 right press)
//   menu                 wait for the popup menu and read it: "item I sep|text checked C grayed G hilite H CAPTION"
//   choose K             highlight item K of the open popup with the arrow keys, then press Enter
//   dismiss              press Esc in the open popup and wait for it to close
//   menu-gone            wait until no popup menu of Velmora is open
//   msgbox               wait for a message box of Velmora: "caption TEXT", "rect L T R B", "static ID TEXT",
//                        "icon ID visible V", "icon-image ID 0|1" (whether that control holds an icon),
//                        "button ID TEXT"
//   msgbox-close         press OK (WM_COMMAND IDOK) in that box and wait for it to close
//   mode                 "current W H D" and "registry W H D"
//   modes                every mode the display service lists: "mode I W H D HZ"
//   set-mode W H D       apply and store a mode: "result CODE"
//   watch-display        report each display change until standard input ends (see CmdWatchDisplay)
//   logoff               WM_QUERYENDSESSION, then WM_ENDSESSION, as a log-off sends them
//   close                post WM_CLOSE (a close request from the control menu)
//   taskbar-created      send the registered "TaskbarCreated" message
//   gui-resources        "gui user N gdi N private BYTES" of Velmora's process
//   alive                "alive 1 PID" or "alive 0"; with --wait-gone waits up to the timeout for the end
//   desktop              wait for the desktop's taskbar: "screen W H", "taskbar L T R B" (or "taskbar hidden")
//   tray-forget          remove Velmora's icon (its window, id 1) from the shell, as a shell restart does
//   tray-icons           the notification icons the shell shows: "icon L T R B TOOLTIP" (screen coordinates)
//   window-count         "windows top T hidden H menus M children C": the windows Velmora's process owns
//   soak-popups N        open the popup N times by the tray callback and close it with Esc (see CmdSoakPopups)
//   soak-switch N CAPTION CAPTION...  choose those modes from the popup in turn, N times (see CmdSoakSwitch)
//   stored-settings deny|allow        make the stored display settings read-only, or writable again
//   launch               start Velmora.exe with the command-line text on standard input; "started PID length L",
//                        then "exit CODE" when it ends
#include <windows.h>
#include <psapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

#ifndef MN_GETHMENU
#define MN_GETHMENU 0x01E1
#endif

DWORD g_timeout_ms = 15000;
std::wstring g_exe_name = L"Velmora.exe";

// ---------------------------------------------------------------- output

void Out(const std::string& line) {
  std::string s = line + "\n";
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fflush(stdout);
}

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

// Text the program handed to the ANSI entry points, in the system's ANSI code page (932 for Japanese).
std::wstring FromAnsi(const std::string& a) {
  if (a.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, a.data(), static_cast<int>(a.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, a.data(), static_cast<int>(a.size()), w.data(), n);
  return w;
}

std::string Escape(const std::wstring& w) {
  std::string out;
  for (char c : Utf8(w)) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Hwnd(HWND h) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
  return buf;
}

std::string Rect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
  return buf;
}

std::wstring ClassOf(HWND h) {
  wchar_t cls[256] = {};
  GetClassNameW(h, cls, 255);
  return cls;
}

// The text of a window, also of a window of another process.
std::wstring TextOf(HWND h) {
  wchar_t buf[4096] = {};
  DWORD_PTR got = 0;
  if (SendMessageTimeoutW(h, WM_GETTEXT, 4095, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 3000, &got))
    return buf;
  GetWindowTextW(h, buf, 4095);
  return buf;
}

// ---------------------------------------------------------------- finding Velmora

std::vector<DWORD> VelmoraPids() {
  std::vector<DWORD> pids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return pids;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
    if (_wcsicmp(pe.szExeFile, g_exe_name.c_str()) == 0) pids.push_back(pe.th32ProcessID);
  }
  CloseHandle(snap);
  return pids;
}

DWORD PidOf(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return pid;
}

bool IsVelmora(HWND h, const std::vector<DWORD>& pids) {
  DWORD pid = PidOf(h);
  for (DWORD p : pids)
    if (p == pid) return true;
  return false;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> all;
  EnumWindows(
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(
      parent,
      [](HWND h, LPARAM lp) CALLBACK -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

// Velmora's main window: top-level, titled "Velmora", not a dialog box, owned by Velmora's process.
HWND MainWindow() {
  auto pids = VelmoraPids();
  if (pids.empty()) return nullptr;
  for (HWND h : TopLevelWindows()) {
    if (!IsVelmora(h, pids)) continue;
    if (ClassOf(h) == L"#32770") continue;
    wchar_t title[64] = {};
    GetWindowTextW(h, title, 63);
    if (std::wcscmp(title, L"Velmora") == 0) return h;
  }
  return nullptr;
}

// A visible top-level window of the given class that belongs to Velmora's process.
HWND VelmoraWindowOfClass(const wchar_t* cls) {
  auto pids = VelmoraPids();
  if (pids.empty()) return nullptr;
  for (HWND h : TopLevelWindows())
    if (IsVelmora(h, pids) && ClassOf(h) == cls && IsWindowVisible(h)) return h;
  return nullptr;
}

// Whether a probe's answer is there: a true value, or a non-empty text or list.
template <class T>
bool Ready(const T& r) {
  if constexpr (requires { r.empty(); })
    return !r.empty();
  else
    return static_cast<bool>(r);
}

// Asks the probe every `every_ms` (50 ms) until it answers or the time is up; returns the last answer.
template <class F>
auto WaitFor(F probe, DWORD timeout_ms, DWORD every_ms = 50) -> decltype(probe()) {
  DWORD start = GetTickCount();
  for (;;) {
    auto r = probe();
    if (Ready(r) || GetTickCount() - start >= timeout_ms) return r;
    Sleep(every_ms);
  }
}

HWND NeedMainWindow() {
  HWND h = WaitFor(MainWindow, g_timeout_ms);
  if (!h) {
    Out("error no-window");
    std::exit(1);
  }
  return h;
}

// ---------------------------------------------------------------- the menu reader

struct MenuItem {
  int index = 0;
  bool separator = false;
  bool checked = false;
  bool grayed = false;
  bool hilite = false;
  std::wstring caption;
};

std::string ResultPath() {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + "velmora_menuspy.txt";
}

std::string SpyPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of("\\/") + 1) + "menuspy.dll";
}

// Loads menuspy.dll into the process: it writes the open popup's items to ResultPath() and unloads itself.
bool Inject(DWORD pid) {
  std::string dll = SpyPath();
  HANDLE proc = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
  if (!proc) return false;
  bool ok = false;
  void* mem = VirtualAllocEx(proc, nullptr, dll.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (mem && WriteProcessMemory(proc, mem, dll.c_str(), dll.size() + 1, nullptr)) {
    auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
    HANDLE t = CreateRemoteThread(proc, nullptr, 0, load, mem, 0, nullptr);
    if (t) {
      ok = WaitForSingleObject(t, 10000) == WAIT_OBJECT_0;
      DWORD code = 0;
      GetExitCodeThread(t, &code);
      ok = ok && code != 0;
      CloseHandle(t);
    }
  }
  if (mem) VirtualFreeEx(proc, mem, 0, MEM_RELEASE);
  CloseHandle(proc);
  return ok;
}

std::string ReadWholeFile(const std::string& path) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return {};
  std::string s;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) s.append(buf, got);
  CloseHandle(f);
  return s;
}

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
}

// Has menuspy.dll read REQUEST ("menu" or "tray") inside the process; its answer, or empty on failure.
std::string Spy(DWORD pid, const std::string& request, std::string& error) {
  std::string path = ResultPath();
  DeleteFileA(path.c_str());
  WriteWholeFile(path.substr(0, path.size() - 4) + ".req", request);
  if (!Inject(pid)) {
    error = "inject-failed";
    return {};
  }
  std::string text = WaitFor([&] { return ReadWholeFile(path); }, 5000);
  if (text.empty()) error = "no-answer";
  return text;
}

// Reads the open popup menu of Velmora through menuspy.dll. False when no popup or no answer.
bool ReadMenu(std::vector<MenuItem>& items, std::string& error) {
  auto pids = VelmoraPids();
  if (pids.empty()) {
    error = "no-process";
    return false;
  }
  std::string text = Spy(pids.front(), "menu", error);
  if (text.empty()) return false;
  items.clear();
  size_t pos = 0;
  bool complete = false;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    std::string line = text.substr(pos, eol - pos);
    pos = eol == std::string::npos ? text.size() : eol + 1;
    if (line.rfind("error ", 0) == 0) {
      error = line.substr(6);
      return false;
    }
    if (line == "end") complete = true;
    if (line.rfind("item ", 0) != 0) continue;
    int index = 0;
    unsigned long type = 0, state = 0;
    char hex[2048] = {};
    std::sscanf(line.c_str(), "item %d %lx %lx %2047s", &index, &type, &state, hex);
    MenuItem it;
    it.index = index;
    it.separator = (type & MFT_SEPARATOR) != 0;
    it.checked = (state & MFS_CHECKED) != 0;
    it.grayed = (state & MFS_GRAYED) != 0;
    it.hilite = (state & MFS_HILITE) != 0;
    it.caption = FromAnsi(Unhex(hex));
    items.push_back(it);
  }
  if (!complete) error = "truncated";
  return complete;
}

HWND NeedPopup() {
  HWND popup = WaitFor([] { return VelmoraWindowOfClass(L"#32768"); }, g_timeout_ms);
  if (!popup) {
    Out("error no-popup");
    std::exit(1);
  }
  return popup;
}

std::vector<MenuItem> NeedMenu() {
  NeedPopup();
  std::vector<MenuItem> items;
  std::string error;
  // The popup window may exist a moment before its items are in place.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (ReadMenu(items, error)) return items;
    Sleep(200);
  }
  Out("error " + error);
  std::exit(3);
}

void PrintMenu(const std::vector<MenuItem>& items) {
  for (const auto& it : items) {
    char head[96];
    std::snprintf(head, sizeof head, "item %d %s checked %d grayed %d hilite %d ", it.index,
                  it.separator ? "sep" : "text", it.checked, it.grayed, it.hilite);
    Out(head + Escape(it.caption));
  }
}

void PostKey(HWND popup, WPARAM vk) {
  PostMessageW(popup, WM_KEYDOWN, vk, 1);
  PostMessageW(popup, WM_KEYUP, vk, 0xC0000001);
}

// Highlights item K of the open popup with the arrow keys and presses Enter; 0 when the popup closed.
// Prints "chosen K CAPTION" when `report` is set.
int ChooseIn(HWND popup, std::vector<MenuItem> items, int k, bool report) {
  if (k < 0 || k >= static_cast<int>(items.size()) || items[k].separator) {
    Out("error not-selectable " + std::to_string(k));
    return 2;
  }
  // Position of K among the items the keyboard can reach (separators are skipped).
  auto rank = [&](int index) {
    int r = 0;
    for (int i = 0; i < index; ++i)
      if (!items[i].separator) ++r;
    return r;
  };
  for (int attempt = 0; attempt < 4; ++attempt) {
    int current = -1;
    for (const auto& it : items)
      if (it.hilite) current = it.index;
    if (current == k) {
      PostKey(popup, VK_RETURN);
      bool gone = WaitFor([] { return VelmoraWindowOfClass(L"#32768") == nullptr; }, g_timeout_ms);
      if (report) Out(std::string("chosen ") + std::to_string(k) + " " + Escape(items[k].caption));
      return gone ? 0 : 1;
    }
    // Nothing highlighted yet: the first Down highlights the first selectable item.
    int delta = current < 0 ? rank(k) + 1 : rank(k) - rank(current);
    for (int i = 0; i < std::abs(delta); ++i) {
      PostKey(popup, delta > 0 ? VK_DOWN : VK_UP);
      Sleep(30);
    }
    Sleep(200);
    std::string error;
    if (!ReadMenu(items, error)) {
      Out("error " + error);
      return 3;
    }
  }
  Out("error cannot-highlight " + std::to_string(k));
  return 3;
}

int CmdChoose(int k) {
  HWND popup = NeedPopup();
  return ChooseIn(popup, NeedMenu(), k, true);
}

// ---------------------------------------------------------------- commands

int CmdFind() {
  HWND h = NeedMainWindow();
  Out("window " + Hwnd(h) + " visible " + std::to_string(IsWindowVisible(h) ? 1 : 0) + " pid " +
      std::to_string(PidOf(h)) + " rect " + Rect(h));
  return 0;
}

int CmdWindows() {
  NeedMainWindow();
  auto pids = VelmoraPids();
  for (HWND h : TopLevelWindows()) {
    if (!IsVelmora(h, pids)) continue;
    wchar_t title[512] = {};
    GetWindowTextW(h, title, 511);
    Out("window " + Hwnd(h) + " visible " + std::to_string(IsWindowVisible(h) ? 1 : 0) + " class " +
        Escape(ClassOf(h)) + " rect " + Rect(h) + " " + Escape(title));
  }
  return 0;
}

int CmdAllWindows() {
  for (HWND h : TopLevelWindows()) {
    wchar_t title[512] = {};
    GetWindowTextW(h, title, 511);
    Out("window " + Hwnd(h) + " visible " + std::to_string(IsWindowVisible(h) ? 1 : 0) + " pid " +
        std::to_string(PidOf(h)) + " class " + Escape(ClassOf(h)) + " rect " + Rect(h) + " " + Escape(title));
  }
  return 0;
}

int CmdTexts() {
  HWND main = NeedMainWindow();
  const std::vector<HWND> kids = ChildWindows(main);
  for (HWND h : kids)
    Out("child " + Hwnd(h) + " visible " + std::to_string(IsWindowVisible(h) ? 1 : 0) + " class " +
        Escape(ClassOf(h)) + " " + Escape(TextOf(h)));
  return 0;
}

int CmdMsgbox(bool close) {
  HWND box = WaitFor([] { return VelmoraWindowOfClass(L"#32770"); }, g_timeout_ms);
  if (!box) {
    Out("error no-msgbox");
    return 1;
  }
  if (close) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    bool gone = WaitFor([box] { return !IsWindow(box) || !IsWindowVisible(box); }, g_timeout_ms);
    Out(gone ? "closed" : "error still-open");
    return gone ? 0 : 1;
  }
  wchar_t caption[512] = {};
  GetWindowTextW(box, caption, 511);
  Out("caption " + Escape(caption));
  Out("rect " + Rect(box));
  const std::vector<HWND> kids = ChildWindows(box);
  for (HWND h : kids) {
    std::wstring cls = ClassOf(h);
    std::string id = std::to_string(GetDlgCtrlID(h));
    if (_wcsicmp(cls.c_str(), L"Static") == 0 && (GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      Out("icon " + id + " visible " + std::to_string(IsWindowVisible(h) ? 1 : 0));
      // Wine leaves the icon control of a box without an icon visible, only empty.
      Out("icon-image " + id + " " + std::to_string(SendMessageW(h, STM_GETICON, 0, 0) ? 1 : 0));
      continue;
    }
    std::string kind = _wcsicmp(cls.c_str(), L"Static") == 0   ? "static"
                       : _wcsicmp(cls.c_str(), L"Button") == 0 ? "button"
                                                               : "other";
    Out(kind + " " + id + " " + Escape(TextOf(h)));
  }
  return 0;
}

void PrintMode(const char* label, DWORD which) {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  BOOL ok = EnumDisplaySettingsA(nullptr, which, &dm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s %lu %lu %lu%s", label, dm.dmPelsWidth, dm.dmPelsHeight, dm.dmBitsPerPel,
                ok ? "" : " failed");
  Out(buf);
}

int CmdModes() {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &dm); ++i) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "mode %lu %lu %lu %lu %lu", i, dm.dmPelsWidth, dm.dmPelsHeight, dm.dmBitsPerPel,
                  dm.dmDisplayFrequency);
    Out(buf);
    dm = DEVMODEA{};
    dm.dmSize = sizeof dm;
  }
  return 0;
}

int CmdSetMode(int w, int h, int d) {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  dm.dmPelsWidth = w;
  dm.dmPelsHeight = h;
  dm.dmBitsPerPel = d;
  dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  LONG r = ChangeDisplaySettingsA(&dm, CDS_UPDATEREGISTRY);
  Out("result " + std::to_string(r));
  return r == DISP_CHANGE_SUCCESSFUL ? 0 : 3;
}

// Reports every display change until its standard input ends: a hidden top-level window receives the
// WM_DISPLAYCHANGE broadcast that each mode switch sends, and reads the mode in force and the stored mode
// while the switching program still waits for the broadcast to be delivered.
//   ready                                                      the window is listening
//   change W H D current W H D registry W H D                  one per WM_DISPLAYCHANGE
//   end
void ModeLine(std::string& out, const char* label, DWORD which) {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  EnumDisplaySettingsA(nullptr, which, &dm);
  char buf[80];
  std::snprintf(buf, sizeof buf, " %s %lu %lu %lu", label, dm.dmPelsWidth, dm.dmPelsHeight, dm.dmBitsPerPel);
  out += buf;
}

LRESULT CALLBACK WatchProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DISPLAYCHANGE) {
    std::string line = "change " + std::to_string(LOWORD(lp)) + " " + std::to_string(HIWORD(lp)) + " " +
                       std::to_string(wp);
    ModeLine(line, "current", ENUM_CURRENT_SETTINGS);
    ModeLine(line, "registry", ENUM_REGISTRY_SETTINGS);
    Out(line);
    return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

DWORD WINAPI WaitForStdinEnd(LPVOID main_thread) {
  char buf[64];
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &got, nullptr) && got > 0) {
  }
  PostThreadMessageW(static_cast<DWORD>(reinterpret_cast<uintptr_t>(main_thread)), WM_QUIT, 0, 0);
  return 0;
}

int CmdWatchDisplay() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WatchProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VelmoraTestDisplayWatch";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, wc.lpszClassName, L"display watch", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
  if (!h) {
    Out("error create-window");
    return 3;
  }
  SetTimer(h, 1, g_timeout_ms, nullptr);
  HANDLE reader = CreateThread(nullptr, 0, WaitForStdinEnd,
                               reinterpret_cast<LPVOID>(static_cast<uintptr_t>(GetCurrentThreadId())), 0, nullptr);
  if (reader) CloseHandle(reader);
  Out("ready");
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_TIMER) break;  // the timeout
    DispatchMessageW(&m);
  }
  Out("end");
  DestroyWindow(h);
  return 0;
}

int CmdLogoff() {
  HWND h = NeedMainWindow();
  DWORD_PTR allowed = 0;
  BOOL sent =
      SendMessageTimeoutW(h, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &allowed);
  Out("queryendsession sent " + std::to_string(sent ? 1 : 0) + " result " + std::to_string(allowed));
  // As Windows does: the session ends only when the program agreed.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(h, WM_ENDSESSION, allowed ? TRUE : FALSE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &ignored);
  Out(std::string("endsession ") + (allowed ? "1" : "0"));
  return 0;
}

int CmdClose() {
  HWND h = NeedMainWindow();
  Out(std::string("posted ") + (PostMessageW(h, WM_CLOSE, 0, 0) ? "1" : "0"));
  return 0;
}

int CmdTaskbarCreated() {
  HWND h = NeedMainWindow();
  UINT msg = RegisterWindowMessageW(L"TaskbarCreated");
  DWORD_PTR r = 0;
  BOOL sent = SendMessageTimeoutW(h, msg, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  Out("sent " + std::to_string(sent ? 1 : 0) + " message " + std::to_string(msg));
  return sent ? 0 : 3;
}

int CmdGuiResources() {
  auto pids = WaitFor(VelmoraPids, g_timeout_ms);
  if (pids.empty()) {
    Out("error no-process");
    return 1;
  }
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pids.front());
  if (!p) {
    Out("error open-process");
    return 3;
  }
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
  char buf[128];
  std::snprintf(buf, sizeof buf, "gui user %lu gdi %lu private %llu", GetGuiResources(p, GR_USEROBJECTS),
                GetGuiResources(p, GR_GDIOBJECTS), static_cast<unsigned long long>(pmc.PrivateUsage));
  CloseHandle(p);
  Out(buf);
  return 0;
}

int CmdAlive(bool wait_gone) {
  if (wait_gone) WaitFor([] { return VelmoraPids().empty(); }, g_timeout_ms);
  auto pids = VelmoraPids();
  if (pids.empty()) {
    Out("alive 0");
    return wait_gone ? 0 : 1;
  }
  Out("alive 1 " + std::to_string(pids.front()));
  return wait_gone ? 1 : 0;
}

// The notification icons, read from the tooltip controls the shell keeps for them:
// "icon L T R B TIP" in screen coordinates.
int CmdTrayIcons() {
  HWND tray = WaitFor([] { return FindWindowW(L"Shell_TrayWnd", nullptr); }, g_timeout_ms);
  if (!tray) {
    Out("error no-taskbar");
    return 1;
  }
  std::string error;
  std::string text = Spy(PidOf(tray), "tray", error);
  if (text.empty()) {
    Out("error " + error);
    return 3;
  }
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    std::string line = text.substr(pos, eol - pos);
    pos = eol == std::string::npos ? text.size() : eol + 1;
    if (line.rfind("tip ", 0) != 0) continue;
    long l = 0, t = 0, r = 0, b = 0;
    char hex[2048] = {};
    std::sscanf(line.c_str(), "tip %ld %ld %ld %ld %2047s", &l, &t, &r, &b, hex);
    char head[96];
    std::snprintf(head, sizeof head, "icon %ld %ld %ld %ld ", l, t, r, b);
    Out(head + Escape(FromAnsi(Unhex(hex))));
  }
  return 0;
}

// Removes Velmora's notification icon (owner: its main window, identifier 1) from the shell, as a restart
// of the shell loses every icon.
int CmdTrayForget() {
  HWND h = NeedMainWindow();
  NOTIFYICONDATAA nid{};
  nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  nid.hWnd = h;
  nid.uID = 1;
  BOOL ok = Shell_NotifyIconA(NIM_DELETE, &nid);
  Out(std::string("deleted ") + (ok ? "1" : "0"));
  return ok ? 0 : 3;
}

int CmdDesktop() {
  // The taskbar shows only while it has something to show, such as a notification icon.
  HWND tray = WaitFor(
      [] {
        HWND t = FindWindowW(L"Shell_TrayWnd", nullptr);
        return t && IsWindowVisible(t) ? t : nullptr;
      },
      g_timeout_ms);
  Out("screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
      std::to_string(GetSystemMetrics(SM_CYSCREEN)));
  if (!tray) {
    Out("taskbar hidden");
    return 1;
  }
  Out("taskbar " + Rect(tray));
  const std::vector<HWND> kids = ChildWindows(tray);
  for (HWND h : kids)
    Out("child " + Hwnd(h) + " visible " + std::to_string(IsWindowVisible(h) ? 1 : 0) + " class " +
        Escape(ClassOf(h)) + " rect " + Rect(h) + " " + Escape(TextOf(h)));
  return 0;
}


// ---------------------------------------------------------------- long use

// How many windows Velmora's process owns: top-level ones (hidden ones included), of those the hidden
// ones and the popup-menu windows (class #32768), and the child windows of all of them.
//   "windows top T hidden H menus M children C"
int CmdWindowCount() {
  auto pids = WaitFor(VelmoraPids, g_timeout_ms);
  if (pids.empty()) {
    Out("error no-process");
    return 1;
  }
  int top = 0, hidden = 0, menus = 0, children = 0;
  for (HWND h : TopLevelWindows()) {
    if (!IsVelmora(h, pids)) continue;
    ++top;
    if (!IsWindowVisible(h)) ++hidden;
    if (ClassOf(h) == L"#32768") ++menus;
    children += static_cast<int>(ChildWindows(h).size());
  }
  Out("windows top " + std::to_string(top) + " hidden " + std::to_string(hidden) + " menus " +
      std::to_string(menus) + " children " + std::to_string(children));
  return 0;
}

HWND OpenPopup(HWND main, WPARAM code) {
  PostMessageW(main, WM_MOUSEMOVE, 1, code);
  return WaitFor([] { return VelmoraWindowOfClass(L"#32768"); }, g_timeout_ms, 5);
}

bool ClosePopup(HWND popup) {
  PostKey(popup, VK_ESCAPE);
  return WaitFor([] { return VelmoraWindowOfClass(L"#32768") == nullptr; }, g_timeout_ms, 5);
}

std::vector<MenuItem> ReadMenuOrEmpty() {
  std::vector<MenuItem> items;
  std::string error;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (ReadMenu(items, error)) return items;
    Sleep(200);
  }
  Out("error menu-read " + error);
  return {};
}

std::vector<std::wstring> Ticked(const std::vector<MenuItem>& items) {
  std::vector<std::wstring> out;
  for (const auto& it : items)
    if (it.checked) out.push_back(it.caption);
  return out;
}

// Opens the popup N times by the tray callback (left and right press in turn) and closes it with Esc.
// Every 100th time the menu is read as well: it must hold as many items as the first time, one ticked.
//   "popups I ms T"  after every 100;  "done popups N worst-ms W items K"
int CmdSoakPopups(int n) {
  HWND main = NeedMainWindow();
  DWORD start = GetTickCount(), worst = 0;
  size_t expected = 0;
  for (int i = 0; i < n; ++i) {
    DWORD t = GetTickCount();
    HWND popup = OpenPopup(main, i % 2 ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
    if (!popup) {
      Out("error no-popup at " + std::to_string(i));
      return 1;
    }
    if (i % 100 == 0) {
      auto items = ReadMenuOrEmpty();
      if (items.empty()) return 3;
      if (expected == 0) expected = items.size();
      if (items.size() != expected || Ticked(items).size() != 1) {
        Out("error menu-changed at " + std::to_string(i) + " items " + std::to_string(items.size()) + " ticked " +
            std::to_string(Ticked(items).size()));
        ClosePopup(popup);
        return 1;
      }
    }
    if (!ClosePopup(popup)) {
      Out("error still-open at " + std::to_string(i));
      return 1;
    }
    worst = std::max(worst, GetTickCount() - t);
    if ((i + 1) % 100 == 0) Out("popups " + std::to_string(i + 1) + " ms " + std::to_string(GetTickCount() - start));
  }
  Out("done popups " + std::to_string(n) + " worst-ms " + std::to_string(worst) + " items " +
      std::to_string(expected));
  return 0;
}

// The width, height and depth a mode caption names ("1024x768<unit>\t16<unit>").
bool ModeOfCaption(const std::wstring& caption, DWORD& w, DWORD& h, DWORD& d) {
  size_t tab = caption.find(L'\t');
  if (tab == std::wstring::npos || std::swscanf(caption.c_str(), L"%lux%lu", &w, &h) != 2) return false;
  d = std::wcstoul(caption.c_str() + tab + 1, nullptr, 10);
  return d != 0;
}

bool ModeIs(DWORD which, DWORD w, DWORD h, DWORD d) {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  return EnumDisplaySettingsA(nullptr, which, &dm) && dm.dmPelsWidth == w && dm.dmPelsHeight == h &&
         (d == 0 || dm.dmBitsPerPel == d);
}

// Highlights the item reached by `presses` Down presses in a fresh popup and presses Enter.
int ChooseByKeys(HWND popup, int presses, int i) {
  for (int k = 0; k < presses; ++k) {
    PostKey(popup, VK_DOWN);
    Sleep(10);
  }
  PostKey(popup, VK_RETURN);
  if (!WaitFor([] { return VelmoraWindowOfClass(L"#32768") == nullptr; }, g_timeout_ms, 5)) {
    Out("error choose at " + std::to_string(i));
    return 1;
  }
  return 0;
}

// Reads the open popup, checks that it ticks `previous` (unless empty) and chooses `caption`; sets `presses`
// to the Down presses that reach that item in a fresh popup.
int ChooseByReading(HWND popup, const std::wstring& caption, const std::wstring& previous, int& presses, int i) {
  auto items = ReadMenuOrEmpty();
  if (items.empty()) return 3;
  auto ticked = Ticked(items);
  if (!previous.empty() && (ticked.size() != 1 || ticked[0] != previous)) {
    std::string got;
    for (const auto& c : ticked) got += " " + Escape(c);
    Out("error tick at " + std::to_string(i) + " expected " + Escape(previous) + " got" + got);
    ClosePopup(popup);
    return 1;
  }
  int k = -1;
  for (const auto& it : items)
    if (!it.separator && it.caption == caption) k = it.index;
  if (k < 0) {
    Out("error not-offered " + Escape(caption));
    ClosePopup(popup);
    return 1;
  }
  if (ChooseIn(popup, items, k, false) != 0) {
    Out("error choose at " + std::to_string(i));
    return 1;
  }
  presses = 0;
  for (int j = 0; j <= k; ++j)
    if (!items[j].separator) ++presses;
  return 0;
}

// Chooses the given mode captions from the popup in turn, N times in all. Each time the popup is opened by
// the tray callback; after the choice the stored mode must become the chosen one and the mode in force take
// its size, with no message box. The first time and every 10th time the menu is read (menuspy.dll) before
// the choice, and from the second time on it must tick the mode chosen the time before; the other times
// the item is reached by as many Down presses as the first reading showed, so that the in-process reader,
// which leaves some memory behind in the process each time it is loaded, stays out of the figures.
//   "switch I ms T CAPTION"  each time;  "done switches N worst-ms W reads R"
int CmdSoakSwitch(int n, const std::vector<std::wstring>& captions) {
  struct Mode {
    std::wstring caption;
    DWORD w, h, d;
  };
  std::vector<Mode> modes;
  for (const auto& c : captions) {
    Mode m{c, 0, 0, 0};
    if (!ModeOfCaption(c, m.w, m.h, m.d)) {
      Out("error not-a-mode " + Escape(c));
      return 2;
    }
    modes.push_back(m);
  }
  if (modes.size() < 2) return 2;
  HWND main = NeedMainWindow();
  DWORD worst = 0;
  int reads = 0;
  std::wstring previous;
  std::vector<int> downs(modes.size(), -1);  // Down presses that highlight each mode in a fresh popup
  for (int i = 0; i < n; ++i) {
    const Mode& target = modes[i % modes.size()];
    DWORD t = GetTickCount();
    HWND popup = OpenPopup(main, i % 2 ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
    if (!popup) {
      Out("error no-popup at " + std::to_string(i));
      return 1;
    }
    int& presses = downs[i % modes.size()];
    const bool read = presses < 0 || i % 10 == 0;
    reads += read ? 1 : 0;
    int rc = read ? ChooseByReading(popup, target.caption, previous, presses, i) : ChooseByKeys(popup, presses, i);
    if (rc != 0) return rc;
    bool followed = WaitFor(
        [&] {
          return ModeIs(ENUM_REGISTRY_SETTINGS, target.w, target.h, target.d) &&
                 ModeIs(ENUM_CURRENT_SETTINGS, target.w, target.h, 0);
        },
        g_timeout_ms, 10);
    if (!followed) {
      Out("error mode-not-set at " + std::to_string(i) + " " + Escape(target.caption));
      return 1;
    }
    if (HWND box = VelmoraWindowOfClass(L"#32770")) {
      Out("error msgbox at " + std::to_string(i) + " " + Escape(TextOf(box)));
      return 1;
    }
    previous = target.caption;
    DWORD took = GetTickCount() - t;
    worst = std::max(worst, took);
    Out("switch " + std::to_string(i + 1) + " ms " + std::to_string(took) + " " + Escape(target.caption));
  }
  Out("done switches " + std::to_string(n) + " worst-ms " + std::to_string(worst) + " reads " +
      std::to_string(reads));
  return 0;
}

// ---------------------------------------------------------------- failures

// Lets the stored display settings be written, or not: sets the access rules of the display adapter's
// settings key (HKEY_CURRENT_CONFIG, the key EnumDisplayDevices names) to read-only or to full access for
// everyone. While it is read-only a mode switch that is to be stored fails to store it.
//   "stored-settings KEY deny|allow"
int CmdStoredModeWrite(bool allow) {
  DISPLAY_DEVICEA device{};
  device.cb = sizeof device;
  if (!EnumDisplayDevicesA(nullptr, 0, &device, 0)) {
    Out("error no-display-device");
    return 3;
  }
  std::string key = device.DeviceKey;
  const std::string machine = "\\Registry\\Machine\\";
  if (_strnicmp(key.c_str(), machine.c_str(), machine.size()) != 0) {
    Out("error device-key " + key);
    return 3;
  }
  key = key.substr(machine.size());
  HKEY h = nullptr;
  LONG r = RegOpenKeyExA(HKEY_CURRENT_CONFIG, key.c_str(), 0, READ_CONTROL | WRITE_DAC, &h);
  if (r != ERROR_SUCCESS) {
    Out("error open-key " + std::to_string(r) + " " + key);
    return 3;
  }
  PSECURITY_DESCRIPTOR sd = nullptr;
  const wchar_t* rule = allow ? L"D:P(A;;KA;;;WD)" : L"D:P(A;;KR;;;WD)";
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(rule, SDDL_REVISION_1, &sd, nullptr)) {
    Out("error sddl " + std::to_string(GetLastError()));
    RegCloseKey(h);
    return 3;
  }
  r = RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, sd);
  LocalFree(sd);
  RegCloseKey(h);
  if (r != ERROR_SUCCESS) {
    Out("error set-security " + std::to_string(r));
    return 3;
  }
  Out("stored-settings " + key + (allow ? " allow" : " deny"));
  return 0;
}

// Starts Velmora.exe (from the driver's folder) with exactly the command-line text read from standard
// input (UTF-8) after its quoted path and one blank, and waits for it to end.
//   "started PID length L"  then  "exit CODE"  (or "error create-process ERROR length L")
int CmdLaunch() {
  std::string tail;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &got, nullptr) && got > 0) tail.append(buf, got);
  std::wstring wtail;
  if (!tail.empty()) {
    int n = MultiByteToWideChar(CP_UTF8, 0, tail.data(), static_cast<int>(tail.size()), nullptr, 0);
    wtail.resize(n);
    MultiByteToWideChar(CP_UTF8, 0, tail.data(), static_cast<int>(tail.size()), wtail.data(), n);
  }
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring exe = self;
  exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + g_exe_name;
  std::wstring line = L"\"" + exe + L"\" " + wtail;
  std::string length = std::to_string(line.size());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Out("error create-process " + std::to_string(GetLastError()) + " length " + length);
    return 3;
  }
  Out("started " + std::to_string(process.dwProcessId) + " length " + length);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  Out("exit " + std::to_string(code));
  return 0;
}

int Usage() {
  Out("error usage");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args;
  bool wait_gone = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--timeout" && i + 1 < argc) {
      g_timeout_ms = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
    } else if (a == L"--exe" && i + 1 < argc) {
      g_exe_name = argv[++i];
    } else if (a == L"--wait-gone") {
      wait_gone = true;
    } else {
      args.push_back(a);
    }
  }
  if (args.empty()) return Usage();
  const std::wstring& cmd = args[0];
  auto num = [&](size_t i) { return i < args.size() ? std::wcstol(args[i].c_str(), nullptr, 10) : -1L; };

  if (cmd == L"find") return CmdFind();
  if (cmd == L"windows") return CmdWindows();
  if (cmd == L"all-windows") return CmdAllWindows();
  if (cmd == L"texts") return CmdTexts();
  if (cmd == L"click" && args.size() == 2) {
    HWND h = NeedMainWindow();
    BOOL ok = PostMessageW(h, WM_MOUSEMOVE, 1, num(1));
    Out(std::string("posted ") + (ok ? "1" : "0"));
    return ok ? 0 : 3;
  }
  if (cmd == L"menu") {
    PrintMenu(NeedMenu());
    return 0;
  }
  if (cmd == L"choose" && args.size() == 2) return CmdChoose(static_cast<int>(num(1)));
  if (cmd == L"dismiss") {
    HWND popup = NeedPopup();
    PostKey(popup, VK_ESCAPE);
    bool gone = WaitFor([] { return VelmoraWindowOfClass(L"#32768") == nullptr; }, g_timeout_ms);
    Out(gone ? "dismissed" : "error still-open");
    return gone ? 0 : 1;
  }
  if (cmd == L"menu-gone") {
    bool gone = WaitFor([] { return VelmoraWindowOfClass(L"#32768") == nullptr; }, g_timeout_ms);
    Out(gone ? "gone" : "error still-open");
    return gone ? 0 : 1;
  }
  if (cmd == L"msgbox") return CmdMsgbox(false);
  if (cmd == L"msgbox-close") return CmdMsgbox(true);
  if (cmd == L"mode") {
    PrintMode("current", ENUM_CURRENT_SETTINGS);
    PrintMode("registry", ENUM_REGISTRY_SETTINGS);
    return 0;
  }
  if (cmd == L"modes") return CmdModes();
  if (cmd == L"set-mode" && args.size() == 4)
    return CmdSetMode(static_cast<int>(num(1)), static_cast<int>(num(2)), static_cast<int>(num(3)));
  if (cmd == L"logoff") return CmdLogoff();
  if (cmd == L"watch-display") return CmdWatchDisplay();
  if (cmd == L"close") return CmdClose();
  if (cmd == L"taskbar-created") return CmdTaskbarCreated();
  if (cmd == L"gui-resources") return CmdGuiResources();
  if (cmd == L"alive") return CmdAlive(wait_gone);
  if (cmd == L"desktop") return CmdDesktop();
  if (cmd == L"tray-icons") return CmdTrayIcons();
  if (cmd == L"tray-forget") return CmdTrayForget();
  if (cmd == L"window-count") return CmdWindowCount();
  if (cmd == L"soak-popups" && args.size() == 2) return CmdSoakPopups(static_cast<int>(num(1)));
  if (cmd == L"soak-switch" && args.size() >= 4)
    return CmdSoakSwitch(static_cast<int>(num(1)), std::vector<std::wstring>(args.begin() + 2, args.end()));
  if (cmd == L"stored-settings" && args.size() == 2 && (args[1] == L"deny" || args[1] == L"allow"))
    return CmdStoredModeWrite(args[1] == L"allow");
  if (cmd == L"launch") return CmdLaunch();
  return Usage();
}
