#include "app/module.h"
#include "menu/mode_menu.h"
#include "ui/frm_main.h"

void frmMain::BuildModeMenu() {
  modeTable = BuildCatalogue(p_.display);
  Module::CommandBase = BuildMenu(modeTable, mnuDisplayMode, MenuModeIndex);
  modeTable.clear();
  modeTable.shrink_to_fit();
  ShowCurrentMode();
}
