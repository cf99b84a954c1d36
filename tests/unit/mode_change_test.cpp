#include <gtest/gtest.h>

#include "fake/form_fixture.h"

namespace {

// Every result code and its box is covered through the menu and the switch in the robustness tests;
// here, what goes to the display.
TEST_F(FormTest, AppliesTheFreshlyEnumeratedRecordWithOnlySizeAndDepthRequested) {
  Build();
  form.ChangeMode(form.MenuModeIndex[1]);  // 1024x768x16, listed first
  ASSERT_EQ(fake.display.applied.size(), 1u);
  const DisplayModeRecord& applied = fake.display.applied[0];
  EXPECT_EQ(applied.dmFields, 0x1C0000u);
  EXPECT_EQ(applied.dmPelsWidth, 1024);
  EXPECT_EQ(applied.dmPelsHeight, 768);
  EXPECT_EQ(applied.dmBitsPerPel, 16);
  EXPECT_EQ(applied.dmDisplayFrequency, 60u);  // carried from the enumeration, not requested
  EXPECT_EQ(fake.display.appliedFlags[0], CDS_UPDATEREGISTRY);
}

TEST_F(FormTest, SuccessMovesTheTickBeforeAnythingElse) {
  Build();
  form.ChangeMode(form.MenuModeIndex[1]);
  EXPECT_EQ(Ticked(), (std::vector<int16_t>{1}));
  EXPECT_EQ(Tip(), u"1024x768ピクセル 16ビット");
}

TEST_F(FormTest, RestartNeededShowsTheModeInForceWhileTheBoxIsUp) {
  Build();
  fake.display.changeResults = {1};
  fake.display.current = Mode(640, 480, 16);  // changed behind the program's back
  std::u16string tipAtBox;
  std::vector<int16_t> tickedAtBox;
  fake.runtime.onMsgBox = [&] {
    tipAtBox = Tip();
    tickedAtBox = Ticked();
  };
  form.ChangeMode(form.MenuModeIndex[1]);
  ASSERT_EQ(fake.runtime.boxes.size(), 1u);
  EXPECT_EQ(tipAtBox, u"640x480ピクセル 16ビット");
  EXPECT_EQ(tickedAtBox, (std::vector<int16_t>{0}));
}

TEST_F(FormTest, AnIndexNoLongerListedIsAppliedZeroFilledAndReported) {
  Build();
  fake.display.changeResults = {-2};
  form.ChangeMode(999);
  ASSERT_EQ(fake.display.applied.size(), 1u);
  EXPECT_EQ(fake.display.applied[0].dmPelsWidth, 0);
  EXPECT_EQ(fake.display.applied[0].dmSize, 0);
  EXPECT_EQ(fake.display.applied[0].dmFields, 0x1C0000u);
  ASSERT_EQ(fake.runtime.boxes.size(), 1u);
  EXPECT_EQ(fake.runtime.boxes[0].prompt, u"不正なモードです。");
}

}  // namespace
