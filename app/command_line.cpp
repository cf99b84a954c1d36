#include <string>

#include "app/number_reading.h"
#include "app/runtime_error.h"
#include "menu/mode_menu.h"
#include "ui/frm_main.h"

namespace {

// The part of the text that starts at position s (from 1) and is at most k characters long.
std::u16string_view Sub(std::u16string_view text, int64_t s, int64_t k) {
  if (s < 1 || k < 0) throw ProgramError(kErrInvalidCall);
  if (s > static_cast<int64_t>(text.size())) return {};
  return text.substr(static_cast<size_t>(s - 1), static_cast<size_t>(k));
}

// Position (from 1) of the first or last occurrence, 0 when absent.
int64_t Position(size_t found) { return found == std::u16string_view::npos ? 0 : static_cast<int64_t>(found) + 1; }

}  // namespace

// "/s width,height,depth": apply that mode if the menu offers it, then end in every case.
void frmMain::CommandLineMode() {
  int status = kExitNoMatch;
  try {
    const std::u16string text = p_.runtime.Command();
    const std::u16string_view view(text);
    const auto n = static_cast<int64_t>(view.size());
    const int64_t p = Position(view.find(u"/s"));
    const int64_t f = Position(view.find(u','));
    const int64_t l = Position(view.rfind(u','));

    // The lengths count the characters before the first and the last comma, so the width and
    // height texts run on past their own comma; the reading stops there.
    const int16_t width = ReadInteger(Sub(view, p + 2, f - 1));
    const int16_t height = ReadInteger(Sub(view, f + 1, l - 1));
    const int16_t depth = ReadInteger(view.substr(static_cast<size_t>(l), static_cast<size_t>(n - l)));

    const std::u16string wanted = ModeCaption(width, height, depth);
    const auto upper = static_cast<int16_t>(static_cast<int32_t>(MenuModeIndex.size()) - 1);
    for (int16_t i = 0; i <= upper; ++i) {
      if (mnuDisplayMode.Caption(i) == wanted) {
        // The result of this apply, not of one a press made while its box was up.
        const int32_t result = ChangeMode(MenuModeIndex[static_cast<size_t>(i)]);
        status = result == DISP_CHANGE_SUCCESSFUL ? kExitOk : kExitNotApplied;
        break;
      }
    }
    Unload(vbFormCode);
  } catch (const RuntimeError& e) {
    status = e.Number() == kErrInvalidCall ? kExitSyntax : kExitError;
    p_.runtime.MsgBox(ErrorBoxText(e), vbCritical);
    try {
      Unload(vbFormCode);
    } catch (const RuntimeError&) {
      // Nothing is left to report to: the program ends all the same.
    }
  }
  p_.runtime.End(status);
}
