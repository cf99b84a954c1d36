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
  // clang-format off
  const std::pair<std::vector<DisplayModeRecord>, std::vector<Column>> rows[] = {
      {{Mode(640, 479, 8), Mode(800, 600, 7), Mode(320, 480, 8), Mode(800, 480, 8)}, {{320, 480, 8, 2}, {800, 480, 8, 3}}},
      // Equal widths keep the exchange sort's order; heights are never compared.
      {{Mode(1280, 1024, 16), Mode(1280, 960, 16), Mode(640, 480, 16)}, {{640, 480, 16, 2}, {1280, 960, 16, 1}, {1280, 1024, 16, 0}}},
      {{Mode(1280, 1024, 32), Mode(1280, 720, 8), Mode(1024, 768, 32), Mode(1280, 800, 32)},
       {{1280, 720, 8, 1}, {1024, 768, 32, 2}, {1280, 1024, 32, 0}, {1280, 800, 32, 3}}},
      {{Mode(640, 480, 8), Mode(800, 600, 8), Mode(640, 480, 16), Mode(1024, 768, 8), Mode(800, 600, 16)},
       {{640, 480, 8, 0}, {800, 600, 8, 1}, {1024, 768, 8, 3}, {640, 480, 16, 2}, {800, 600, 16, 4}}},
      // Refresh rates merge into the first listing of the mode.
      {{Mode(800, 600, 16, 60), Mode(640, 480, 8), Mode(800, 600, 16, 75)}, {{640, 480, 8, 1}, {800, 600, 16, 0}}},
      {{Mode(800, 600, 16), Mode(800, 600, 32), Mode(600, 800, 16)}, {{600, 800, 16, 2}, {800, 600, 16, 0}, {800, 600, 32, 1}}},
      {{Mode(640, 400, 8), Mode(800, 600, 4)}, {}}, {{}, {}}};
  // clang-format on
  for (const auto& [listed, expected] : rows) EXPECT_EQ(Catalogue(listed), expected);
}

TEST(Catalogue, KeepsTheFirst32767ModesListed) {
  std::vector<DisplayModeRecord> listed;
  for (int32_t k = 0; k <= 32767; ++k) listed.push_back(Mode(640 + k, 480, 8));
  const std::vector<Column> table = Catalogue(listed);  // the first 32767 listed are kept
  EXPECT_EQ(table.size(), 32767u);
  EXPECT_EQ(table.back(), (Column{640 + 32766, 480, 8, 32766}));
}

std::vector<std::u16string> Captions(const MenuArray& menu) {
  std::vector<std::u16string> out;
  for (const auto& e : menu.Elements()) out.push_back(e.caption);
  return out;
}

TEST(Menu, GroupsByDepthThenTheCommands) {
  // clang-format off
  const std::vector<std::u16string> commands = {u"-", u"スクリーンセーバ起動", u"スクリーンセーバを無効にする", u"-",
                                                u"画面のプロパティを開く", u"バージョン情報", u"-", u"終了"};
  const struct { ModeTable table; std::vector<std::u16string> modeItems; std::vector<int32_t> index; } rows[] = {
      {{{640, 480, 8, 0}, {800, 600, 8, 3}, {640, 480, 16, 7}},
       {u"640x480ピクセル\t8ビット", u"800x600ピクセル\t8ビット", u"-", u"640x480ピクセル\t16ビット"}, {0, 3, 0, 7}},
      {{{640, 480, 8, 0}, {640, 480, 16, 1}, {800, 600, 16, 2}},  // one separator before a group of two
       {u"640x480ピクセル\t8ビット", u"-", u"640x480ピクセル\t16ビット", u"800x600ピクセル\t16ビット"}, {0, 0, 1, 2}},
      {{{1024, 768, 32, 5}, {-1, 600, 32, 2}}, {u"1024x768ピクセル\t32ビット", u"-1x600ピクセル\t32ビット"}, {5, 2}},
      {{{640, 480, 32, 0}, {640, 480, 65568, 1}}, {u"640x480ピクセル\t32ビット", u"-", u"640x480ピクセル\t65568ビット"}, {0, 0, 1}},
      {{}, {}, {}}};
  // clang-format on
  for (const auto& row : rows) {
    MenuArray menu;
    std::vector<int32_t> index;
    EXPECT_EQ(BuildMenu(row.table, menu, index), static_cast<int16_t>(row.modeItems.size()));
    std::vector<std::u16string> expected = row.modeItems;
    expected.insert(expected.end(), commands.begin(), commands.end());
    EXPECT_EQ(Captions(menu), expected);
    EXPECT_EQ(index, row.index);
  }
  // The command block must end at the last 16-bit index: the modes that would push it further go.
  const std::array<int32_t, 3> limits[] = {
      {32767, 32767, 32760},
      {16384, 32767, 32760},
      {32759, 32767, 32759},
      {32758, 32767, 32760}};  // modes at 16 bits, modes in all, CommandBase
  for (const auto& [firstGroup, total, commandBase] : limits) {
    ModeTable table;
    for (int32_t k = 0; k < total; ++k) table.push_back({640 + k, 480, k < firstGroup ? 16 : 32, k});
    MenuArray menu;
    std::vector<int32_t> index;
    EXPECT_EQ(BuildMenu(table, menu, index), commandBase) << firstGroup;
    EXPECT_EQ(index.size(), static_cast<size_t>(commandBase));
  }
}

