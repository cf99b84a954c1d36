// The modes: catalogue, menu, tick and tooltip, apply and its result, what a menu index does.
#include <gtest/gtest.h>

#include <array>

#include "display/mode_catalogue.h"
#include "display/mode_change.h"
#include "fake/fake_platform.h"
#include "menu/current_mode.h"
#include "menu/mode_menu.h"

namespace {

using Column = std::array<int32_t, 4>;  // width, height, depth, enumeration index

std::vector<Column> Catalogue(std::vector<DisplayModeRecord> listed) {
  FakeDisplay display;
  display.modes = std::move(listed);
  std::vector<Column> out;
  for (const ModeColumn& c : BuildCatalogue(display)) out.push_back({c.width, c.height, c.depth, c.index});
  return out;
}

TEST(Catalogue, FiltersMergesAndSorts) {
  const struct {
    std::vector<DisplayModeRecord> listed;
    std::vector<Column> expected;
  } rows[] = {
      {{Mode(640, 479, 8), Mode(800, 600, 7), Mode(320, 480, 8), Mode(800, 480, 8)}, {{320, 480, 8, 2}, {800, 480, 8, 3}}},
      // Equal widths keep the exchange sort's order; heights are never compared.
      {{Mode(1280, 1024, 16), Mode(1280, 960, 16), Mode(640, 480, 16)},
       {{640, 480, 16, 2}, {1280, 960, 16, 1}, {1280, 1024, 16, 0}}},
      {{Mode(1280, 1024, 32), Mode(1280, 720, 8), Mode(1024, 768, 32), Mode(1280, 800, 32)},
       {{1280, 720, 8, 1}, {1024, 768, 32, 2}, {1280, 1024, 32, 0}, {1280, 800, 32, 3}}},
      {{Mode(640, 480, 8), Mode(800, 600, 8), Mode(640, 480, 16), Mode(1024, 768, 8), Mode(800, 600, 16)},
       {{640, 480, 8, 0}, {800, 600, 8, 1}, {1024, 768, 8, 3}, {640, 480, 16, 2}, {800, 600, 16, 4}}},
      // Refresh rates merge into the first listing of the mode.
      {{Mode(800, 600, 16, 60), Mode(640, 480, 8), Mode(800, 600, 16, 75)}, {{640, 480, 8, 1}, {800, 600, 16, 0}}},
      {{Mode(800, 600, 16), Mode(800, 600, 32), Mode(600, 800, 16)},
       {{600, 800, 16, 2}, {800, 600, 16, 0}, {800, 600, 32, 1}}},
      {{Mode(640, 400, 8), Mode(800, 600, 4)}, {}},
      {{}, {}},
  };
  for (const auto& row : rows) EXPECT_EQ(Catalogue(row.listed), row.expected);
}

TEST(Catalogue, ReusesOneRecordAndStopsAtTheFirstRefusal) {
  // A driver that fills only the mode fields relies on the program not clearing the record.
  struct PartialFill : DisplaySettings {
    std::vector<uint32_t> frequencySeen;
    int32_t Enumerate(int32_t i, DisplayModeRecord& r) override {
      frequencySeen.push_back(r.dmDisplayFrequency);
      if (i >= 2) return 0;
      r.dmPelsWidth = 640 + 160 * i, r.dmPelsHeight = 480, r.dmBitsPerPel = 8;
      r.dmDisplayFrequency = 70 + static_cast<uint32_t>(i);
      return 1;
    }
    int32_t Change(DisplayModeRecord&, int32_t) override { return 0; }
  } display;
  EXPECT_EQ(BuildCatalogue(display).size(), 2u);
  EXPECT_EQ(display.frequencySeen, (std::vector<uint32_t>{0, 70, 71}));
}

TEST(Catalogue, KeepsTheFirst32767ModesListed) {
  std::vector<DisplayModeRecord> listed;
  for (int32_t k = 0; k <= 32767; ++k) listed.push_back(Mode(640 + k, 480, 8));
  const std::vector<Column> table = Catalogue(listed);
  ASSERT_EQ(table.size(), 32767u);
  EXPECT_EQ(table.back(), (Column{640 + 32766, 480, 8, 32766}));
}

std::vector<std::u16string> Captions(const MenuArray& menu) {
  std::vector<std::u16string> out;
  for (const auto& e : menu.Elements()) out.push_back(e.checked ? u"✓" + e.caption : e.caption);
  return out;
}

TEST(Menu, GroupsByDepthThenTheCommands) {
  const std::vector<std::u16string> commands = {u"-", u"スクリーンセーバ起動", u"スクリーンセーバを無効にする", u"-",
                                                u"画面のプロパティを開く", u"バージョン情報", u"-", u"終了"};
  const struct {
    ModeTable table;
    std::vector<std::u16string> modeItems;
    std::vector<int32_t> index;
  } rows[] = {
      {{{640, 480, 8, 0}, {800, 600, 8, 3}, {640, 480, 16, 7}},
       {u"640x480ピクセル\t8ビット", u"800x600ピクセル\t8ビット", u"-", u"640x480ピクセル\t16ビット"},
       {0, 3, 0, 7}},
      {{{1024, 768, 32, 5}, {-1, 600, 32, 2}}, {u"1024x768ピクセル\t32ビット", u"-1x600ピクセル\t32ビット"}, {5, 2}},
      {{{640, 480, 32, 0}, {640, 480, 65568, 1}}, {u"640x480ピクセル\t32ビット", u"-", u"640x480ピクセル\t65568ビット"}, {0, 0, 1}},
      {{}, {}, {}},
  };
  for (const auto& row : rows) {
    MenuArray menu;
    std::vector<int32_t> index;
    EXPECT_EQ(BuildMenu(row.table, menu, index), static_cast<int16_t>(row.modeItems.size()));
    std::vector<std::u16string> expected = row.modeItems;
    expected.insert(expected.end(), commands.begin(), commands.end());
    EXPECT_EQ(Captions(menu), expected);
    EXPECT_EQ(index, row.index);
  }
}

// The command block must end at the last 16-bit index: the modes that would push it further go.
TEST(Menu, StopsWhereTheCommandBlockStillFits) {
  const struct {
    int32_t firstGroup, total;  // modes at 16 bits first, the rest at 32
    int16_t commandBase;
  } rows[] = {{32767, 32767, 32760}, {16384, 32767, 32760}, {32759, 32767, 32759}, {32758, 32767, 32760}};
  for (const auto& row : rows) {
    ModeTable table;
    for (int32_t k = 0; k < row.total; ++k) table.push_back({640 + k, 480, k < row.firstGroup ? 16 : 32, k});
    MenuArray menu;
    std::vector<int32_t> index;
    EXPECT_EQ(BuildMenu(table, menu, index), row.commandBase) << row.firstGroup;
    EXPECT_EQ(menu.UBound(), row.commandBase + 7);
    EXPECT_EQ(index.size(), static_cast<size_t>(row.commandBase));
  }
}

TEST(Menu, TickTooltipAndLookUp) {
  MenuArray menu;
  std::vector<int32_t> index;
  BuildMenu({{640, 480, 16, 3}, {1024, 768, 16, 0}, {800, 600, 32, 2}}, menu, index);  // 2 is "-"
  menu.SetChecked(6, true);                                                             // the screen-saver item
  const struct {
    DisplayModeRecord current;
    std::vector<bool> ticks;  // items 0..6
    std::u16string tip;
  } rows[] = {
      {Mode(1024, 768, 16), {0, 1, 0, 0, 0, 0, 1}, u"1024x768ピクセル 16ビット"},
      {Mode(800, 600, 32), {0, 0, 0, 1, 0, 0, 1}, u"800x600ピクセル 32ビット"},
      {Mode(800, 600, 4), {0, 0, 0, 0, 0, 0, 1}, u"800x600ピクセル 4ビット"},
      {DisplayModeRecord{}, {0, 0, 0, 0, 0, 0, 1}, u"0x0ピクセル 0ビット"},
      {Mode(-1, 600, 16), {0, 0, 0, 0, 0, 0, 1}, u"-1x600ピクセル 16ビット"},
  };
  for (const auto& row : rows) {
    TickCurrentMode(menu, index.size(), row.current);
    std::vector<bool> ticks;
    for (int16_t i = 0; i <= 6; ++i) ticks.push_back(menu.Checked(i));
    EXPECT_EQ(ticks, row.ticks) << std::string(row.tip.begin(), row.tip.begin() + 7);
    EXPECT_EQ(CurrentModeTip(row.current), row.tip);
  }
  EXPECT_EQ(FindModeItem(menu, index.size(), 1024, 768, 16), 1);
  EXPECT_EQ(FindModeItem(menu, index.size(), 800, 600, 32), 3);
  EXPECT_EQ(FindModeItem(menu, 3, 800, 600, 32), -1);  // only the mode area is searched
  EXPECT_EQ(FindModeItem(menu, index.size(), 640, 480, 32), -1);
}

TEST(Apply, RequestsSizeAndDepthOfTheListedRecordAndStoresIt) {
  FakeDisplay display;
  display.modes = {Mode(640, 480, 8), Mode(1024, 768, 16, 75)};
  display.changeResults = {-2};
  EXPECT_EQ(ApplyMode(display, 1), -2);
  EXPECT_EQ(ApplyMode(display, 999), 0);  // no longer listed: the zero-filled record goes out
  ASSERT_EQ(display.applied.size(), 2u);
  EXPECT_EQ(display.applied[0].dmFields, 0x1C0000u);
  EXPECT_EQ(display.applied[0].dmPelsWidth, 1024);
  EXPECT_EQ(display.applied[0].dmDisplayFrequency, 75u);
  EXPECT_EQ(display.applied[1].dmFields, 0x1C0000u);
  EXPECT_EQ(display.applied[1].dmSize, 0);
  EXPECT_EQ(display.appliedFlags, (std::vector<int32_t>{1, 1}));
}

TEST(Apply, ResultMessages) {
  const std::pair<int32_t, const char16_t*> rows[] = {
      {0, nullptr}, {1, u"設定を反映するためには再起動が必要です。"}, {-1, u"失敗しました。"}, {-2, u"不正なモードです。"},
      {-3, u"設定をレジストリに書き込めません。"}, {-4, nullptr}, {-5, u"不正なパラメータです。"}, {2, nullptr}, {-6, nullptr},
  };
  for (const auto& [code, message] : rows) {
    const char16_t* got = ChangeResultMessage(code);
    EXPECT_EQ(std::u16string(got ? got : u"(none)"), std::u16string(message ? message : u"(none)")) << code;
  }
}

TEST(Dispatch, WhatEachIndexAsksFor) {
  using A = MenuAction;
  const struct {
    int16_t commandBase;
    std::vector<A> actions;  // for indexes -1, 0, 1, ...
  } rows[] = {
      {4, {A::kNone, A::kMode, A::kMode, A::kMode, A::kMode, A::kNone, A::kStartScreenSaver, A::kScreenSaverSwitch,
           A::kNone, A::kDisplayProperties, A::kAbout, A::kNone, A::kExit, A::kNone}},
      {0, {A::kNone, A::kNone, A::kStartScreenSaver, A::kScreenSaverSwitch, A::kNone, A::kDisplayProperties, A::kAbout,
           A::kNone, A::kExit, A::kNone}},
  };
  for (const auto& row : rows) {
    std::vector<A> actions;
    for (size_t i = 0; i < row.actions.size(); ++i)
      actions.push_back(ActionAt(static_cast<int16_t>(static_cast<int>(i) - 1), row.commandBase));
    EXPECT_EQ(actions, row.actions) << row.commandBase;
  }
}

}  // namespace
