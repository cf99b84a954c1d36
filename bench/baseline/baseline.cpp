// The least a display-mode switcher has to do, for comparison with Velmora.exe /s:
// enumerate every mode, read the mode in force, apply 1024x768 at 16 bits and store it as the
// default, then exit. With --wait it stays in a message loop afterwards instead, as a resident
// program would (its memory is compared with Velmora's resident process).
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
  const bool wait = cmdLine != nullptr && std::strstr(cmdLine, "--wait") != nullptr;

  DEVMODEA mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof mode;
  DWORD listed = 0;
  while (EnumDisplaySettingsA(nullptr, listed, &mode)) ++listed;

  DEVMODEA current;
  std::memset(&current, 0, sizeof current);
  current.dmSize = sizeof current;
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current);

  DEVMODEA wanted;
  std::memset(&wanted, 0, sizeof wanted);
  wanted.dmSize = sizeof wanted;
  wanted.dmPelsWidth = 1024;
  wanted.dmPelsHeight = 768;
  wanted.dmBitsPerPel = 16;
  wanted.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  const LONG result = ChangeDisplaySettingsA(&wanted, CDS_UPDATEREGISTRY);

  if (wait) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  }
  return result == DISP_CHANGE_SUCCESSFUL && listed > 0 ? 0 : 1;
}
