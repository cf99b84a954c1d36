// Velmora.exe: builds the Windows platform, loads frmMain hidden and runs the message loop.
#include "app/exit_status.h"
#include "app/runtime_error.h"
#include "platform/win32/main_window.h"
#include "platform/win32/system_folder.h"
#include "platform/win32/win_display_settings.h"
#include "platform/win32/win_gui_runtime.h"
#include "platform/win32/win_system_calls.h"
#include "platform/win32/win_tray_shell.h"
#include "platform/win32/windows_api.h"
#include "ui/frm_main.h"

// The About window's controls, and the common controls they need, are made when it is first
// shown: the "/s" path and a resident start-up that is never asked for it do without them.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  win32::RestrictLibrarySearch();  // before anything loads a library by name
  win32::WinDisplaySettings display;
  win32::WinTrayShell shell;
  win32::WinSystemCalls system;
  win32::WinGuiRuntime runtime;
  frmMain form(Platform{display, shell, system, runtime});  // outlives the window that calls it
  win32::MainWindow window(instance);
  if (!window.Create()) {  // an error the program does not expect: its general box and status
    runtime.MsgBox(ErrorBoxText(ProgramError(kErrInternal)), vbCritical);
    return kExitError;
  }
  runtime.AttachWindow(&window);
  window.Attach(form);

  // The Load event; with "/s" on the command line, or when start-up fails, it ends the program itself.
  form.Start();

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) runtime.Dispatch(msg);
  return static_cast<int>(msg.wParam);
}
