#include "ui/frm_main.h"

#include <exception>
#include <utility>

#include "app/command_line.h"
#include "app/exit_status.h"
#include "app/runtime_error.h"
#include "app/text.h"
#include "display/mode_catalogue.h"
#include "display/mode_change.h"
#include "menu/current_mode.h"
#include "menu/mode_menu.h"

// --- Entry points: each event under the error handling ------------------------------------

void frmMain::Start() {
  Raise([this] { Form_Load(); });
}

void frmMain::MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
  Raise([&] { Form_MouseMove(Button, Shift, X, Y); });
}

void frmMain::MenuClick(int16_t Index) {
  Raise([&] { mnuDisplayMode_Click(Index); });
}

void frmMain::CloseRequest(int16_t origin) {
  Raise([&] { UnloadAndEnd(origin); });
}

bool frmMain::QueryEndSession() {
  int16_t cancel = 0;
  Raise([&] { Form_QueryUnload(cancel, vbAppWindows); });
  return cancel == 0;
}

void frmMain::OkClick() {
  Raise([this] { cmdOK_Click(); });
}

void frmMain::ShellRestarted() {
  Raise([this] { TaskbarCreated(); });
}

void frmMain::DisplayChanged() {
  Raise([this] { Form_DisplayChanged(); });
}

// --- Load -----------------------------------------------------------------------------------

// The start-up sequence: the About labels, the tray icon, the mode menu, then the command line.
void frmMain::Form_Load() {
  lblVersion = VersionText();
  lblCopyright = NoticeText();
  Tray().Init(p_.runtime.FormHwnd(), p_.runtime.MiniIconPicture(), std::u16string(kAppTitle), 1);
  BuildModeMenu();
  if (HasModeSwitch(p_.runtime.Command())) CommandLineMode();
}

// Three sentences, each indented with an ideographic space and closed with "。".
std::u16string frmMain::NoticeText() {
  return u"\u3000画面の解像度と色数をトレイから切り替えます。\r\n"
         u"\u3000著作権はVelmora開発チームにあります。\r\n"
         u"\u3000使用による損害にVelmora開発チームは責任を負いません。";
}

void frmMain::BuildModeMenu() { FillModeMenu(BuildCatalogue(p_.display)); }

void frmMain::FillModeMenu(ModeTable catalogue) {
  modeTable_ = std::move(catalogue);
  mnuDisplayMode = MenuArray();
  MenuModeIndex.clear();
  CommandBase = BuildMenu(modeTable_, mnuDisplayMode, MenuModeIndex);
  mnuDisplayMode.SetChecked(static_cast<int16_t>(CommandBase + kCmdScreenSaverOff), screenSaverOff_);
  ShowCurrentMode();
}

void frmMain::FollowDisplay() {
  ModeTable catalogue = BuildCatalogue(p_.display);
  if (catalogue != modeTable_)
    FillModeMenu(std::move(catalogue));
  else
    ShowCurrentMode();
}

// "/s width,height,depth": apply that mode if the menu offers it, then end in every case.
void frmMain::CommandLineMode() {
  int status = kExitNoMatch;
  commandLine_ = true;
  try {
    const ModeSwitch wanted = ReadModeSwitch(p_.runtime.Command());
    const int32_t item =
        FindModeItem(mnuDisplayMode, MenuModeIndex.size(), wanted.width, wanted.height, wanted.depth);
    // The result of this apply, not of one a press made while its box was up.
    if (item >= 0) status = AppliedStatus(ChangeMode(MenuModeIndex[static_cast<size_t>(item)]));
    Unload(vbFormCode);
  } catch (const RuntimeError& e) {
    status = ErrorStatus(e);
    boxStatus_ = status;
    p_.runtime.MsgBox(ErrorBoxText(e), vbCritical);
    try {
      Unload(vbFormCode);
    } catch (const RuntimeError&) {
      // Nothing is left to report to: the program ends all the same.
    }
  }
  p_.runtime.End(status);
}

// --- A press on the tray icon and the popup menu ---------------------------------------------

// The tray callback arrives as WM_MOUSEMOVE: X is the mouse-message code in twips.
void frmMain::Form_MouseMove(int16_t /*Button*/, int16_t /*Shift*/, float X, float /*Y*/) {
  const int32_t a = Tray().MouseEvent(X);
  const int32_t b = Tray().MouseEvent(X);
  if (!(b == api::WmLButtonDown || a == api::WmRButtonDown)) return;
  ShowCurrentMode();
  if (popupPending_) return;  // a press while the menu is opening or open: that menu serves it
  int32_t chosen = -1;
  {
    popupPending_ = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{popupPending_};
    p_.system.SetForegroundWindow(p_.runtime.FormHwnd());
    p_.runtime.DoEvents();
    chosen = p_.runtime.PopupMenu(mnuDisplayMode);
  }
  if (chosen >= 0) mnuDisplayMode_Click(static_cast<int16_t>(chosen));
  // The choice meant the items the menu showed; now the menu follows a change that came meanwhile.
  if (std::exchange(displayChangeWaiting_, false)) FollowDisplay();
}

