#include "display_calls.h"

#include <cstring>

namespace {

DEVMODEA EmptyMode() {
  DEVMODEA mode;
  std::memset(&mode, 0, sizeof mode);
  mode.dmSize = sizeof mode;
  return mode;
}

}  // namespace

DWORD ListModes() {
  DEVMODEA mode = EmptyMode();
  DWORD listed = 0;
  while (EnumDisplaySettingsA(nullptr, listed, &mode)) ++listed;
  return listed;
}

DEVMODEA CurrentMode() {
  DEVMODEA current = EmptyMode();
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current);
  return current;
}

LONG ApplyWantedMode() {
  DEVMODEA wanted = EmptyMode();
  wanted.dmPelsWidth = 1024;
  wanted.dmPelsHeight = 768;
  wanted.dmBitsPerPel = 16;
  wanted.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  return ChangeDisplaySettingsA(&wanted, CDS_UPDATEREGISTRY);
}
