// The form over the fake platform: start-up, the "/s" path, presses and clicks, closing, the
// error policy, and events that arrive while the program waits on the user.
#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "fake/fake_platform.h"
#include "ui/frm_main.h"

namespace {

// The menu: 0 640x480x16, 1 1024x768x16, 2 "-", 3 800x600x32 (in force), CommandBase 4, 5 start saver,
// 6 saver switch, 8 display properties, 9 About, 11 Exit.
const std::vector<DisplayModeRecord> kModes = {Mode(1024, 768, 16), Mode(640, 400, 16),
                                               Mode(800, 600, 32, 60), Mode(640, 480, 16),
                                               Mode(800, 600, 32, 75)};

std::vector<int16_t> Ticked(const frmMain& form) {
  std::vector<int16_t> out;
  for (int16_t i = 0; i <= form.mnuDisplayMode.UBound(); ++i)
    if (form.mnuDisplayMode.Checked(i)) out.push_back(i);
  return out;
}

struct Form : testing::Test {
  FakePlatform fake;
  frmMain form{fake.platform()};
  void SetUp() override { fake.display.modes = kModes; }
  int Run(const std::function<void()>& event) {
    return ExitStatusOf([&] { form.Raise(event); });
  }
  int Press(int32_t code = 513) {
    return Run([&] { form.Form_MouseMove(0, 0, static_cast<float>(code) * 15.0f, 0); });
  }
  int Click(int16_t index) {
    return Run([&] { form.mnuDisplayMode_Click(index); });
  }
  std::u16string Box(size_t i) { return i < fake.runtime.boxes.size() ? fake.runtime.boxes[i].first : u""; }
};

TEST_F(Form, LoadAddsTheIconBuildsTheMenuAndStaysResident) {
  fake.runtime.command = u"/S1024,768,16";
  EXPECT_EQ(Run([&] { form.Start(); }), -1);
  EXPECT_EQ(
      form.lblCopyright,
      u"\u3000画面の解像度と色数をトレイから切り替えます。\r\n\u3000著作権はVelmora開発チームにあります。\r\n"
      u"\u3000使用による損害にVelmora開発チームは責任を負いません。");
  const IconData& i = form.Tray().Data();
  EXPECT_EQ((std::vector<int32_t>{i.hWnd, i.uID, i.hIcon}), (std::vector<int32_t>{0x1234, 1, 0x5678}));
  EXPECT_EQ(fake.shell.calls[0].second[24], 'V');  // added with the program's name as tooltip, then refreshed
  EXPECT_EQ(form.Tray().ToolTipText(), clsTray::StoredTip(u"800x600ピクセル 32ビット"));
  EXPECT_EQ(form.MenuModeIndex, (std::vector<int32_t>{3, 0, 0, 2}));
  EXPECT_TRUE(fake.runtime.shown.empty() && fake.runtime.boxes.empty() && fake.display.applied.empty());
}

// What no event procedure traps: the general box, the icon taken away, status 3.
TEST_F(Form, AnUntrappedErrorShowsTheBoxRemovesTheIconAndEnds) {
  form.Start();
  fake.runtime.twipsPerPixel = 0.4f;
  EXPECT_EQ(Press(), 3);
  EXPECT_EQ(Box(0),
            u"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : 11\r\n0 で除算しました。\r\nVer 1.90");
  EXPECT_EQ(fake.runtime.boxes[0].second, 16);
  EXPECT_EQ(fake.shell.Count(api::NimDelete), 1);
  EXPECT_EQ(Run([] { throw std::length_error("x"); }), 3);
  EXPECT_NE(Box(1).find(u"エラー番号   : 51\r\n内部エラーです。"), std::u16string::npos);
  for (const char16_t* command : {u"", u"/s1024,768,16"}) {  // no picture for the icon
    FakePlatform other;
    other.runtime.miniIcon.reset();
    other.runtime.command = command;
    frmMain noIcon(other.platform());
    EXPECT_EQ(ExitStatusOf([&] { noIcon.Start(); }), 3);
    EXPECT_NE(other.runtime.boxes.at(0).first.find(u"エラー番号   : 91"), std::u16string::npos);
    EXPECT_TRUE(other.shell.Count(api::NimAdd) == 0 && other.display.applied.empty());
  }
}

TEST_F(Form, OnlyLeftAndRightPressesOpenTheMenuAfterARefresh) {
  form.Start();
  fake.display.current = Mode(1024, 768, 16);
  std::vector<std::string> order;
  fake.runtime.onDoEvents = [&] {
    order.push_back("events" + std::to_string(fake.system.foreground.size()));
  };
  fake.runtime.onPopup = [&](const MenuArray& m) { return order.push_back(m.Checked(1) ? "tick" : "-"), -1; };
  for (int32_t code = 510; code <= 522; ++code) Press(code);
  EXPECT_EQ(order, (std::vector<std::string>{"events1", "tick", "tick"}));
  EXPECT_EQ(fake.system.foreground, (std::vector<int32_t>{0x1234, 0x1234}));
  EXPECT_EQ(fake.shell.calls.size(), 4u);  // each press refreshed the tooltip once
}

TEST_F(Form, EachMenuItemDoesItsOneThing) {
  form.Start();
  fake.display.changeResults = {0, 1};
  fake.runtime.onPopup = [](const MenuArray&) { return 1; };
  Press();                  // 1024x768x16, listed first
  EXPECT_EQ(Click(3), -1);  // 800x600x32 from its first listing, refused until a restart
  for (int16_t index : {4, 7, 10, 12, -1, 5, 8, 9}) EXPECT_EQ(Click(index), -1);
  fake.runtime.launchFails = true;
  EXPECT_EQ(Click(8), -1);
  const auto& applied = fake.display.applied;  // the tick stays on the mode in force, not on the one refused
  EXPECT_EQ((std::vector<int64_t>{applied.at(0).dmPelsWidth, applied.at(1).dmDisplayFrequency,
                                  Ticked(form).at(0), fake.system.screenSaverStarts}),
            (std::vector<int64_t>{1024, 60, 1, 1}));
  EXPECT_EQ(fake.runtime.boxes.at(0),
            std::make_pair(std::u16string(u"設定を反映するためには再起動が必要です。"), 0));
  EXPECT_EQ(fake.runtime.launches, std::vector<std::u16string>(2, u"Control.exe Desk.cpl ,3|2"));
  EXPECT_EQ(fake.runtime.shown, (std::vector<std::u16string>{u"Ver 1.90|" + form.lblCopyright}));
  EXPECT_TRUE(form.Visible);
  // The screen-saver switch: off, refused, on; the tick follows what the system accepted.
  std::vector<bool> ticks;
  for (int32_t answer : {1, 0, 1})
    fake.system.spiResult = answer, Click(6), ticks.push_back(form.mnuDisplayMode.Checked(6));
  EXPECT_EQ(fake.system.saverActive, (std::vector<int32_t>{0, -1, -1}));
  EXPECT_EQ(ticks, (std::vector<bool>{true, true, false}));
  form.CommandBase = 5;  // a mode index past MenuModeIndex
  EXPECT_EQ(Click(4), 3);
  EXPECT_NE(Box(1).find(u"エラー番号   : 9\r\n"), std::u16string::npos);
}

// A display change refreshes the icon, and the shell's restart brings it back, only while the form is
// loaded; the tick follows a mode another program set.
TEST_F(Form, CloseRequestsTheShellsRestartAndDisplayChanges) {
  for (int16_t origin : {0, 1, 2, 3, 4}) {
    FakePlatform fake;
    frmMain form(fake.platform());
    form.DisplayChanged();
    form.Start();
    form.Show();
    EXPECT_EQ(form.Unload(origin), origin != vbFormControlMenu);
    EXPECT_EQ(fake.runtime.shown.back(),
              origin == vbFormControlMenu ? u"hide" : u"Ver 1.90|" + form.lblCopyright);
    form.TaskbarCreated();
    form.DisplayChanged();
    EXPECT_EQ(fake.shell.Count(api::NimAdd), origin == vbFormControlMenu ? 2 : 1);
    EXPECT_EQ(fake.shell.Count(api::NimModify), origin == vbFormControlMenu ? 2 : 1);
    EXPECT_EQ(fake.shell.Count(api::NimDelete), origin == vbFormControlMenu ? 0 : 1);
  }
  form.Start();
  const NotifyIconBuffer last = fake.shell.calls.back().second;
  form.TaskbarCreated();
  EXPECT_EQ(fake.shell.calls.back(), std::make_pair(api::NimAdd, last));
  form.Show();
  form.cmdOK_Click();
  EXPECT_FALSE(form.Visible);
  EXPECT_EQ(fake.runtime.shown.back(), u"hide");
  fake.display.current = Mode(640, 480, 16);
  form.DisplayChanged();
  EXPECT_EQ(Ticked(form), std::vector<int16_t>{0});
}

// The "/s" path and events delivered while the program lets pending events run, while the menu is
// open, or while a message box is up: one icon, removed once at the end, and the box (if any) shown
// while the icon is still there.
TEST_F(Form, ScriptsOfEvents) {
  // clang-format off
  const std::u16string kSyntax = u"パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。",
      kOverflow = u"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : 6\r\nオーバーフローしました。\r\nVer 1.90",
      kRestart = u"設定を反映するためには再起動が必要です。", kBadMode = u"不正なモードです。";
  enum Inject { k_, kPress, kClickMode0, kClickExit };
  const struct { const char16_t* command; Inject duringEvents, duringPopup, duringBox; std::vector<int16_t> choices;
                 int32_t firstResult; int status; size_t popups, applied; std::vector<int16_t> ticked; std::u16string box; } rows[] = {
      {u"/s1024,768,16", k_, k_, k_, {}, 0, 0, 0, 1, {1}, u""}, {u"/s 800,600,32 /x", k_, k_, k_, {}, 1, 5, 0, 1, {3}, kRestart},
      {u"/s640,480,16", k_, k_, k_, {}, -2, 4, 0, 1, {3}, kBadMode}, {u"/s640,480,16", k_, k_, k_, {}, -4, 4, 0, 1, {3}, u""},
      {u"/s640,400,16", k_, k_, k_, {}, 0, 1, 0, 0, {3}, u""}, {u"/s640x480x8", k_, k_, k_, {}, 0, 2, 0, 0, {3}, kSyntax},
      {u"/s40000,600,16", k_, k_, k_, {}, 0, 3, 0, 0, {3}, kOverflow},
      {u"/s640x480x8", k_, k_, kPress, {11}, 0, 0, 1, 0, {3}, kSyntax}, {u"/s640x480x8", k_, k_, kPress, {1}, -2, 2, 1, 1, {3}, kSyntax},
      {u"/s40000,480,16", k_, k_, kPress, {9}, 0, 3, 1, 0, {3}, kOverflow},
      {u"/s1024,768,16", k_, k_, kPress, {11}, -2, 0, 1, 1, {3}, kBadMode}, {u"/s1024,768,16", k_, k_, kPress, {0}, -2, 4, 1, 2, {0}, kBadMode},
      {u"", kPress, k_, k_, {1}, 0, -1, 1, 1, {1}, u""}, {u"", k_, kPress, k_, {11}, 0, 0, 1, 0, {3}, u""},
      {u"", kPress, kPress, k_, {6}, 0, -1, 1, 0, {3, 6}, u""}, {u"", kClickExit, k_, k_, {1}, 0, 0, 0, 0, {3}, u""},
      {u"", kClickMode0, k_, k_, {1}, 0, -1, 1, 2, {1}, u""}, {u"", k_, kClickExit, k_, {1}, 0, 0, 1, 0, {3}, u""},
      {u"", k_, k_, kPress, {1, 11}, -2, 0, 2, 1, {3}, kBadMode}, {u"", k_, k_, kPress, {1, 0}, 1, -1, 2, 2, {0}, kRestart},
      {u"", k_, k_, kClickMode0, {1}, -5, -1, 1, 2, {0}, u"不正なパラメータです。"}};
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    FakePlatform fake;
    frmMain form(fake.platform());
    fake.display.modes = kModes;
    fake.display.changeResults = {row.firstResult};
    fake.runtime.command = row.command;
    const auto deliver = [&](Inject what) {
      if (what == kPress) form.Form_MouseMove(0, 0, 516 * 15.0f, 0);
      if (what == kClickMode0 || what == kClickExit) form.mnuDisplayMode_Click(what == kClickExit ? 11 : 0);
    };
    size_t opened = 0;
    int deletesAtBox = -1;
    fake.runtime.onPopup = [&](const MenuArray&) -> int32_t {
      if (opened++ == 0) deliver(row.duringPopup);
      return opened <= row.choices.size() ? row.choices[opened - 1] : -1;
    };
    fake.runtime.onMsgBox = [&] {
      if (deletesAtBox < 0) deletesAtBox = fake.shell.Count(api::NimDelete), deliver(row.duringBox);
    };
    int status = ExitStatusOf([&] { form.Start(); });
    if (*row.command == 0) {
      fake.runtime.onDoEvents = [&] { deliver(row.duringEvents); };
      status = ExitStatusOf([&] { form.Raise([&] { form.Form_MouseMove(0, 0, 513 * 15.0f, 0); }); });
    }
    EXPECT_EQ(status, row.status);
    EXPECT_EQ(fake.runtime.popups.size(), row.popups);
    EXPECT_EQ(fake.display.applied.size(), row.applied);
    EXPECT_EQ(Ticked(form), row.ticked);
    EXPECT_EQ(fake.runtime.boxes.empty() ? u"" : fake.runtime.boxes[0].first, row.box);
    EXPECT_EQ(deletesAtBox, row.box.empty() ? -1 : 0);
    EXPECT_EQ(fake.shell.Count(api::NimAdd), 1);
    EXPECT_EQ(fake.shell.Count(api::NimDelete), row.status < 0 ? 0 : 1);
    if (row.status < 0) {  // the menu is not stuck half-open: the next press opens it again
      form.Form_MouseMove(0, 0, 513 * 15.0f, 0);
      EXPECT_EQ(fake.runtime.popups.size(), row.popups + 1);
    }
  }
}

}  // namespace
