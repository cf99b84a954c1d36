#include "menu/mode_menu.h"

#include "app/text.h"

std::u16string ModeCaption(int32_t width, int32_t height, int32_t depth) {
  return Decimal(width) + u"x" + Decimal(height) + u"ピクセル\t" + Decimal(depth) + u"ビット";
}

namespace {

constexpr int32_t kMaxMenuIndex = 32767;

int16_t NextSlot(MenuArray& menu) {
  const auto h = static_cast<int16_t>(menu.UBound() + 1);
  menu.Load(h);
  return h;
}

}  // namespace

int16_t BuildMenu(const ModeTable& table, MenuArray& menu, std::vector<int32_t>& menuModeIndex) {
  // The previous depth is compared at full width so that any depth separates groups correctly.
  int32_t previousDepth = table.empty() ? 0 : table[0].depth;
  int16_t h = 0;
  for (const ModeColumn& mode : table) {
    const bool newGroup = previousDepth != mode.depth;
    // This item, a separator before it, the slot after it and the seven commands must all fit.
    if (h + (newGroup ? 1 : 0) + 1 + static_cast<int32_t>(kCommandCaptions.size()) > kMaxMenuIndex) break;
    if (newGroup) {
      menu.SetCaption(h, u"-");
      h = NextSlot(menu);
    }
    menuModeIndex.resize(static_cast<size_t>(h) + 1);
    menu.SetCaption(h, ModeCaption(mode.width, mode.height, mode.depth));
    menuModeIndex[static_cast<size_t>(h)] = mode.index;
    previousDepth = mode.depth;
    h = NextSlot(menu);
  }
  const int16_t commandBase = h;
  menu.SetCaption(h, u"-");
  for (int16_t k = 1; k <= static_cast<int16_t>(kCommandCaptions.size()); ++k) {
    menu.Load(static_cast<int16_t>(h + k));
    menu.SetCaption(static_cast<int16_t>(h + k),
                    std::u16string(kCommandCaptions[static_cast<size_t>(k - 1)]));
  }
  return commandBase;
}
