// The least a display-mode switcher has to do, for comparison with Velmora.exe /s:
// enumerate every mode, read the mode in force, apply 1024x768 at 16 bits and store it as the
// default, then exit. With --wait it stays in a message loop afterwards instead, as a resident
// program would (its memory is compared with Velmora's resident process).
#include <windows.h>

#include <cstring>

#include "display_calls.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
  const bool wait = cmdLine != nullptr && std::strstr(cmdLine, "--wait") != nullptr;

  const DWORD listed = ListModes();
  CurrentMode();
  const LONG result = ApplyWantedMode();

  if (wait) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  }
  return result == DISP_CHANGE_SUCCESSFUL && listed > 0 ? 0 : 1;
}
