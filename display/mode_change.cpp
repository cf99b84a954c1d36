#include "display/mode_change.h"

#include <algorithm>

#include "app/exit_status.h"

int32_t ApplyMode(DisplaySettings& display, int32_t modeIndex, const ModeTable& offered) {
  DisplayModeRecord record{};
  display.Enumerate(modeIndex, record);
  const auto named =
      std::find_if(offered.begin(), offered.end(), [&](const ModeColumn& c) { return c.index == modeIndex; });
  if (named == offered.end() || named->width != record.dmPelsWidth || named->height != record.dmPelsHeight ||
      named->depth != record.dmBitsPerPel)
    return api::DispChangeBadMode;
  record.dmFields = api::DmBitsPerPel | api::DmPelsWidth | api::DmPelsHeight;
  return display.Change(record, api::CdsUpdateRegistry);
}

const char16_t* ChangeResultMessage(int32_t result) {
  switch (result) {
    case api::DispChangeRestart: return u"設定を反映するためには再起動が必要です。";
    case api::DispChangeFailed: return u"失敗しました。";
    case api::DispChangeBadMode: return u"不正なモードです。";
    case api::DispChangeNotUpdated: return u"設定をレジストリに書き込めません。";
    case api::DispChangeBadParam: return u"不正なパラメータです。";
    default: return nullptr;
  }
}

int AppliedStatus(int32_t applyResult) {
  if (applyResult == api::DispChangeSuccessful) return kExitOk;
  if (applyResult == api::DispChangeRestart) return kExitRestart;
  return kExitNotApplied;
}
