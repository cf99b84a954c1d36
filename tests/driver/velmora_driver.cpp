// velmora_driver.exe: drives a running Velmora.exe from the same (Wine) desktop for the end-to-end tests.
// Usage: velmora_driver.exe COMMAND [ARGS...]. What a command reads, it prints as one JSON value (texts in
// UTF-8). Exit status: 0 done, 1 what it waited for did not come within 15 s, 2 usage error, 3 any other
// failure; then it prints {"error": WHAT}.
//   find             Velmora's main window: {"visible", "owned", "client": [W, H], "rect": [L, T, R, B],
//                    "texts": the texts of its visible controls}
//   windows          Velmora's top-level windows: [[VISIBLE, CLASS, TITLE], ...]
//   click CODE       post the tray callback WM_MOUSEMOVE(1, CODE): 513 left press, 516 right press
//   menu             the open popup and the process's icons, read by menuspy.dll inside Velmora (see there)
//   keys KEY...      post down, up, return or escape to the open popup; after return or escape wait until
//                    it closes
//   popups N         open the popup N times by the tray callback and close it with Esc
//   msgbox           Velmora's message box: {"caption", "rect", "icon": shown or not, "texts", "buttons"}
//   msgbox-ok        press OK in it and wait until it closes
//   mode             [[W, H, D] in force, [W, H, D] stored]
//   logoff           WM_QUERYENDSESSION, then WM_ENDSESSION with the answer: {"allowed"}
//   close | taskbar-created   WM_CLOSE; post "TaskbarCreated"
//   tray-icons       the shell's notification icons, read by menuspy.dll inside the shell (see there)
//   tray-forget      remove Velmora's icon from the shell, as a restarted shell has lost it
//   stored-settings-deny   make the stored display settings read-only
//   acp              the ANSI code page of the session: {"acp"}

#include <windows.h>
// after windows.h
#include <sddl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "json.h"

