#include <gtest/gtest.h>

#include "fake/form_fixture.h"

namespace {

struct IndicationCase {
  const char* name;
  DisplayModeRecord current;
  bool readFails;
  std::vector<int16_t> ticked;
  std::u16string tooltip;
};

class CurrentMode : public FormTest, public testing::WithParamInterface<IndicationCase> {};

TEST_P(CurrentMode, TicksTheModeInForceAndNamesItInTheTooltip) {
  Build();
  fake.display.current = GetParam().current;
  fake.display.readCurrentFails = GetParam().readFails;
  const size_t before = fake.shell.calls.size();
  form.ShowCurrentMode();
  EXPECT_EQ(Ticked(), GetParam().ticked);
  EXPECT_EQ(Tip(), GetParam().tooltip);
  ASSERT_EQ(fake.shell.calls.size(), before + 1);
  EXPECT_EQ(fake.shell.calls.back().message, NIM_MODIFY);
}

INSTANTIATE_TEST_SUITE_P(
    Indication, CurrentMode,
    testing::Values(IndicationCase{"OfferedMode", Mode(1024, 768, 16), false, {1}, u"1024x768ピクセル 16ビット"},
                    IndicationCase{"OtherDepthGroup", Mode(800, 600, 32), false, {3}, u"800x600ピクセル 32ビット"},
                    IndicationCase{"NotOffered", Mode(800, 600, 4), false, {}, u"800x600ピクセル 4ビット"},
                    IndicationCase{"ReadFillsNothing", Mode(1024, 768, 16), true, {}, u"0x0ピクセル 0ビット"}),
    [](const testing::TestParamInfo<IndicationCase>& info) { return std::string(info.param.name); });

TEST_F(FormTest, RefreshMovesTheTickAndLeavesTheScreenSaverTickAlone) {
  Build();
  const int16_t saverItem = static_cast<int16_t>(Module::CommandBase + 2);
  form.mnuDisplayMode_Click(saverItem);
  fake.display.current = Mode(640, 480, 16);
  form.ShowCurrentMode();
  EXPECT_EQ(Ticked(), (std::vector<int16_t>{0, saverItem}));
}

}  // namespace
