#include "platform/win32/system_folder.h"

#include "platform/win32/wide_text.h"

namespace win32 {

std::u16string SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(folder), length);
}

// Looked up at run time: importing it would keep the program from starting where it is missing.
void RestrictLibrarySearch() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto set = reinterpret_cast<SetDirectories>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set) set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The search flag leaves the manifest's redirection (common controls version 6) in force. Systems
// that do not know the flag refuse it; there the full path of the system folder's copy is used.
HMODULE LoadSystemLibrary(const std::u16string& name) {
  if (HMODULE library = LoadLibraryExW(Wide(name), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return library;
  if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  const std::u16string folder = SystemFolder();
  if (folder.empty()) return nullptr;
  return LoadLibraryW(Wide(folder + u'\\' + name));
}

}  // namespace win32