// Ticks the mode in force among the mode items and names it in the tooltip.
void frmMain::ShowCurrentMode() {
  DisplayModeRecord current{};
  p_.display.Enumerate(api::EnumCurrentSettings, current);
  TickCurrentMode(mnuDisplayMode, MenuModeIndex.size(), current);
  Tray().ToolTipText(CurrentModeTip(current));
  Tray().Modify();
}

// --- A click on the menu --------------------------------------------------------------------

// Every item of the popup is an element of one control array: the index tells modes from commands.
void frmMain::mnuDisplayMode_Click(int16_t Index) {
  switch (ActionAt(Index, CommandBase)) {
    case MenuAction::kMode:
      if (Index >= static_cast<int32_t>(MenuModeIndex.size())) throw ProgramError(kErrSubscript);
      ChangeMode(MenuModeIndex[static_cast<size_t>(Index)]);
      break;
    case MenuAction::kStartScreenSaver: p_.system.StartScreenSaver(); break;
    case MenuAction::kScreenSaverSwitch:
      // The tick and the flag follow the system only when it accepted the change.
      if (p_.system.SystemParameters(api::SpiSetScreenSaveActive, screenSaverOff_ ? -1 : 0,
                                     api::SpifUpdateIniFile) != 0) {
        mnuDisplayMode.SetChecked(Index, !mnuDisplayMode.Checked(Index));
        screenSaverOff_ = !screenSaverOff_;
      }
      break;
    case MenuAction::kDisplayProperties: {
      try {
        p_.runtime.Shell(u"Control.exe Desk.cpl ,3", vbMinimizedFocus);
      } catch (const RuntimeError&) {
        // No control panel to start: the item does nothing.
      }
      break;
    }
    case MenuAction::kAbout: Show(); break;
    case MenuAction::kExit: UnloadAndEnd(vbFormCode); break;
    case MenuAction::kNone: break;
  }
}

// Applies the mode listed at modeIndex, stores it as the default and reports the result. A mode
// the display no longer lists at that index is refused, not swapped for whatever is listed there now.
int32_t frmMain::ChangeMode(int32_t modeIndex) {
  const int32_t result = ApplyMode(p_.display, modeIndex, modeTable_);
  // The tick and tooltip show the mode in force while any message is up; a refused mode may be one
  // the display no longer offers, so the menu follows the display first.
  if (result == api::DispChangeBadMode)
    FollowDisplay();
  else
    ShowCurrentMode();
  if (const char16_t* message = ChangeResultMessage(result)) {
    // The "/s" path's own apply (a choice from the menu while its box is up changes nothing here).
    if (commandLine_ && !boxStatus_) boxStatus_ = AppliedStatus(result);
    p_.runtime.MsgBox(message, vbOKOnly);
  }
  return result;
}

void frmMain::Show() {
  Visible = true;
  p_.runtime.ShowForm(lblVersion, lblCopyright);
}

void frmMain::Hide() {
  Visible = false;
  p_.runtime.HideForm();
}

// --- Closing --------------------------------------------------------------------------------

// Only a close request from the window's control menu is refused: it hides the window instead.
void frmMain::Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
  if (UnloadMode == vbFormControlMenu) {
    Cancel = -1;
    Hide();
  }
}

bool frmMain::Unload(int16_t origin) {
  int16_t cancel = 0;
  Form_QueryUnload(cancel, origin);
  if (cancel != 0) return false;
  Form_Unload();
  return true;
}

void frmMain::UnloadAndEnd(int16_t origin) {
  if (Unload(origin)) p_.runtime.End(boxStatus_.value_or(kExitOk));
}

void frmMain::Form_Unload() {
  Tray().Delete();
  tray_.reset();
}

// --- The About window's OK, the shell's restart, a display change ------------------------------

void frmMain::cmdOK_Click() { Hide(); }

// The shell restarted and lost every icon: add ours again from the stored record.
void frmMain::TaskbarCreated() {
  if (HasTray()) Tray().Restore();
}

// The display changed: the tick and tooltip follow at once, not only when the menu opens next, and
// the menu follows a display that lists other modes (docked, undocked, another primary monitor).
// While the menu is open it keeps the items the user sees, so that a choice means what it showed.
// Before the icon is added and after it is removed there is nothing to show.
void frmMain::Form_DisplayChanged() {
  if (!HasTray()) return;
  if (popupPending_) {
    displayChangeWaiting_ = true;
    ShowCurrentMode();
    return;
  }
  FollowDisplay();
}

clsTray& frmMain::Tray() {
  if (!tray_) tray_ = std::make_unique<clsTray>(p_.shell, p_.runtime);
  return *tray_;
}

// --- An error no event procedure traps -----------------------------------------------------

void frmMain::Raise(const std::function<void()>& event) {
  try {
    event();
  } catch (const RuntimeError& e) {
    Fail(e);
  } catch (const std::exception&) {
    Fail(ProgramError(kErrInternal));
  }
}

void frmMain::Fail(const RuntimeError& e) {
  p_.runtime.MsgBox(ErrorBoxText(e), vbCritical);
  if (HasTray()) {
    try {
      Form_Unload();
    } catch (const std::exception&) {
      // The icon could not be taken away: the program ends all the same.
    }
  }
  p_.runtime.End(kExitError);
}
