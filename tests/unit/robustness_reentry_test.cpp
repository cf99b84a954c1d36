// Re-entry: nothing in the program guards against events arriving while it lets pending events
// run, while the popup menu is open, or while a modal message box is up. Presses and menu
// commands delivered at each of those points — including ones that end the program or apply a
// mode — must leave no crash, one icon (or none once ended), and a menu whose ticks sit only on
// mode items (and the screen-saver item) with the command block intact.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "fake/form_fixture.h"
#include "unit/robustness_checks.h"

namespace {

enum Inject { kNothing, kLeftPress, kRightPress, kClickMode0, kClickExit };

// The fixture's menu: 0 640x480x16, 1 1024x768x16, 2 "-", 3 800x600x32 (in force), 4 "-",
// 6 the screen-saver switch, 11 Exit.
constexpr int16_t kSaverItem = 6;
constexpr int16_t kExitIndex = 11;

struct ReentryCase {
  const char* name;
  Inject duringEvents;             // arrives while the first press lets pending events run
  Inject duringPopup;              // arrives while the first popup is open
  Inject duringBox;                // arrives while the first message box is up
  std::vector<int16_t> choices;    // the choice in each popup, in the order they open
  int32_t firstResult;             // what the display answers to the first apply (then 0)
  int exitStatus;                  // -1: still resident
  size_t popups, applied, boxes;
  std::vector<int16_t> ticked;     // every ticked item afterwards
};

class Reentry : public FormTest, public testing::WithParamInterface<ReentryCase> {
 protected:
  void Deliver(Inject what) {
    switch (what) {
      case kNothing: break;
      case kLeftPress: form.Form_MouseMove(0, 0, 513 * 15.0f, 0); break;
      case kRightPress: form.Form_MouseMove(0, 0, 516 * 15.0f, 0); break;
      case kClickMode0: form.mnuDisplayMode_Click(0); break;
      case kClickExit: form.mnuDisplayMode_Click(kExitIndex); break;
    }
  }

