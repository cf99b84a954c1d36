#include "app/runtime_error.h"
#include "app/text.h"
#include "ui/frm_main.h"

// The start-up sequence: the About labels, the tray icon, the mode menu, then the command line.
void frmMain::Form_Load() {
  lblVersion = VersionText();
  lblCopyright = NoticeText();
  const int32_t hWnd = p_.runtime.FormHwnd();
  Tray().Init(hWnd, p_.runtime.MiniIconPicture(), std::u16string(kAppTitle), 1);
  BuildModeMenu();
  if (p_.runtime.Command().find(u"/s") != std::u16string::npos) CommandLineMode();
}

// Start-up as the process runs it: an error before the program is resident is shown in the
// error box and ends the program, with the icon removed if it was added.
void frmMain::Start() {
  try {
    Form_Load();
  } catch (const RuntimeError& e) {
    p_.runtime.MsgBox(ErrorBoxText(e), vbCritical);
    if (HasTray()) Form_Unload();
    p_.runtime.End(kExitError);
  }
}

bool frmMain::Unload(int16_t origin) {
  int16_t cancel = 0;
  Form_QueryUnload(cancel, origin);
  if (cancel != 0) return false;
  Form_Unload();
  return true;
}

void frmMain::Form_Unload() {
  Tray().Delete();
  tray_.reset();
}

clsTray& frmMain::Tray() {
  if (!tray_) tray_ = std::make_unique<clsTray>(p_.shell, p_.runtime);
  return *tray_;
}
