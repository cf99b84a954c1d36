#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/mode_catalogue.h"
#include "menu/menu_array.h"
#include "platform/platform.h"
#include "tray/cls_tray.h"

// Where a request to unload the form comes from.
enum UnloadOrigin : int16_t {
  vbFormControlMenu = 0,  // close box, system menu Close, Alt+F4, a plain close message
  vbFormCode = 1,         // the program's own unload: Exit, the command-line path
  vbAppWindows = 2,       // Windows shutdown or log-off
  vbAppTaskManager = 3,   // the task manager
};

// Exit statuses of the process.
enum ExitStatus : int {
  kExitOk = 0,          // resident run ended, or the "/s" mode was applied
  kExitNoMatch = 1,     // "/s" named a mode the menu does not offer
  kExitSyntax = 2,      // "/s" without the commas it needs
  kExitError = 3,       // any other error on the "/s" path
  kExitNotApplied = 4,  // "/s" matched a mode but the display refused it
};

// The program's one form: hidden while resident, the owner of the tray icon and the menu,
// shown as the About window. Its procedures live beside the subsystem they belong to.
class frmMain {
 public:
  explicit frmMain(Platform platform) : p_(platform) {}

  // Loads the form as the process starts; reports an error that stops start-up and ends.
  void Start();

  // Events.
  void Form_Load();
  void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
  void mnuDisplayMode_Click(int16_t Index);
  void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode);
  void Form_Unload();
  void cmdOK_Click();
  void TaskbarCreated();

  // Unloads the form: the query-unload event first, then, unless cancelled, the Unload event.
  // Returns whether the form was unloaded.
  bool Unload(int16_t origin);
  // Makes the form visible: the About window.
  void Show();

  void BuildModeMenu();
  void ShowCurrentMode();
  // Returns the apply result it reported, for the exit status of the "/s" path.
  int32_t ChangeMode(const int32_t& modeIndex);
  void ReportChangeResult(int32_t result);
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
  ModeTable modeTable;
  std::u16string lblVersion = u"Ver";
  std::u16string lblCopyright;
  bool Visible = false;

 private:
  Platform p_;
  std::unique_ptr<clsTray> tray_;
  bool screenSaverOff_ = false;  // the Click handler's own flag: switched off by this program
  bool popupPending_ = false;    // a press is between bringing the form forward and the menu closing
};