  int CountCalls(int32_t message) const {
    return static_cast<int>(std::count_if(fake.shell.calls.begin(), fake.shell.calls.end(),
                                          [&](const FakeShell::Call& c) { return c.message == message; }));
  }
};

TEST_P(Reentry, LeavesOneIconAndAnIntactMenu) {
  const ReentryCase& c = GetParam();
  form.Start();
  fake.display.changeResults = {c.firstResult};
  fake.runtime.onDoEvents = [&] { Deliver(c.duringEvents); };  // delivered once
  size_t opened = 0;
  fake.runtime.onPopup = [&](const MenuArray&) -> int32_t {
    const size_t n = opened++;
    if (n == 0) Deliver(c.duringPopup);
    return n < c.choices.size() ? c.choices[n] : -1;
  };
  size_t shown = 0;
  fake.runtime.onMsgBox = [&] {
    if (shown++ == 0) Deliver(c.duringBox);
  };

  const int status = ExitStatusOf([&] { form.Form_MouseMove(0, 0, 513 * 15.0f, 0); });

  EXPECT_EQ(status, c.exitStatus);
  EXPECT_EQ(fake.runtime.popups.size(), c.popups);
  EXPECT_EQ(fake.display.applied.size(), c.applied);
  EXPECT_EQ(fake.runtime.boxes.size(), c.boxes);
  EXPECT_EQ(TickedItems(form), c.ticked);
  const bool saverTicked = std::find(c.ticked.begin(), c.ticked.end(), kSaverItem) != c.ticked.end();
  ExpectMenuIntact(form, saverTicked);
  EXPECT_EQ(CountCalls(NIM_ADD), 1);
  if (status == -1) {
    EXPECT_EQ(fake.shell.VisibleIcons(), 1);
    EXPECT_EQ(CountCalls(NIM_DELETE), 0);
    // The menu is not stuck half-open: the next press opens it again.
    fake.runtime.onPopup = nullptr;
    form.Form_MouseMove(0, 0, 513 * 15.0f, 0);
    EXPECT_EQ(fake.runtime.popups.size(), c.popups + 1);
  } else {
    EXPECT_EQ(fake.shell.VisibleIcons(), 0);
    EXPECT_EQ(CountCalls(NIM_DELETE), 1);  // removed once, and nothing ran after the end
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Reentry,
    testing::Values(
        ReentryCase{"PressWhileEventsRunThenMode", kLeftPress, kNothing, kNothing, {1}, 0, -1, 1, 1, 0, {1}},
        ReentryCase{"RightPressWhileEventsRunThenExit", kRightPress, kNothing, kNothing, {kExitIndex}, 0, kExitOk,
                    1, 0, 0, {3}},
        ReentryCase{"PressWhileMenuOpenThenMode", kNothing, kLeftPress, kNothing, {0}, 0, -1, 1, 1, 0, {0}},
        ReentryCase{"PressWhileMenuOpenThenExit", kNothing, kRightPress, kNothing, {kExitIndex}, 0, kExitOk, 1, 0, 0,
                    {3}},
        ReentryCase{"PressesEverywhereThenScreenSaverSwitch", kLeftPress, kLeftPress, kNothing, {kSaverItem}, 0, -1, 1,
                    0, 0, {3, kSaverItem}},
        ReentryCase{"ExitArrivesWhileEventsRun", kClickExit, kNothing, kNothing, {1}, 0, kExitOk, 0, 0, 0, {3}},
        ReentryCase{"ModeArrivesWhileEventsRunThenAnotherMode", kClickMode0, kNothing, kNothing, {1}, 0, -1, 1, 2, 0,
                    {1}},
        ReentryCase{"ExitArrivesWhileMenuOpen", kNothing, kClickExit, kNothing, {1}, 0, kExitOk, 1, 0, 0, {3}},
        ReentryCase{"PressWhileResultBoxUpChoosesExit", kNothing, kNothing, kLeftPress, {1, kExitIndex}, -2, kExitOk,
                    2, 1, 1, {3}},
        ReentryCase{"PressWhileResultBoxUpChoosesMode", kNothing, kNothing, kRightPress, {1, 0}, 1, -1, 2, 2, 1, {0}},
        ReentryCase{"PressWhileResultBoxUpChoosesScreenSaverSwitch", kNothing, kNothing, kLeftPress, {1, kSaverItem},
                    -1, -1, 2, 1, 1, {3, kSaverItem}},
        ReentryCase{"ExitArrivesWhileResultBoxUp", kNothing, kNothing, kClickExit, {1}, -3, kExitOk, 1, 1, 1, {3}},
        ReentryCase{"ModeArrivesWhileResultBoxUp", kNothing, kNothing, kClickMode0, {1}, -5, -1, 1, 2, 1, {0}}),
    [](const testing::TestParamInfo<ReentryCase>& info) { return std::string(info.param.name); });

// The "/s" path shows its boxes while the icon is still there: a press on it opens the menu from
// inside the box. Whatever is chosen there, the program ends once, with the icon removed once.
struct SwitchReentryCase {
  const char* name;
  const char16_t* command;
  int16_t choice;
  int exitStatus;
  size_t applied;
};

TEST_F(FormTest, PressWhileTheSwitchBoxIsUpEndsOnceWithTheIconRemovedOnce) {
  const SwitchReentryCase cases[] = {
      {"SyntaxBoxThenExit", u"/s640x480x8", kExitIndex, kExitOk, 0},
      {"SyntaxBoxThenMode", u"/s640x480x8", 1, kExitSyntax, 1},
      {"OverflowBoxThenAbout", u"/s40000,480,16", 9, kExitError, 0},
      {"ResultBoxThenExit", u"/s1024,768,16", kExitIndex, kExitOk, 1},
      {"ResultBoxThenMode", u"/s1024,768,16", 0, kExitNotApplied, 2},
  };
  for (const SwitchReentryCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform fresh;
    fresh.display.modes = fake.display.modes;
    fresh.display.current = fake.display.current;
    fresh.display.changeResults = {-2};
    fresh.runtime.command = c.command;
    frmMain f(fresh.platform());
    bool pressed = false;
    fresh.runtime.onMsgBox = [&] {
      if (!std::exchange(pressed, true)) f.Form_MouseMove(0, 0, 516 * 15.0f, 0);
    };
    fresh.runtime.onPopup = [&](const MenuArray&) { return c.choice; };
    EXPECT_EQ(ExitStatusOf([&] { f.Start(); }), c.exitStatus);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(fresh.runtime.popups.size(), 1u);
    EXPECT_EQ(fresh.display.applied.size(), c.applied);
    EXPECT_EQ(fresh.shell.VisibleIcons(), 0);
    const auto deletes = std::count_if(fresh.shell.calls.begin(), fresh.shell.calls.end(),
                                       [](const FakeShell::Call& call) { return call.message == NIM_DELETE; });
    EXPECT_EQ(deletes, 1);
    ExpectMenuIntact(f);
  }
}

}  // namespace
