// The form over the fake platform: start-up, the "/s" path, presses and clicks, closing, the
// error policy, and events that arrive while the program waits on the user.
#include <gtest/gtest.h>

#include <initializer_list>

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
  int Press(int32_t code = 513) {
    return ExitStatusOf([&] { form.MouseMove(0, 0, static_cast<float>(code) * 15.0f, 0); });
  }
  int Click(int16_t index) {
    return ExitStatusOf([&] { form.MenuClick(index); });
  }
  std::u16string Box(size_t i) { return i < fake.runtime.boxes.size() ? fake.runtime.boxes[i].first : u""; }
};

TEST_F(Form, LoadAddsTheIconBuildsTheMenuAndStaysResident) {
  fake.runtime.command = u"/S1024,768,16";
  EXPECT_EQ(ExitStatusOf([&] { form.Start(); }), -1);
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
  {  // an exception that is no runtime error
    FakePlatform other;
    frmMain resident(other.platform());
    resident.Start();
    other.runtime.onPopup = [](const MenuArray&) -> int32_t { throw std::length_error("x"); };
    EXPECT_EQ(ExitStatusOf([&] { resident.MouseMove(0, 0, 513 * 15.0f, 0); }), 3);
    EXPECT_NE(other.runtime.boxes.at(0).first.find(u"エラー番号   : 51\r\n内部エラーです。"),
              std::u16string::npos);
  }
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
  EXPECT_EQ(fake.display.applied.at(0).dmPelsWidth, 1024u);       // the mode listed first
  EXPECT_EQ(fake.display.applied.at(1).dmDisplayFrequency, 60u);  // a mode from its first listing
  EXPECT_EQ(Ticked(form), std::vector<int16_t>{1});               // the mode in force, not the one refused
  EXPECT_EQ(fake.system.screenSaverStarts, 1);
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
    form.MenuClick(form.CommandBase + 5);  // About
    EXPECT_EQ(ExitStatusOf([&] { form.CloseRequest(origin); }), origin == vbFormControlMenu ? -1 : 0);
    EXPECT_EQ(fake.runtime.shown.back(),
              origin == vbFormControlMenu ? u"hide" : u"Ver 1.90|" + form.lblCopyright);
    form.ShellRestarted();
    form.DisplayChanged();
    EXPECT_EQ(fake.shell.Count(api::NimAdd), origin == vbFormControlMenu ? 2 : 1);
    EXPECT_EQ(fake.shell.Count(api::NimModify), origin == vbFormControlMenu ? 2 : 1);
    EXPECT_EQ(fake.shell.Count(api::NimDelete), origin == vbFormControlMenu ? 0 : 1);
  }
  form.Start();
  EXPECT_TRUE(form.QueryEndSession());
  const NotifyIconBuffer last = fake.shell.calls.back().second;
  form.ShellRestarted();
  EXPECT_EQ(fake.shell.calls.back(), std::make_pair(api::NimAdd, last));
  Click(9);  // About
  form.OkClick();
  EXPECT_FALSE(form.Visible);
  EXPECT_EQ(fake.runtime.shown.back(), u"hide");
  fake.display.current = Mode(640, 480, 16);
  form.DisplayChanged();
  EXPECT_EQ(Ticked(form), std::vector<int16_t>{0});
}

// Events delivered while the program lets pending events run, while the menu is open, or while a
// message box is up: one icon, removed once at the end, and the box (if any) shown while the icon is
// still there.
enum Inject { k_, kPress, kClickMode0, kClickExit, kTaskManager, kSessionEnd };
struct Script {
  const char16_t* command = u"";
  Inject duringEvents = k_, duringPopup = k_, duringBox = k_;
  std::vector<int16_t> choices;  // the user's choice in each popup, in turn; then none
  int32_t firstResult = 0;       // what the display answers the first apply
  int status = 0;                // the exit status; -1: still resident
  size_t popups = 0, applied = 0;
  std::vector<int16_t> ticked{3};
  std::u16string box;
};

void RunScript(const Script& row, size_t number) {
  SCOPED_TRACE(number);
  FakePlatform fake;
  frmMain form(fake.platform());
  fake.display.modes = kModes;
  fake.display.changeResults = {row.firstResult};
  fake.runtime.command = row.command;
  const auto deliver = [&](Inject what) {
    if (what == kPress) form.MouseMove(0, 0, 516 * 15.0f, 0);
    if (what == kClickMode0 || what == kClickExit) form.MenuClick(what == kClickExit ? 11 : 0);
    if (what == kTaskManager || what == kSessionEnd)
      form.CloseRequest(what == kSessionEnd ? vbAppWindows : vbAppTaskManager);
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
    status = ExitStatusOf([&] { form.MouseMove(0, 0, 513 * 15.0f, 0); });
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
    form.MouseMove(0, 0, 513 * 15.0f, 0);
    EXPECT_EQ(fake.runtime.popups.size(), row.popups + 1);
  }
}

void RunScripts(std::initializer_list<Script> rows) {
  for (const Script& row : rows) RunScript(row, static_cast<size_t>(&row - rows.begin()));
}

