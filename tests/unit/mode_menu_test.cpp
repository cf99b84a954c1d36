#include "menu/mode_menu.h"

#include <gtest/gtest.h>

#include "app/module.h"
#include "fake/fake_platform.h"
#include "ui/frm_main.h"

namespace {

std::vector<std::u16string> Captions(const MenuArray& menu) {
  std::vector<std::u16string> out;
  for (const auto& e : menu.Elements()) out.push_back(e.caption);
  return out;
}

const std::vector<std::u16string> kCommands = {
    u"-", u"スクリーンセーバ起動", u"スクリーンセーバを無効にする", u"-", u"画面のプロパティを開く",
    u"バージョン情報", u"-", u"終了"};

std::vector<std::u16string> WithCommands(std::vector<std::u16string> modes) {
  modes.insert(modes.end(), kCommands.begin(), kCommands.end());
  return modes;
}

TEST(ModeCaption, WritesPixelsTabBits) {
  EXPECT_EQ(ModeCaption(1024, 768, 16), u"1024x768ピクセル\t16ビット");
  EXPECT_EQ(ModeCaption(-1, 600, 16), u"-1x600ピクセル\t16ビット");
  EXPECT_EQ(ModeCaption(0, 0, 0), u"0x0ピクセル\t0ビット");
}

TEST(BuildMenu, GroupsDepthsWithSeparatorsAndAppendsTheCommands) {
  const ModeTable table = {{640, 480, 8, 0}, {800, 600, 8, 3}, {640, 480, 16, 7}};
  MenuArray menu;
  std::vector<int32_t> index;
  const int16_t base = BuildMenu(table, menu, index);
  EXPECT_EQ(base, 4);
  EXPECT_EQ(Captions(menu), WithCommands({u"640x480ピクセル\t8ビット", u"800x600ピクセル\t8ビット", u"-",
                                          u"640x480ピクセル\t16ビット"}));
  EXPECT_EQ(index, (std::vector<int32_t>{0, 3, 0, 7}));
  for (const auto& e : menu.Elements()) EXPECT_FALSE(e.checked);
}

TEST(BuildMenu, SingleDepthHasNoSeparatorAmongModes) {
  const ModeTable table = {{640, 480, 32, 0}, {800, 600, 32, 1}, {1024, 768, 32, 2}};
  MenuArray menu;
  std::vector<int32_t> index;
  EXPECT_EQ(BuildMenu(table, menu, index), 3);
  EXPECT_EQ(Captions(menu), WithCommands({u"640x480ピクセル\t32ビット", u"800x600ピクセル\t32ビット",
                                          u"1024x768ピクセル\t32ビット"}));
  EXPECT_EQ(index.size(), 3u);
}

TEST(BuildMenu, NoUsableModeLeavesOnlyTheCommands) {
  MenuArray menu;
  std::vector<int32_t> index;
  EXPECT_EQ(BuildMenu({}, menu, index), 0);
  EXPECT_EQ(Captions(menu), kCommands);
  EXPECT_TRUE(index.empty());
}

TEST(BuildMenu, DepthsBeyondSixteenBitsStillStartTheirOwnGroup) {
  const ModeTable table = {{640, 480, 32, 0}, {640, 480, 65568, 1}};
  MenuArray menu;
  std::vector<int32_t> index;
  EXPECT_EQ(BuildMenu(table, menu, index), 3);
  EXPECT_EQ(menu.Caption(1), u"-");
  EXPECT_EQ(menu.Caption(2), u"640x480ピクセル\t65568ビット");
}

TEST(BuildModeMenu, ErasesTheCatalogueAndTicksTheModeInForce) {
  FakePlatform fake;
  fake.display.modes = {Mode(640, 480, 8), Mode(800, 600, 32), Mode(800, 600, 32, 75)};
  fake.display.current = Mode(800, 600, 32);
  frmMain form(fake.platform());
  form.BuildModeMenu();
  EXPECT_TRUE(form.modeTable.empty());
  EXPECT_EQ(Module::CommandBase, 3);
  EXPECT_EQ(form.MenuModeIndex, (std::vector<int32_t>{0, 0, 1}));
  EXPECT_FALSE(form.mnuDisplayMode.Checked(0));
  EXPECT_TRUE(form.mnuDisplayMode.Checked(2));
}

}  // namespace