namespace {

void Out(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

int Fail(const char* what, int status) {
  return Out(Object({{"error", "\"" + std::string(what) + "\""}})), status;
}

std::wstring TextOf(HWND h) {
  wchar_t buf[2048] = {};
  GetWindowTextW(h, buf, 2047);
  return buf;
}

std::wstring ClassOf(HWND h) {
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 63);
  return cls;
}

// Asks the probe every 50 ms until it answers a true value or the time is up; returns the last answer.
template <class F>
auto WaitFor(F probe, DWORD timeout_ms = 15000) {
  for (DWORD start = GetTickCount();; Sleep(50))
    if (auto r = probe(); r || GetTickCount() - start >= timeout_ms) return r;
}

std::vector<HWND> Windows(HWND parent = nullptr) {
  std::vector<HWND> all;
  auto add = [](HWND h, LPARAM all)
                 CALLBACK -> BOOL { return reinterpret_cast<std::vector<HWND>*>(all)->push_back(h), TRUE; };
  parent ? EnumChildWindows(parent, add, reinterpret_cast<LPARAM>(&all))
         : EnumWindows(add, reinterpret_cast<LPARAM>(&all));
  return all;
}

DWORD PidOf(HWND h) {
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  return pid;
}

// Velmora's main window: the top-level window titled "Velmora" that is no dialog box.
HWND MainWindow() {
  for (HWND h : Windows())
    if (TextOf(h) == L"Velmora" && ClassOf(h) != L"#32770") return h;
  return nullptr;
}

// A visible top-level window of that class in Velmora's process.
HWND VelmoraWindow(const wchar_t* cls) {
  HWND main = MainWindow();
  for (HWND h : Windows())
    if (main && PidOf(h) == PidOf(main) && ClassOf(h) == cls && IsWindowVisible(h)) return h;
  return nullptr;
}

// The window the probe finds once it comes; when none comes, the driver ends with status 1.
template <class F>
HWND Need(F probe, const char* what) {
  HWND h = WaitFor(probe);
  if (!h) std::exit(Fail(what, 1));
  return h;
}

HWND NeedMain() { return Need(MainWindow, "no Velmora window"); }
HWND NeedWindow(const wchar_t* cls) {
  return Need([cls] { return VelmoraWindow(cls); }, "no such window");
}

// Loads menuspy.dll (beside the driver) into process PID; prints what it read there.
int Spy(DWORD pid) {
  const std::string answer = TempFile("velmora_menuspy.txt");
  DeleteFileA(answer.c_str());
  char dll[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, dll, MAX_PATH);
  std::strcpy(std::strrchr(dll, '\\') + 1, "menuspy.dll");
  HANDLE proc = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
  void* mem = proc ? VirtualAllocEx(proc, nullptr, sizeof dll, MEM_COMMIT, PAGE_READWRITE) : nullptr;
  auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
  HANDLE thread = mem && WriteProcessMemory(proc, mem, dll, sizeof dll, nullptr)
                      ? CreateRemoteThread(proc, nullptr, 0, load, mem, 0, nullptr)
                      : nullptr;
  if (!thread) return Fail("inject-failed", 3);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  VirtualFreeEx(proc, mem, 0, MEM_RELEASE);
  CloseHandle(proc);
  // menuspy.dll writes its answer aside and renames it: once the file is there, it is whole.
  if (!WaitFor([&] { return GetFileAttributesA(answer.c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000))
    return Fail("no-answer", 3);
  std::ifstream in(answer, std::ios::binary);
  return Out(std::string(std::istreambuf_iterator<char>(in), {})), 0;
}

int Keys(const std::vector<std::string>& keys) {
  HWND popup = NeedWindow(L"#32768");
  for (const auto& k : keys) {
    const WPARAM vk = k == "down" ? VK_DOWN : k == "up" ? VK_UP : k == "return" ? VK_RETURN : VK_ESCAPE;
    PostMessageW(popup, WM_KEYDOWN, vk, 1);
    PostMessageW(popup, WM_KEYUP, vk, 0xC0000001);
    Sleep(30);
    if ((k == "return" || k == "escape") && !WaitFor([] { return !VelmoraWindow(L"#32768"); }))
      return Fail("still-open", 1);
  }
  return 0;
}

int MsgBox(bool press_ok) {
  HWND box = NeedWindow(L"#32770");
  if (press_ok) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return WaitFor([box] { return !IsWindow(box) || !IsWindowVisible(box); }) ? 0 : 1;
  }
  RECT r{};
  GetWindowRect(box, &r);
  std::vector<std::string> texts, buttons;
  bool icon = false;
  for (HWND h : Windows(box)) {
    const bool is_static = ClassOf(h) == L"Static";
    // Wine keeps the icon control of a box without an icon, only hidden and empty.
    if (is_static && (GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
      icon = IsWindowVisible(h) && SendMessageW(h, STM_GETICON, 0, 0);
    else if (is_static && !TextOf(h).empty())
      texts.push_back(Json(TextOf(h).c_str()));
    else if (ClassOf(h) == L"Button")
      buttons.push_back(Json(TextOf(h).c_str()));
  }
  return Out(Object({{"caption", Json(TextOf(box).c_str())},
                     {"rect", Ints({r.left, r.top, r.right, r.bottom})},
                     {"icon", Bool(icon)},
                     {"texts", Array(texts)},
                     {"buttons", Array(buttons)}})),
         0;
}

std::string Mode(DWORD which) {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  EnumDisplaySettingsA(nullptr, which, &dm);
  return Ints({static_cast<long>(dm.dmPelsWidth), static_cast<long>(dm.dmPelsHeight),
               static_cast<long>(dm.dmBitsPerPel)});
}

// Makes the display adapter's settings key (the key EnumDisplayDevices names, under HKEY_CURRENT_CONFIG)
// read-only: a mode can no longer be stored.
int DenyStoredSettings() {
  DISPLAY_DEVICEA device{};
  device.cb = sizeof device;
  EnumDisplayDevicesA(nullptr, 0, &device, 0);
  const char* key = std::strstr(device.DeviceKey, "\\Machine\\");
  HKEY h = nullptr;
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!key || RegOpenKeyExA(HKEY_CURRENT_CONFIG, key + 9, 0, READ_CONTROL | WRITE_DAC, &h) != ERROR_SUCCESS ||
      !ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &sd,
                                                            nullptr))
    return Fail("stored-settings-key", 3);
  const LONG r = RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, sd);
  LocalFree(sd);
  RegCloseKey(h);
  return r == ERROR_SUCCESS ? 0 : 3;
}

int Run(const std::vector<std::string>& a) {
  const std::string& cmd = a[0];
  const int n = a.size() > 1 ? std::atoi(a[1].c_str()) : 0;
  if (cmd == "find") {
    HWND h = NeedMain();
    RECT r{}, c{};
    GetWindowRect(h, &r);
    GetClientRect(h, &c);
    std::vector<std::string> texts;
    for (HWND child : Windows(h))
      if (IsWindowVisible(child) && !TextOf(child).empty()) texts.push_back(Json(TextOf(child).c_str()));
    // An owned window gets no taskbar button.
    return Out(Object({{"visible", Bool(IsWindowVisible(h))},
                       {"owned", Bool(GetWindow(h, GW_OWNER))},
                       {"client", Ints({c.right, c.bottom})},
                       {"rect", Ints({r.left, r.top, r.right, r.bottom})},
                       {"texts", Array(texts)}})),
           0;
  }
  if (cmd == "windows") {
    const DWORD pid = PidOf(NeedMain());
    std::vector<std::string> found;
    for (HWND h : Windows())
      if (PidOf(h) == pid)
        found.push_back(Array({Bool(IsWindowVisible(h)), Json(ClassOf(h).c_str()), Json(TextOf(h).c_str())}));
    return Out(Array(found)), 0;
  }
  if (cmd == "click") return PostMessageW(NeedMain(), WM_MOUSEMOVE, 1, n) ? 0 : 3;
  if (cmd == "menu") {
    NeedWindow(L"#32768");
    Sleep(100);  // the popup window may show a moment before its items are in place
    return Spy(PidOf(MainWindow()));
  }
  if (cmd == "keys") return Keys(std::vector<std::string>(a.begin() + 1, a.end()));
  if (cmd == "popups") {
    int rc = 0;
    for (int i = 0; i < n && rc == 0; ++i) {
      PostMessageW(NeedMain(), WM_MOUSEMOVE, 1, i % 2 ? WM_LBUTTONDOWN : WM_RBUTTONDOWN);
      rc = Keys({"escape"});
    }
    return rc;
  }
  if (cmd == "msgbox" || cmd == "msgbox-ok") return MsgBox(cmd == "msgbox-ok");
  if (cmd == "mode") return Out(Array({Mode(ENUM_CURRENT_SETTINGS), Mode(ENUM_REGISTRY_SETTINGS)})), 0;
  if (cmd == "logoff") {
    DWORD_PTR allowed = 0, ignored = 0;
    SendMessageTimeoutW(NeedMain(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                        &allowed);
    // As Windows does: the session ends only when the program agreed.
    SendMessageTimeoutW(MainWindow(), WM_ENDSESSION, allowed != 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return Out(Object({{"allowed", Bool(allowed != 0)}})), 0;
  }
  if (cmd == "close") return PostMessageW(NeedMain(), WM_CLOSE, 0, 0) ? 0 : 3;
  if (cmd == "taskbar-created")
    return PostMessageW(NeedMain(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0) ? 0 : 3;
  if (cmd == "tray-icons")
    return Spy(PidOf(Need([] { return FindWindowW(L"Shell_TrayWnd", nullptr); }, "taskbar")));
  if (cmd == "tray-forget") {
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = NeedMain();
    nid.uID = 1;
    return Shell_NotifyIconA(NIM_DELETE, &nid) ? 0 : 3;
  }
  if (cmd == "stored-settings-deny") return DenyStoredSettings();
  if (cmd == "acp") return Out(Object({{"acp", std::to_string(GetACP())}})), 0;
  return Fail("usage", 2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Fail("usage", 2);
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
