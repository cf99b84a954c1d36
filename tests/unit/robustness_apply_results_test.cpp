// Every code the apply operation can return, on both ways a mode is applied: the "/s" switch,
// which must end the program in every case, and a choice from the tray menu, after which the
// program must stay resident with a consistent menu and one icon.
#include <gtest/gtest.h>

#include <climits>

#include "fake/change_results.h"
#include "fake/form_fixture.h"
#include "unit/robustness_checks.h"

namespace {

// The menu of the fixture: 0 640x480x16, 1 1024x768x16, 2 "-", 3 800x600x32 (in force).
constexpr int16_t k1024x768x16 = 1;
constexpr int16_t k800x600x32 = 3;

class ApplyResultOnSwitch : public FormTest, public testing::WithParamInterface<ChangeResultCase> {};

TEST_P(ApplyResultOnSwitch, ReportsAtMostOneBoxWhileTheIconIsUpThenEnds) {
  const ChangeResultCase& c = GetParam();
  fake.display.changeResults = {c.code};
  fake.runtime.command = u"/s1024,768,16";
  int iconsWhileBoxUp = -1;
  fake.runtime.onMsgBox = [&] { iconsWhileBoxUp = fake.shell.VisibleIcons(); };

  const int status = ExitStatusOf([&] { form.Start(); });

  EXPECT_EQ(status, c.code == 0 ? kExitOk : kExitNotApplied);
  ASSERT_EQ(fake.display.applied.size(), 1u);  // applied once, never retried or restored
  EXPECT_EQ(fake.display.applied[0].dmPelsWidth, 1024);
  if (c.message) {
    ASSERT_EQ(fake.runtime.boxes.size(), 1u);
    EXPECT_EQ(fake.runtime.boxes[0].prompt, c.message);
    EXPECT_EQ(fake.runtime.boxes[0].buttons, vbOKOnly);
    EXPECT_EQ(iconsWhileBoxUp, 1);  // the program ends only after the box is closed
  } else {
    EXPECT_TRUE(fake.runtime.boxes.empty());
  }
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
  EXPECT_EQ(fake.shell.calls.back().message, NIM_DELETE);
  EXPECT_TRUE(fake.runtime.visibility.empty());
  ExpectMenuIntact(form);
  // The tick follows the mode in force: the new one only when the display took it.
  EXPECT_EQ(TickedItems(form), (std::vector<int16_t>{c.code == 0 ? k1024x768x16 : k800x600x32}));
}

INSTANTIATE_TEST_SUITE_P(Codes, ApplyResultOnSwitch, testing::ValuesIn(kChangeResults));

class ApplyResultFromMenu : public FormTest, public testing::WithParamInterface<ChangeResultCase> {};

TEST_P(ApplyResultFromMenu, ReportsAndStaysResidentWithAWorkingMenu) {
  const ChangeResultCase& c = GetParam();
  fake.display.changeResults = {c.code};
  form.Form_Load();
  fake.runtime.onPopup = [](const MenuArray&) { return k1024x768x16; };

  EXPECT_EQ(ExitStatusOf([&] { form.Form_MouseMove(0, 0, 7695, 0); }), -1);  // still resident

  ASSERT_EQ(fake.display.applied.size(), 1u);
  if (c.message) {
    ASSERT_EQ(fake.runtime.boxes.size(), 1u);
    EXPECT_EQ(fake.runtime.boxes[0].prompt, c.message);
    EXPECT_EQ(fake.runtime.boxes[0].buttons, vbOKOnly);
  } else {
    EXPECT_TRUE(fake.runtime.boxes.empty());
  }
  EXPECT_EQ(fake.shell.VisibleIcons(), 1);
  ExpectMenuIntact(form);
  EXPECT_EQ(TickedItems(form), (std::vector<int16_t>{c.code == 0 ? k1024x768x16 : k800x600x32}));
  EXPECT_EQ(Tip(), c.code == 0 ? u"1024x768ピクセル 16ビット" : u"800x600ピクセル 32ビット");

  // Whatever the display answered, the next press opens the menu and the next choice applies.
  fake.runtime.onPopup = [](const MenuArray&) { return 0; };
  form.Form_MouseMove(0, 0, 7740, 0);
  EXPECT_EQ(fake.runtime.popups.size(), 2u);
  ASSERT_EQ(fake.display.applied.size(), 2u);
  EXPECT_EQ(TickedItems(form), (std::vector<int16_t>{0}));
  EXPECT_EQ(fake.runtime.boxes.size(), c.message ? 1u : 0u);
  ExpectMenuIntact(form);
}

INSTANTIATE_TEST_SUITE_P(Codes, ApplyResultFromMenu, testing::ValuesIn(kChangeResults));

}  // namespace
