#include "platform/win32/system_folder.h"

namespace win32 {

std::string SystemFolder() {
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(folder, length);
}

// Looked up at run time: importing it would keep the program from starting where it is missing.
void RestrictLibrarySearch() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  const auto set = reinterpret_cast<SetDirectories>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The search flag leaves the manifest's redirection (common controls version 6) in force. Systems
// that do not know the flag refuse it; there the full path of the system folder's copy is used.
HMODULE LoadSystemLibrary(const char* name) {
  if (HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return library;
  if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  const std::string folder = SystemFolder();
  if (folder.empty()) return nullptr;
  return LoadLibraryA((folder + '\\' + name).c_str());
}

}  // namespace win32
