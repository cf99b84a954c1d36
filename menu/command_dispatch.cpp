#include "app/module.h"
#include "app/runtime_error.h"
#include "menu/mode_menu.h"
#include "ui/frm_main.h"

// Every item of the popup is an element of one control array: the index tells modes from commands.
void frmMain::mnuDisplayMode_Click(int16_t Index) {
  const int16_t b = Module::CommandBase;
  if (Index >= 0 && Index <= b - 1) {
    if (Index >= static_cast<int32_t>(MenuModeIndex.size())) throw ProgramError(kErrSubscript);
    ChangeMode(MenuModeIndex[static_cast<size_t>(Index)]);
    return;
  }
  const int32_t offset = Index - b;
  if (offset == kCmdStartScreenSaver) {
    p_.system.StartScreenSaver();
  } else if (offset == kCmdScreenSaverOff) {
    // The tick and the flag follow the system only when it accepted the change.
    const int32_t active = screenSaverOff_ ? -1 : 0;
    if (p_.system.SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, active, SPIF_UPDATEINIFILE) != 0) {
      mnuDisplayMode.SetChecked(Index, !mnuDisplayMode.Checked(Index));
      screenSaverOff_ = !screenSaverOff_;
    }
  } else if (offset == kCmdDisplayProperties) {
    try {
      p_.runtime.Shell(u"Control.exe Desk.cpl ,3", vbMinimizedFocus);
    } catch (const RuntimeError&) {
      // No control panel to start: the item does nothing.
    }
  } else if (offset == kCmdAbout) {
    Show();
  } else if (offset == kCmdExit) {
    if (Unload(vbFormCode)) p_.runtime.End(kExitOk);
  }
}
