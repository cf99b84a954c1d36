// The operating system answering badly: a display that lists nothing usable or far too much, a
// read of the mode in force that fills nothing, a shell that refuses every call, and no icon
// picture at start-up. The program must keep a working menu or end the way it reports.
#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "fake/form_fixture.h"
#include "unit/robustness_checks.h"

namespace {

const std::u16string kExitItem = u"終了";

struct EmptyCase {
  const char* name;
  std::vector<DisplayModeRecord> listed;
};

class NothingUsable : public FormTest, public testing::WithParamInterface<EmptyCase> {};

TEST_P(NothingUsable, SwitchEndsSilentlyWithoutApplying) {
  fake.display.modes = GetParam().listed;
  fake.runtime.command = u"/s1024,768,16";
  EXPECT_EQ(ExitStatusOf([&] { form.Start(); }), kExitNoMatch);
  EXPECT_TRUE(fake.display.applied.empty());
  EXPECT_TRUE(fake.runtime.boxes.empty());
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
  ExpectMenuIntact(form);
}

TEST_P(NothingUsable, MenuOffersOnlyTheCommandsAndEveryOneOfThemWorks) {
  fake.display.modes = GetParam().listed;
  form.Start();
  EXPECT_EQ(Module::CommandBase, 0);
  EXPECT_TRUE(TickedItems(form).empty());
  // Every index of the command block, then one past it and one before it, through the popup.
  for (int16_t choice : {0, 1, 2, 3, 4, 5, 6, 8, -1}) {
    fake.runtime.onPopup = [choice](const MenuArray&) { return choice; };
    EXPECT_EQ(ExitStatusOf([&] { form.Form_MouseMove(0, 0, 7695, 0); }), -1) << choice;
  }
  EXPECT_TRUE(fake.display.applied.empty());
  EXPECT_EQ(fake.system.screenSaverStarts, 1);
  EXPECT_EQ(fake.runtime.launches.size(), 1u);
  EXPECT_TRUE(form.Visible);
  ExpectMenuIntact(form, /*saverTicked=*/true);
  EXPECT_EQ(fake.shell.VisibleIcons(), 1);
  fake.runtime.onPopup = [](const MenuArray& menu) { return menu.UBound(); };
  EXPECT_EQ(ExitStatusOf([&] { form.Form_MouseMove(0, 0, 7695, 0); }), kExitOk);
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Listings, NothingUsable,
    testing::Values(EmptyCase{"ListsNothing", {}},
                    EmptyCase{"OnlyFilteredModes", {Mode(640, 400, 16), Mode(1024, 768, 4), Mode(800, 479, 32),
                                                    Mode(1600, 1200, 7), Mode(0, 0, 0), Mode(-800, -600, -32)}}),
    [](const testing::TestParamInfo<EmptyCase>& info) { return std::string(info.param.name); });

// 40,000 distinct modes, alternating 16 and 32 bits, widths 640 upwards: far beyond the 16-bit
// limits. The catalogue keeps the first 32,767 listed; the menu keeps what fits before the command
// block at the last 16-bit index. Built once, since the catalogue's exchange sort is quadratic.
TEST_F(FormTest, FortyThousandModesStillGiveAWorkingMenuAndSwitch) {
  fake.display.modes.clear();
  for (int32_t i = 0; i < 40000; ++i) fake.display.modes.push_back(Mode(640 + i / 2, 480, i % 2 ? 32 : 16));
  const auto enumIndex = [](int32_t width, int32_t depth) { return 2 * (width - 640) + (depth == 32 ? 1 : 0); };
  fake.display.current = Mode(17014, 480, 32);
  form.Start();

  // 16,384 modes at 16 bits (0..16383), a separator, then the 32-bit modes up to index 32759.
  EXPECT_EQ(Module::CommandBase, 32760);
  ExpectMenuIntact(form);
  EXPECT_EQ(form.mnuDisplayMode.UBound(), 32767);
  EXPECT_EQ(form.mnuDisplayMode.Caption(32767), kExitItem);
  EXPECT_EQ(form.mnuDisplayMode.Caption(16384), u"-");
  EXPECT_EQ(form.mnuDisplayMode.Caption(32759), ModeCaption(17014, 480, 32));
  EXPECT_EQ(form.MenuModeIndex[32759], enumIndex(17014, 32));
  EXPECT_EQ(TickedItems(form), (std::vector<int16_t>{32759}));

  // A press opens the whole menu; choosing the last mode item applies it.
  fake.runtime.onPopup = [](const MenuArray&) { return 32759; };
  form.Form_MouseMove(0, 0, 7695, 0);
  ASSERT_EQ(fake.runtime.popups.size(), 1u);
  EXPECT_EQ(fake.runtime.popups[0].size(), 32768u);
  ASSERT_EQ(fake.display.applied.size(), 1u);
  EXPECT_EQ(fake.display.applied[0].dmPelsWidth, 17014);

  struct SwitchCase {
    std::u16string command;
    int32_t width, depth;  // 0: nothing applied
  };
  const SwitchCase cases[] = {
      {u"/s640,480,16", 640, 16},     // the first item
      {u"/s17023,480,16", 17023, 16}, // the last 16-bit mode
      {u"/s17014,480,32", 17014, 32}, // the last mode item before the command block
      {u"/s17015,480,32", 0, 0},      // in the catalogue, but no room left in the menu
      {u"/s20000,480,16", 0, 0},      // listed after the catalogue was full
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(std::string(c.command.begin(), c.command.end()));
    fake.display.applied.clear();
    fake.display.enumerated.clear();
    fake.runtime.command = c.command;
    const int status = ExitStatusOf([&] { form.CommandLineMode(); });
    EXPECT_TRUE(fake.runtime.boxes.empty());
    if (c.width == 0) {
      EXPECT_EQ(status, kExitNoMatch);
      EXPECT_TRUE(fake.display.applied.empty());
    } else {
      EXPECT_EQ(status, kExitOk);
      ASSERT_EQ(fake.display.applied.size(), 1u);
      EXPECT_EQ(fake.display.applied[0].dmPelsWidth, c.width);
      EXPECT_EQ(fake.display.applied[0].dmBitsPerPel, c.depth);
      EXPECT_EQ(fake.display.enumerated.front(), enumIndex(c.width, c.depth));
    }
    EXPECT_EQ(fake.shell.VisibleIcons(), 0);
  }
}

// The read of the mode in force fills nothing: no tick anywhere, "0x0" in the tooltip, and
// nothing else is disturbed — the switch still applies, the menu still opens and applies.
TEST_F(FormTest, ReadingTheModeInForceFailingTicksNothingAndBreaksNothing) {
  fake.display.readCurrentFails = true;
  form.Start();
  EXPECT_TRUE(TickedItems(form).empty());
  EXPECT_EQ(Tip(), u"0x0ピクセル 0ビット");
  fake.runtime.onPopup = [](const MenuArray&) { return 1; };
  form.Form_MouseMove(0, 0, 7695, 0);
  ASSERT_EQ(fake.display.applied.size(), 1u);
  EXPECT_TRUE(TickedItems(form).empty());
  EXPECT_EQ(Tip(), u"0x0ピクセル 0ビット");
  EXPECT_TRUE(fake.runtime.boxes.empty());
  ExpectMenuIntact(form);

  fake.runtime.command = u"/s800,600,32";
  EXPECT_EQ(ExitStatusOf([&] { form.CommandLineMode(); }), kExitOk);
  ASSERT_EQ(fake.display.applied.size(), 2u);
  EXPECT_EQ(fake.display.applied[1].dmPelsWidth, 800);
  EXPECT_TRUE(fake.runtime.boxes.empty());
}

// A shell that refuses every call: the class reports nothing, and nothing else changes.
struct RefusedShellCase {
  const char16_t* command;
  int16_t choice;  // the popup choice after start-up, for a resident run
  int exitStatus;  // -1: still resident
  size_t applied;
};

class RefusingShell : public FormTest, public testing::WithParamInterface<RefusedShellCase> {};

TEST_P(RefusingShell, NoBoxAndTheSameOutcome) {
  const RefusedShellCase& c = GetParam();
  fake.shell.result = 0;
  fake.runtime.command = c.command;
  int status = ExitStatusOf([&] { form.Start(); });
  if (status == -1) {
    fake.runtime.onPopup = [&](const MenuArray&) { return c.choice; };
    status = ExitStatusOf([&] { form.Form_MouseMove(0, 0, 7695, 0); });
  }
  EXPECT_EQ(status, c.exitStatus);
  EXPECT_EQ(fake.display.applied.size(), c.applied);
  EXPECT_TRUE(fake.runtime.boxes.empty());
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
  // The shell was still told every refresh: the last tooltip it was given names the mode in force.
  const FakeShell::Call* lastModify = nullptr;
  for (const FakeShell::Call& call : fake.shell.calls)
    if (call.message == NIM_MODIFY) lastModify = &call;
  ASSERT_NE(lastModify, nullptr);
  const std::string tip(reinterpret_cast<const char*>(lastModify->data.data() + 24));
  EXPECT_EQ(tip, fake.runtime.ToAnsi(c.applied ? u"1024x768ピクセル 16ビット" : u"800x600ピクセル 32ビット"));
  ExpectMenuIntact(form);
}

INSTANTIATE_TEST_SUITE_P(Commands, RefusingShell,
                         testing::Values(RefusedShellCase{u"/s1024,768,16", -1, kExitOk, 1},
                                         RefusedShellCase{u"/s1024,768,99", -1, kExitNoMatch, 0},
                                         RefusedShellCase{u"", 1, -1, 1}, RefusedShellCase{u"", 11, kExitOk, 0}));

// No picture in picMiniIcon: start-up stops at the icon with the general box (error 91) and ends
// with status 3, with or without the switch — one box, nothing applied, no icon left.
struct NoPictureCase {
  const char16_t* command;
};

class NoIconPicture : public FormTest, public testing::WithParamInterface<NoPictureCase> {};

TEST_P(NoIconPicture, OneErrorBoxAndTheProgramEnds) {
  fake.runtime.miniIcon.reset();
  fake.runtime.command = GetParam().command;
  EXPECT_EQ(ExitStatusOf([&] { form.Start(); }), kExitError);
  ASSERT_EQ(fake.runtime.boxes.size(), 1u);
  EXPECT_EQ(fake.runtime.boxes[0].buttons, vbCritical);
  EXPECT_NE(fake.runtime.boxes[0].prompt.find(u"エラー番号   : 91\r\n"), std::u16string::npos);
  EXPECT_TRUE(fake.display.applied.empty());
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
  for (const FakeShell::Call& call : fake.shell.calls) EXPECT_NE(call.message, NIM_ADD);
  EXPECT_FALSE(form.HasTray());
}

INSTANTIATE_TEST_SUITE_P(Commands, NoIconPicture,
                         testing::Values(NoPictureCase{u""}, NoPictureCase{u"/s1024,768,16"}, NoPictureCase{u"/s"}));

// A picture object whose handle is 0 is still an object: start-up goes on, the shell is given
// handle 0, and the program works.
TEST_F(FormTest, APictureWithAZeroHandleStartsNormally) {
  fake.runtime.miniIcon = Picture{0};
  form.Start();
  ASSERT_FALSE(fake.shell.calls.empty());
  EXPECT_EQ(fake.shell.calls[0].message, NIM_ADD);
  EXPECT_EQ(fake.shell.calls[0].data[20], 0);
  EXPECT_EQ(fake.shell.VisibleIcons(), 1);
  EXPECT_TRUE(fake.runtime.boxes.empty());
  ExpectMenuIntact(form);
}

}  // namespace
