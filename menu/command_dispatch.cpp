#include "menu/mode_menu.h"

MenuAction ActionAt(int16_t Index, int16_t commandBase) {
  if (Index >= 0 && Index < commandBase) return MenuAction::kMode;
  switch (Index - commandBase) {
    case kCmdStartScreenSaver: return MenuAction::kStartScreenSaver;
    case kCmdScreenSaverOff: return MenuAction::kScreenSaverSwitch;
    case kCmdDisplayProperties: return MenuAction::kDisplayProperties;
    case kCmdAbout: return MenuAction::kAbout;
    case kCmdExit: return MenuAction::kExit;
    default: return MenuAction::kNone;
  }
}
