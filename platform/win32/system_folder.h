// What the Windows layer starts or loads by name comes from the system folder, never from the
// program's own folder or the current directory, where anyone could have put a file of that name.
#pragma once
#include <string>

#include "platform/win32/windows_api.h"

namespace win32 {

// The system folder (GetSystemDirectoryW); empty if the system does not say.
std::u16string SystemFolder();

// From here on, libraries loaded by name come from the system folder only. A system without
// SetDefaultDllDirectories (before Windows 8 and its update for Windows 7) keeps its search order.
void RestrictLibrarySearch();

// The library of that name from the system folder (or the version the manifest selects); null if none.
HMODULE LoadSystemLibrary(const std::u16string& name);

}  // namespace win32
