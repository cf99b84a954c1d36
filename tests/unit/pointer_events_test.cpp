#include <gtest/gtest.h>

#include "fake/form_fixture.h"

namespace {

class PointerCodes : public FormTest, public testing::WithParamInterface<int32_t> {};

TEST_P(PointerCodes, OnlyLeftAndRightPressesOpenTheMenu) {
  Build();
  const size_t shellCalls = fake.shell.calls.size();
  const int32_t code = GetParam();
  form.Form_MouseMove(0, 0, static_cast<float>(code) * 15.0f, 0);
  const bool opens = code == 513 || code == 516;
  EXPECT_EQ(fake.runtime.popups.size(), opens ? 1u : 0u);
  EXPECT_EQ(fake.shell.calls.size(), shellCalls + (opens ? 1u : 0u));  // the refresh's Modify
  EXPECT_EQ(fake.system.foreground.size(), opens ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Codes, PointerCodes, testing::Range(512, 522));

TEST_F(FormTest, PressRefreshesThenForegroundsThenLetsEventsRunThenOpens) {
  Build();
  fake.display.current = Mode(1024, 768, 16);
  std::vector<std::string> order;
  fake.runtime.onDoEvents = [&] { order.push_back("events:" + std::to_string(fake.system.foreground.size())); };
  fake.runtime.onPopup = [&](const MenuArray& menu) {
    order.push_back("popup");
    EXPECT_TRUE(menu.Checked(1));  // already ticked when the menu opens
    return -1;
  };
  form.Form_MouseMove(0, 0, 7740, 0);
  EXPECT_EQ(order, (std::vector<std::string>{"events:1", "popup"}));
  EXPECT_EQ(fake.system.foreground, (std::vector<int32_t>{0x1234}));
  EXPECT_EQ(Tip(), u"1024x768ピクセル 16ビット");
}

TEST_F(FormTest, AtTwelveTwipsPerPixelTheCodesStillDecode) {
  Build();
  fake.runtime.twipsPerPixel = 12;
  form.Form_MouseMove(0, 0, 6156, 0);
  form.Form_MouseMove(0, 0, 6192, 0);
  EXPECT_EQ(fake.runtime.popups.size(), 2u);
}

TEST_F(FormTest, ChoiceFromThePopupIsDispatched) {
  Build();
  fake.runtime.onPopup = [](const MenuArray&) { return 1; };
  form.Form_MouseMove(0, 0, 7695, 0);
  ASSERT_EQ(fake.display.applied.size(), 1u);
  EXPECT_EQ(fake.display.applied[0].dmPelsWidth, 1024);
}

TEST_F(FormTest, MouseOverTheVisibleAboutWindowNeverOpensTheMenu) {
  Build();
  form.Show();
  for (float x = 0; x <= 4695; x += 15) form.Form_MouseMove(0, 0, x, 100);
  EXPECT_TRUE(fake.runtime.popups.empty());
}

}  // namespace
