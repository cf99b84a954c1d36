#include "ui/frm_main.h"

// Three sentences, each indented with an ideographic space and closed with "。".
std::u16string frmMain::NoticeText() {
  return u"\u3000画面の解像度と色数をトレイから切り替えます。\r\n"
         u"\u3000著作権はVelmora開発チームにあります。\r\n"
         u"\u3000使用による損害にVelmora開発チームは責任を負いません。";
}

void frmMain::Show() {
  Visible = true;
  p_.runtime.SetFormVisible(true);
}

void frmMain::cmdOK_Click() {
  Visible = false;
  p_.runtime.SetFormVisible(false);
}

// Only a close request from the window's control menu is refused: it hides the window instead.
void frmMain::Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
  if (UnloadMode == vbFormControlMenu) {
    Cancel = -1;
    Visible = false;
    p_.runtime.SetFormVisible(false);
  }
}
