#include <gtest/gtest.h>

#include "fake/form_fixture.h"

namespace {

// With CommandBase 4: 0..3 modes (2 a separator), 5 start saver, 6 saver switch, 8 display
// properties, 9 About, 11 Exit; 4, 7 and 10 are separators.
struct ClickCase {
  int16_t index;
  size_t applied;
  int saverStarts;
  size_t spiCalls;
  size_t launches;
  bool shown;
};

class Dispatch : public FormTest, public testing::WithParamInterface<ClickCase> {};

TEST_P(Dispatch, EachIndexDoesItsOneThing) {
  Build();
  ASSERT_EQ(Module::CommandBase, 4);
  form.mnuDisplayMode_Click(GetParam().index);
  EXPECT_EQ(fake.display.applied.size(), GetParam().applied);
  EXPECT_EQ(fake.system.screenSaverStarts, GetParam().saverStarts);
  EXPECT_EQ(fake.system.spiCalls.size(), GetParam().spiCalls);
  EXPECT_EQ(fake.runtime.launches.size(), GetParam().launches);
  EXPECT_EQ(form.Visible, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Indexes, Dispatch,
                         testing::Values(ClickCase{0, 1, 0, 0, 0, false}, ClickCase{3, 1, 0, 0, 0, false},
                                         ClickCase{4, 0, 0, 0, 0, false}, ClickCase{5, 0, 1, 0, 0, false},
                                         ClickCase{6, 0, 0, 1, 0, false}, ClickCase{7, 0, 0, 0, 0, false},
                                         ClickCase{8, 0, 0, 0, 1, false}, ClickCase{9, 0, 0, 0, 0, true},
                                         ClickCase{10, 0, 0, 0, 0, false}));

TEST_F(FormTest, ModeItemAppliesItsEnumerationIndex) {
  Build();
  form.mnuDisplayMode_Click(3);
  ASSERT_EQ(fake.display.applied.size(), 1u);
  EXPECT_EQ(fake.display.applied[0].dmPelsWidth, 800);
  EXPECT_EQ(fake.display.applied[0].dmDisplayFrequency, 60u);  // the first listing, index 2
}

TEST_F(FormTest, DisplayPropertiesStartsTheControlPanelMinimized) {
  Build();
  form.mnuDisplayMode_Click(8);
  ASSERT_EQ(fake.runtime.launches.size(), 1u);
  EXPECT_EQ(fake.runtime.launches[0].commandLine, u"Control.exe Desk.cpl ,3");
  EXPECT_EQ(fake.runtime.launches[0].style, 2);
  fake.runtime.launchFails = true;
  EXPECT_NO_THROW(form.mnuDisplayMode_Click(8));
}

TEST_F(FormTest, ScreenSaverSwitchAlternatesAndEndsTickedAfterThreeChoices) {
  Build();
  for (int i = 0; i < 3; ++i) form.mnuDisplayMode_Click(6);
  ASSERT_EQ(fake.system.spiCalls.size(), 3u);
  const std::vector<int32_t> expected = {0, -1, 0};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(fake.system.spiCalls[i].action, 17);
    EXPECT_EQ(fake.system.spiCalls[i].uiParam, expected[i]);
    EXPECT_EQ(fake.system.spiCalls[i].fWinIni, 1);
  }
  EXPECT_TRUE(form.mnuDisplayMode.Checked(6));
}

TEST_F(FormTest, RefusedScreenSaverCallLeavesTickAndFlag) {
  Build();
  fake.system.spiResult = 0;
  form.mnuDisplayMode_Click(6);
  EXPECT_FALSE(form.mnuDisplayMode.Checked(6));
  fake.system.spiResult = 1;
  form.mnuDisplayMode_Click(6);  // still asks to deactivate: nothing was switched off yet
  EXPECT_EQ(fake.system.spiCalls.back().uiParam, 0);
  EXPECT_TRUE(form.mnuDisplayMode.Checked(6));
}

TEST_F(FormTest, ExitRemovesTheIconAndEndsTheProcess) {
  Build();
  form.Show();
  try {
    form.mnuDisplayMode_Click(11);
    FAIL() << "the program did not end";
  } catch (const ProgramEnded& e) {
    EXPECT_EQ(e.exitCode, 0);
  }
  EXPECT_EQ(fake.shell.calls.back().message, NIM_DELETE);
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
  EXPECT_FALSE(form.HasTray());
}

TEST_F(FormTest, AboutShownTwiceStaysOneVisibleWindow) {
  Build();
  form.mnuDisplayMode_Click(9);
  const std::u16string version = form.lblVersion;
  form.mnuDisplayMode_Click(9);
  EXPECT_TRUE(form.Visible);
  EXPECT_EQ(fake.runtime.visibility, (std::vector<bool>{true, true}));
  EXPECT_EQ(form.lblVersion, version);
}

}  // namespace
