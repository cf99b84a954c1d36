#include "ui/frm_main.h"

namespace {
constexpr int32_t WM_LBUTTONDOWN = 513;
constexpr int32_t WM_RBUTTONDOWN = 516;
}  // namespace

// The tray callback arrives as WM_MOUSEMOVE: X is the mouse-message code in twips.
void frmMain::Form_MouseMove(int16_t /*Button*/, int16_t /*Shift*/, float X, float /*Y*/) {
  const int32_t a = Tray().MouseEvent(X);
  const int32_t b = Tray().MouseEvent(X);
  if (!(b == WM_LBUTTONDOWN || a == WM_RBUTTONDOWN)) return;
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
}

// The shell restarted and lost every icon: add ours again from the stored record.
void frmMain::TaskbarCreated() {
  if (HasTray()) Tray().Restore();
}
