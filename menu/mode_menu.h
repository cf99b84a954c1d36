#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "display/mode_catalogue.h"
#include "menu/menu_array.h"

// "1024x768ピクセル" TAB "16ビット": a mode item's caption, and the key a mode is found by.
std::u16string ModeCaption(int32_t width, int32_t height, int32_t depth);

// The fixed command block at CommandBase + 1 .. CommandBase + 7 (CommandBase itself is "-").
inline constexpr std::array<std::u16string_view, 7> kCommandCaptions = {u"スクリーンセーバ起動",
                                                                        u"スクリーンセーバを無効にする",
                                                                        u"-",
                                                                        u"画面のプロパティを開く",
                                                                        u"バージョン情報",
                                                                        u"-",
                                                                        u"終了"};

enum CommandOffset : int16_t {
  kCmdStartScreenSaver = 1,
  kCmdScreenSaverOff = 2,
  kCmdDisplayProperties = 4,
  kCmdAbout = 5,
  kCmdExit = 7,
};

// What a click on an element of the menu asks for.
enum class MenuAction {
  kNone,
  kMode,
  kStartScreenSaver,
  kScreenSaverSwitch,
  kDisplayProperties,
  kAbout,
  kExit
};

// The action of element Index in a menu whose command block starts at commandBase: the elements
// before it are modes, the commands sit at their offsets after it, everything else does nothing.
MenuAction ActionAt(int16_t Index, int16_t commandBase);

// Fills the menu from the sorted catalogue: mode items grouped by depth with "-" between the
// groups, then the command block. MenuModeIndex maps each mode item to its enumeration index
// (0 at separators). Returns CommandBase, the index of the separator before the commands.
// Modes that would push the command block past the 16-bit index limit are not offered.
int16_t BuildMenu(const ModeTable& table, MenuArray& menu, std::vector<int32_t>& menuModeIndex);