const std::u16string kRestart = u"設定を反映するためには再起動が必要です。", kBadMode = u"不正なモードです。",
                     kSyntax =
                         u"パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。",
                     kOverflow =
                         u"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : 6\r\n"
                         u"オーバーフローしました。\r\nVer 1.90";

// The "/s" path: the exit status for each outcome, and a press while its box is up. Whatever ends the
// program while the box is up (Exit, the task manager, the end of the session) ends it with the box's status.
TEST(FormScript, ModeSwitch) {
  // clang-format off
  RunScripts({
      {.command = u"/s1024,768,16", .status = 0, .applied = 1, .ticked = {1}},
      {.command = u"/s 800,600,32 /x", .firstResult = 1, .status = 5, .applied = 1, .box = kRestart},
      {.command = u"/s640,480,16", .firstResult = -2, .status = 4, .applied = 1, .box = kBadMode},
      {.command = u"/s640,480,16", .firstResult = -4, .status = 4, .applied = 1},
      {.command = u"/s640,400,16", .status = 1},
      {.command = u"/s640x480x8", .status = 2, .box = kSyntax},
      {.command = u"/s40000,600,16", .status = 3, .box = kOverflow},
      {.command = u"/s640x480x8", .duringBox = kPress, .choices = {11}, .status = 2, .popups = 1, .box = kSyntax},
      {.command = u"/s640x480x8", .duringBox = kTaskManager, .status = 2, .box = kSyntax},
      {.command = u"/s40000,600,16", .duringBox = kSessionEnd, .status = 3, .box = kOverflow},
      {.command = u"/s640,480,16", .duringBox = kTaskManager, .firstResult = -2, .status = 4, .applied = 1, .box = kBadMode},
      {.command = u"/s 800,600,32", .duringBox = kSessionEnd, .firstResult = 1, .status = 5, .applied = 1, .box = kRestart},
      {.command = u"/s640x480x8", .duringBox = kPress, .choices = {1}, .firstResult = -2, .status = 2, .popups = 1, .applied = 1, .box = kSyntax},
      {.command = u"/s40000,480,16", .duringBox = kPress, .choices = {9}, .status = 3, .popups = 1, .box = kOverflow},
      {.command = u"/s1024,768,16", .duringBox = kPress, .choices = {11}, .firstResult = -2, .status = 4, .popups = 1, .applied = 1, .box = kBadMode},
      {.command = u"/s1024,768,16", .duringBox = kPress, .choices = {0}, .firstResult = -2, .status = 4, .popups = 1, .applied = 2, .ticked = {0}, .box = kBadMode},
  });
  // clang-format on
}

// The resident program: a press or click while the first press lets events run, while its menu is
// open, or while a box from its choice is up.
TEST(FormScript, EventsWhileWaitingOnTheUser) {
  // clang-format off
  RunScripts({
      {.duringEvents = kPress, .choices = {1}, .status = -1, .popups = 1, .applied = 1, .ticked = {1}},
      {.duringPopup = kPress, .choices = {11}, .status = 0, .popups = 1},
      {.duringEvents = kPress, .duringPopup = kPress, .choices = {6}, .status = -1, .popups = 1, .ticked = {3, 6}},
      {.duringEvents = kClickExit, .choices = {1}, .status = 0},
      {.duringEvents = kClickMode0, .choices = {1}, .status = -1, .popups = 1, .applied = 2, .ticked = {1}},
      {.duringPopup = kClickExit, .choices = {1}, .status = 0, .popups = 1},
      {.duringBox = kPress, .choices = {1, 11}, .firstResult = -2, .status = 0, .popups = 2, .applied = 1, .box = kBadMode},
      {.duringBox = kSessionEnd, .choices = {1}, .firstResult = 1, .status = 0, .popups = 1, .applied = 1, .box = kRestart},
      {.duringBox = kPress, .choices = {1, 0}, .firstResult = 1, .status = -1, .popups = 2, .applied = 2, .ticked = {0}, .box = kRestart},
      {.duringBox = kClickMode0, .choices = {1}, .firstResult = -5, .status = -1, .popups = 1, .applied = 2, .ticked = {0}, .box = u"不正なパラメータです。"},
  });
  // clang-format on
}

// The modes a popup showed, "640x480x16", ticked "*800x600x32", separators "-": up to the command block.
std::vector<std::u16string> ModeArea(const std::vector<MenuArray::Element>& shown) {
  std::vector<std::u16string> out;
  for (const MenuArray::Element& e : shown) {
    if (e.caption == u"スクリーンセーバ起動") {
      out.pop_back();  // the separator before it
      return out;
    }
    std::u16string item = e.caption;
    if (const size_t at = item.find(u"ピクセル\t"); at != std::u16string::npos) item.replace(at, 5, u"x");
    if (const size_t at = item.find(u"ビット"); at != std::u16string::npos) item.erase(at);
    out.push_back((e.checked ? u"*" : u"") + item);
  }
  return out;
}

