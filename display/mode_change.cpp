#include "ui/frm_main.h"

// Applies the mode listed at modeIndex and stores it as the default.
int32_t frmMain::ChangeMode(const int32_t& modeIndex) {
  DisplayModeRecord record{};
  p_.display.Enumerate(modeIndex, record);
  record.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  const int32_t result = p_.display.Change(record, CDS_UPDATEREGISTRY);
  ShowCurrentMode();  // the tick and tooltip show the mode in force while any message is up
  ReportChangeResult(result);
  return result;
}

void frmMain::ReportChangeResult(int32_t result) {
  const char16_t* message = nullptr;
  switch (result) {
    case DISP_CHANGE_RESTART: message = u"設定を反映するためには再起動が必要です。"; break;
    case DISP_CHANGE_FAILED: message = u"失敗しました。"; break;
    case DISP_CHANGE_BADMODE: message = u"不正なモードです。"; break;
    case DISP_CHANGE_NOTUPDATED: message = u"設定をレジストリに書き込めません。"; break;
    case DISP_CHANGE_BADPARAM: message = u"不正なパラメータです。"; break;
    default: return;  // success, DISP_CHANGE_BADFLAGS and unknown codes say nothing
  }
  p_.runtime.MsgBox(message, vbOKOnly);
}
