#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "menu/menu_array.h"
#include "ports/display_settings.h"

// Ticks the mode item whose caption names the current mode and unticks every other mode item.
// Only the mode area, 0 .. modeItems - 1: the command block, with the screen-saver tick, lies past it.
void TickCurrentMode(MenuArray& menu, size_t modeItems, const DisplayModeRecord& current);

// "1024x768ピクセル 16ビット": the tooltip naming the current mode.
std::u16string CurrentModeTip(const DisplayModeRecord& current);

// The mode item whose caption is that of width x height x depth; -1 when the menu has none.
int32_t FindModeItem(const MenuArray& menu, size_t modeItems, int32_t width, int32_t height, int32_t depth);
