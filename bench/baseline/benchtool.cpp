// The Windows-side helper of bench/wine_bench.sh:
//
//   benchtool.exe mem NAME.exe [...]   memory of every running process with that executable name
//   benchtool.exe set W H D            apply W x H x D and store it as the default
//   benchtool.exe get                  print the mode in force and the stored default
//
// mem prints one line per process: name, process id, PrivateUsage and WorkingSetSize from
// GetProcessMemoryInfo, and the committed private bytes found by walking the process's address
// space with VirtualQueryEx (MEM_COMMIT and MEM_PRIVATE).
#include <windows.h>
// These two need the types windows.h declares.
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

unsigned long long CommittedPrivate(HANDLE process) {
  unsigned long long total = 0;
  MEMORY_BASIC_INFORMATION info;
  char* address = nullptr;
  while (VirtualQueryEx(process, address, &info, sizeof info) == sizeof info) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    char* next = static_cast<char*>(info.BaseAddress) + info.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

int Memory(int count, char** names) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 3;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  int found = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    for (int a = 0; a < count; ++a) {
      if (_stricmp(entry.szExeFile, names[a]) != 0) continue;
      HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
      if (!process) continue;
      PROCESS_MEMORY_COUNTERS_EX counters;
      std::memset(&counters, 0, sizeof counters);
      counters.cb = sizeof counters;
      if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof counters)) {
        std::printf("%s pid=%lu private=%llu workingset=%llu committed_private=%llu\n", entry.szExeFile,
                    static_cast<unsigned long>(entry.th32ProcessID),
                    static_cast<unsigned long long>(counters.PrivateUsage),
                    static_cast<unsigned long long>(counters.WorkingSetSize), CommittedPrivate(process));
        ++found;
      }
      CloseHandle(process);
    }
  }
  CloseHandle(snapshot);
  return found > 0 ? 0 : 1;
}

int Set(DWORD width, DWORD height, DWORD depth) {
  DEVMODEA mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  mode.dmBitsPerPel = depth;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  const LONG result = ChangeDisplaySettingsA(&mode, CDS_UPDATEREGISTRY);
  std::printf("set %lux%lux%lu result=%ld\n", width, height, depth, result);
  return result == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}

int Get() {
  DEVMODEA current, stored;
  std::memset(&current, 0, sizeof current);
  std::memset(&stored, 0, sizeof stored);
  current.dmSize = stored.dmSize = sizeof current;
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current);
  EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &stored);
  std::printf("current=%lux%lux%lu registry=%lux%lux%lu\n", current.dmPelsWidth, current.dmPelsHeight,
              current.dmBitsPerPel, stored.dmPelsWidth, stored.dmPelsHeight, stored.dmBitsPerPel);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int status = 2;
  if (argc >= 3 && std::strcmp(argv[1], "mem") == 0) {
    status = Memory(argc - 2, argv + 2);
  } else if (argc == 5 && std::strcmp(argv[1], "set") == 0) {
    status = Set(std::strtoul(argv[2], nullptr, 10), std::strtoul(argv[3], nullptr, 10),
                 std::strtoul(argv[4], nullptr, 10));
  } else if (argc == 2 && std::strcmp(argv[1], "get") == 0) {
    status = Get();
  } else {
    std::fprintf(stderr, "usage: benchtool mem NAME.exe [...] | set W H D | get\n");
  }
  std::fflush(stdout);
  return status;
}
