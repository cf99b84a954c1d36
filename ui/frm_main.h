#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/runtime_error.h"
#include "display/mode_catalogue.h"
#include "menu/menu_array.h"
#include "ports/platform.h"
#include "tray/cls_tray.h"

// Where a request to unload the form comes from.
enum UnloadOrigin : int16_t {
  vbFormControlMenu = 0,  // close box, system menu Close, Alt+F4, a plain close message
  vbFormCode = 1,         // the program's own unload: Exit, the command-line path
  vbAppWindows = 2,       // Windows shutdown or log-off
  vbAppTaskManager = 3,   // the task manager
};

// The program's one form: hidden while resident, the owner of the tray icon and the menu,
// shown as the About window. It holds the program's state; the subsystems it calls hold none.
class frmMain {
 public:
  explicit frmMain(Platform platform) : p_(platform) {}

  // What a platform layer calls, one entry point per thing that happens. Each runs its event
  // procedure under the form's error handling: an error the procedure does not trap shows the
  // general error box, takes the tray icon away and ends the program with status 3.

  // The process starts: the form loads hidden; with "/s" on the command line it ends the program.
  void Start();
  // A pointer message reached the form's window; the tray icon reports this way, its
  // mouse-message code in X (twips).
  void MouseMove(int16_t Button, int16_t Shift, float X, float Y);
  // An element of the popup menu was chosen.
  void MenuClick(int16_t Index);
  // Something asks the form to close: it unloads and the program ends with status 0, unless the
  // form refuses (the About window's close box only hides it).
  void CloseRequest(int16_t origin);
  // The session is about to end: whether the form lets it.
  bool QueryEndSession();
  // The About window's OK, Enter or Esc.
  void OkClick();
  // The shell restarted and lost every icon.
  void ShellRestarted();
  // The display changed: its mode, by this program or by another, or the modes it lists (another
  // monitor, docking, a driver).
  void DisplayChanged();

  // The form's own procedures.
  void BuildModeMenu();
  void ShowCurrentMode();
  // Returns the apply result it reported, for the exit status of the "/s" path.
  int32_t ChangeMode(int32_t modeIndex);
  // The "/s" path: applies the mode named on the command line and ends the program.
  void CommandLineMode();

  // The About window's notice: three sentences on three lines.
  static std::u16string NoticeText();

  // The form's only tray object, created on first use.
  clsTray& Tray();
  bool HasTray() const { return tray_ != nullptr; }

  // Controls and form-level state.
  MenuArray mnuDisplayMode;
  std::vector<int32_t> MenuModeIndex;
  int16_t CommandBase = 0;  // the separator after the last mode item; the commands follow it
  std::u16string lblVersion = u"Ver";
  std::u16string lblCopyright;
  bool Visible = false;

 private:
  // Event procedures, in the order they happen.
  void Form_Load();
  void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
  void mnuDisplayMode_Click(int16_t Index);
  void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode);
  void Form_Unload();
  void cmdOK_Click();
  void TaskbarCreated();
  void Form_DisplayChanged();

  // Unloads the form: the query-unload event first, then, unless cancelled, the Unload event.
  // Returns whether the form was unloaded.
  bool Unload(int16_t origin);
  // Unloads the form and, unless it refused, ends the program: with status 0, or while the "/s"
  // path's box is up with the status that box stands for.
  void UnloadAndEnd(int16_t origin);
  // Makes the form visible: the About window; hides it again.
  void Show();
  void Hide();

  // The menu from this catalogue, kept as the one the menu was built from; the tick of the
  // screen-saver item stays.
  void FillModeMenu(ModeTable catalogue);
  // Reads the catalogue again and rebuilds the menu when the display lists other modes than the
  // menu was built from; ticks the mode in force either way.
  void FollowDisplay();

  void Raise(const std::function<void()>& event);
  void Fail(const RuntimeError& e);

  Platform p_;
  std::unique_ptr<clsTray> tray_;
  bool screenSaverOff_ = false;        // the Click handler's own flag: switched off by this program
  bool popupPending_ = false;          // a press is between bringing the form forward and the menu closing
  bool displayChangeWaiting_ = false;  // the display changed while the menu was open
  ModeTable modeTable_;                // the catalogue the menu was built from
  bool commandLine_ = false;           // the "/s" path is running
  // The status the "/s" path ends with, known before its box is shown: whatever ends the program
  // while that box is up (Exit, the task manager, the end of the session) ends it with this status.
  std::optional<int> boxStatus_;
};
