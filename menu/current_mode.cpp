#include "app/text.h"
#include "menu/mode_menu.h"
#include "ui/frm_main.h"

// Ticks the mode in force among the mode items and names it in the tooltip.
void frmMain::ShowCurrentMode() {
  DisplayModeRecord current{};
  p_.display.Enumerate(ENUM_CURRENT_SETTINGS, current);
  const std::u16string caption = ModeCaption(current.dmPelsWidth, current.dmPelsHeight, current.dmBitsPerPel);
  // Only the mode area: the command block, with the screen-saver tick, lies past the bound.
  const auto upper = static_cast<int16_t>(static_cast<int32_t>(MenuModeIndex.size()) - 1);
  for (int16_t k = 0; k <= upper; ++k) {
    mnuDisplayMode.SetChecked(k, false);
    if (mnuDisplayMode.Caption(k) == caption) mnuDisplayMode.SetChecked(k, true);
  }
  Tray().ToolTipText(Decimal(current.dmPelsWidth) + u"x" + Decimal(current.dmPelsHeight) + u"ピクセル " +
                     Decimal(current.dmBitsPerPel) + u"ビット");
  Tray().Modify();
}
