#include "menu/current_mode.h"

#include "app/text.h"
#include "menu/mode_menu.h"

void TickCurrentMode(MenuArray& menu, size_t modeItems, const DisplayModeRecord& current) {
  const std::u16string caption = ModeCaption(current.dmPelsWidth, current.dmPelsHeight, current.dmBitsPerPel);
  for (size_t k = 0; k < modeItems; ++k) {
    const auto i = static_cast<int16_t>(k);
    menu.SetChecked(i, menu.Caption(i) == caption);
  }
}

std::u16string CurrentModeTip(const DisplayModeRecord& current) {
  return Decimal(current.dmPelsWidth) + u"x" + Decimal(current.dmPelsHeight) + u"ピクセル " +
         Decimal(current.dmBitsPerPel) + u"ビット";
}

int32_t FindModeItem(const MenuArray& menu, size_t modeItems, int32_t width, int32_t height, int32_t depth) {
  const std::u16string wanted = ModeCaption(width, height, depth);
  for (size_t k = 0; k < modeItems; ++k)
    if (menu.Caption(static_cast<int16_t>(k)) == wanted) return static_cast<int32_t>(k);
  return -1;
}
