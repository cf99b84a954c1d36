#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/module.h"
#include "fake/fake_platform.h"
#include "menu/mode_menu.h"
#include "ui/frm_main.h"

// What a run of the program may never leave behind, whatever went wrong around it.

inline bool IsModeCaption(const std::u16string& caption) {
  const std::u16string pixels = u"ピクセル\t", bits = u"ビット";
  return caption.find(u'x') != std::u16string::npos && caption.find(pixels) != std::u16string::npos &&
         caption.size() > bits.size() && caption.compare(caption.size() - bits.size(), bits.size(), bits) == 0;
}

// The menu as start-up built it: mode items and the separators between depth groups, then the
// command block at CommandBase; ticks only on mode items (at most one) and, when the screen saver
// was switched off, on its item.
inline void ExpectMenuIntact(const frmMain& form, bool saverTicked = false) {
  const MenuArray& menu = form.mnuDisplayMode;
  const int32_t b = Module::CommandBase;
  ASSERT_GE(b, 0);
  ASSERT_EQ(static_cast<int32_t>(menu.UBound()), b + 7);
  ASSERT_EQ(form.MenuModeIndex.size(), static_cast<size_t>(b));
  int modeTicks = 0;
  for (int32_t i = 0; i < b; ++i) {
    const auto k = static_cast<int16_t>(i);
    const bool separator = menu.Caption(k) == u"-";
    ASSERT_TRUE(separator || IsModeCaption(menu.Caption(k))) << "item " << i;
    ASSERT_FALSE(separator && menu.Checked(k)) << "ticked separator " << i;
    modeTicks += menu.Checked(k) ? 1 : 0;
  }
  EXPECT_LE(modeTicks, 1);
  const std::u16string block[8] = {u"-", u"スクリーンセーバ起動", u"スクリーンセーバを無効にする", u"-",
                                   u"画面のプロパティを開く", u"バージョン情報", u"-", u"終了"};
  for (int32_t k = 0; k < 8; ++k) {
    const auto at = static_cast<int16_t>(b + k);
    EXPECT_EQ(menu.Caption(at), block[k]) << "command " << k;
    EXPECT_EQ(menu.Checked(at), k == 2 && saverTicked) << "command " << k;
  }
}

inline std::vector<int16_t> TickedItems(const frmMain& form) {
  std::vector<int16_t> out;
  for (int32_t i = 0; i <= form.mnuDisplayMode.UBound(); ++i)
    if (form.mnuDisplayMode.Checked(static_cast<int16_t>(i))) out.push_back(static_cast<int16_t>(i));
  return out;
}

// Runs a procedure that may end the program; the exit status, or -1 when it did not end.
template <typename F>
int ExitStatusOf(F&& run) {
  try {
    run();
  } catch (const ProgramEnded& e) {
    return e.exitCode;
  }
  return -1;
}