// The display lists other modes (docked, undocked, another primary monitor): heard of before a press, while
// the menu is open, or not heard of at all before the choice. A choice means the item the menu showed: it
// applies that mode, or nothing with the refused-mode box; the next popup shows the display's modes.
enum Heard { kBeforePress, kDuringPopup, kNever };
const std::vector<DisplayModeRecord> kDocked = {Mode(1280, 1024, 32), Mode(1024, 768, 32),
                                                Mode(800, 600, 32)},
                                     kShifted = {Mode(1280, 1024, 16), Mode(640, 400, 16), Mode(800, 600, 32),
                                                 Mode(640, 480, 16)},
                                     kShrunk = {Mode(800, 600, 32), Mode(1024, 768, 32)};
const std::vector<std::u16string> kStartMenu = {u"640x480x16", u"1024x768x16", u"-", u"*800x600x32"};

TEST(FormFollowsTheDisplay, TheMenuShowsTheModesListedAndAChoiceAppliesWhatItShowed) {
  // clang-format off
  const struct { Heard heard; std::vector<DisplayModeRecord> listed; int16_t choice; int32_t applied; bool refused; std::vector<std::u16string> next; std::vector<int32_t> index; } rows[] = {
      {kBeforePress, kDocked, -1, 0, false, {u"*800x600x32", u"1024x768x32", u"1280x1024x32"}, {2, 1, 0}},
      {kBeforePress, kModes, -1, 0, false, kStartMenu, {3, 0, 0, 2}},  // the same list: the same menu
      {kDuringPopup, kShifted, 0, 640, false, {u"*640x480x16", u"1280x1024x16", u"-", u"800x600x32"}, {3, 0, 0, 2}},
      {kDuringPopup, kShifted, 1, 0, true, {u"640x480x16", u"1280x1024x16", u"-", u"*800x600x32"}, {3, 0, 0, 2}},
      {kDuringPopup, kDocked, 3, 800, false, {u"*800x600x32", u"1024x768x32", u"1280x1024x32"}, {2, 1, 0}},
      {kNever, kShifted, 1, 0, true, {u"640x480x16", u"1280x1024x16", u"-", u"*800x600x32"}, {3, 0, 0, 2}},
      {kNever, kShrunk, 0, 0, true, {u"*800x600x32", u"1024x768x32"}, {0, 1}},
      // Still listed where it was: applied; nothing told the form of the new list, so the menu stays.
      {kNever, kShifted, 0, 640, false, {u"*640x480x16", u"1024x768x16", u"-", u"800x600x32"}, {3, 0, 0, 2}},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    FakePlatform fake;
    frmMain form(fake.platform());
    fake.display.modes = kModes;
    form.Start();
    const auto change = [&] {
      fake.display.modes = row.listed;
      if (row.heard != kNever) form.DisplayChanged();
    };
    if (row.heard == kBeforePress) change();
    fake.runtime.onPopup = [&](const MenuArray&) -> int32_t {
      if (row.heard != kBeforePress) change();
      return row.choice;
    };
    form.MouseMove(0, 0, 513 * 15.0f, 0);
    fake.runtime.onPopup = nullptr;
    form.MouseMove(0, 0, 513 * 15.0f, 0);
    EXPECT_EQ(ModeArea(fake.runtime.popups[0]), row.heard == kBeforePress ? row.next : kStartMenu);
    EXPECT_EQ(ModeArea(fake.runtime.popups[1]), row.next);
    EXPECT_EQ(form.MenuModeIndex, row.index);
    EXPECT_EQ(fake.display.applied.empty() ? 0 : fake.display.applied[0].dmPelsWidth, row.applied);
    using Boxes = decltype(fake.runtime.boxes);
    EXPECT_EQ(fake.runtime.boxes, (row.refused ? Boxes{{kBadMode, 0}} : Boxes{}));
  }
}

// After a rebuild the command items sit after the new mode items and do what they did; the screen-saver
// item keeps its tick.
TEST_F(Form, TheCommandItemsFollowARebuiltMenu) {
  form.Start();
  Click(6);  // the screen saver off
  form.DisplayChanged();
  EXPECT_EQ(Ticked(form), (std::vector<int16_t>{3, 6}));
  fake.display.modes = kDocked;
  form.DisplayChanged();
  EXPECT_EQ(form.CommandBase, 3);
  EXPECT_EQ(Ticked(form), (std::vector<int16_t>{0, 5}));
  for (int16_t index : {5, 4, 7, 8, 1}) Click(index);
  EXPECT_EQ(Ticked(form), (std::vector<int16_t>{1}));
  EXPECT_EQ(fake.system.saverActive, (std::vector<int32_t>{0, -1}));
  EXPECT_EQ(fake.system.screenSaverStarts, 1);
  EXPECT_EQ(fake.runtime.launches.size(), 1u);
  EXPECT_TRUE(form.Visible);
  EXPECT_EQ(fake.display.applied.at(0).dmPelsWidth, 1024);
  EXPECT_EQ(Click(10), 0);
}

}  // namespace