TEST(Menu, AnIndexOutsideTheArrayIsError340) {
  MenuArray menu;  // element 0 exists from the start; only the next one can be loaded
  const std::function<void()> uses[] = {[&] { menu.Caption(-1); }, [&] { menu.SetChecked(1, 1); },
                                        [&] { menu.Load(2); }};
  for (const auto& use : uses) EXPECT_EQ(ErrorNumberOf(use), 340);
}

TEST(Menu, TickTooltipAndLookUp) {
  MenuArray menu;
  std::vector<int32_t> index;
  BuildMenu({{640, 480, 16, 3}, {1024, 768, 16, 0}, {800, 600, 32, 2}}, menu, index);  // 2 is "-"
  menu.SetChecked(6, true);  // the screen-saver item
  // clang-format off
  const struct { DisplayModeRecord current; int16_t ticked; std::u16string tip; } rows[] = {
      {Mode(1024, 768, 16), 1, u"1024x768ピクセル 16ビット"}, {Mode(800, 600, 32), 3, u"800x600ピクセル 32ビット"},
      {Mode(800, 600, 4), -1, u"800x600ピクセル 4ビット"}, {DisplayModeRecord{}, -1, u"0x0ピクセル 0ビット"},
      {Mode(-1, 600, 16), -1, u"-1x600ピクセル 16ビット"}};
  // clang-format on
  for (const auto& row : rows) {
    TickCurrentMode(menu, index.size(), row.current);
    for (int16_t i = 0; i <= 6; ++i)
      EXPECT_EQ(menu.Checked(i), i == row.ticked || i == 6) << row.ticked << " " << i;
    EXPECT_EQ(CurrentModeTip(row.current), row.tip);
  }
  TickCurrentMode(menu, 3, Mode(800, 600, 32));  // only the mode area given is touched
  EXPECT_FALSE(menu.Checked(3));
  EXPECT_EQ(FindModeItem(menu, index.size(), 1024, 768, 16), 1);
  EXPECT_EQ(FindModeItem(menu, index.size(), 800, 600, 32), 3);
  EXPECT_EQ(FindModeItem(menu, 3, 800, 600, 32), -1);  // only the mode area is searched
  EXPECT_EQ(FindModeItem(menu, index.size(), 640, 480, 32), -1);
}

TEST(Apply, RequestsSizeAndDepthOfTheListedRecordAndReportsTheResult) {
  FakeDisplay display;
  display.modes = {Mode(640, 480, 8), Mode(1024, 768, 16, 75), Mode(800, 600, 32)};
  display.changeResults = {1, -1};
  // The index asked for and the mode the menu offered for it: applied only while the display still
  // lists that mode there; otherwise refused as a bad mode without asking the display.
  // clang-format off
  const struct { int32_t index; ModeColumn offered; int32_t result; } rows[] = {
      {1, {1024, 768, 16, 1}, 1}, {0, {640, 480, 8, 0}, -1},
      {2, {1024, 600, 32, 2}, -2}, {2, {800, 768, 32, 2}, -2}, {2, {800, 600, 16, 2}, -2},  // listed there now
      {2, {800, 600, 32, 1}, -2},    // the catalogue offers nothing at index 2
      {999, {800, 600, 32, 999}, -2}};  // no longer listed
  // clang-format on
  for (const auto& row : rows)
    EXPECT_EQ(ApplyMode(display, row.index, {row.offered}), row.result) << row.index;
  ASSERT_EQ(display.applied.size(), 2u);
  const DisplayModeRecord& first = display.applied[0];
  EXPECT_EQ((std::vector<uint32_t>{first.dmFields, static_cast<uint32_t>(first.dmPelsWidth),
                                   first.dmDisplayFrequency,
                                   static_cast<uint32_t>(display.applied[1].dmPelsWidth)}),
            (std::vector<uint32_t>{0x1C0000, 1024, 75, 640}));
  EXPECT_EQ(display.appliedFlags, (std::vector<int32_t>{1, 1}));
  // clang-format off
  const std::pair<int32_t, std::u16string> messages[] = {
      {0, u""}, {1, u"設定を反映するためには再起動が必要です。"}, {-1, u"失敗しました。"}, {-2, u"不正なモードです。"},
      {-3, u"設定をレジストリに書き込めません。"}, {-4, u""}, {-5, u"不正なパラメータです。"}, {2, u""}, {-6, u""}};
  // clang-format on
  for (const auto& [code, message] : messages) {
    const char16_t* got = ChangeResultMessage(code);
    EXPECT_EQ(got ? std::u16string(got) : u"", message) << code;
  }
}

TEST(Dispatch, WhatEachIndexAsksFor) {
  std::string actions;  // indexes -1 .. 12 with CommandBase 4, one letter per MenuAction
  for (int16_t i = -1; i <= 12; ++i) actions += "-MSWPAX"[static_cast<int>(ActionAt(i, 4))];
  EXPECT_EQ(actions, "-MMMM-SW-PA-X-");
}

}  // namespace
