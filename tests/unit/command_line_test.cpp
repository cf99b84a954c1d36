#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "fake/form_fixture.h"

namespace {

const std::u16string kSyntaxBox = u"パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。";

std::u16string GeneralBox(int number, const std::u16string& description) {
  return u"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : " + std::u16string(1, u'0' + number) + u"\r\n" +
         description + u"\r\nVer 1.90";
}

enum Outcome { kResident, kApplied, kSilent, kSyntax, kOverflowBox };

struct SwitchCase {
  const char* command;
  Outcome outcome;
  int32_t width = 0, height = 0, depth = 0;
};

class CommandLine : public FormTest, public testing::WithParamInterface<SwitchCase> {};

TEST_P(CommandLine, ReadsAppliesOrReportsAndEnds) {
  const SwitchCase& c = GetParam();
  fake.runtime.command = U16(c.command);
  int exitCode = -1;
  try {
    form.Form_Load();
  } catch (const ProgramEnded& e) {
    exitCode = e.exitCode;
  }

  if (c.outcome == kResident) {
    EXPECT_EQ(exitCode, -1);
    EXPECT_EQ(fake.shell.VisibleIcons(), 1);
    EXPECT_TRUE(fake.display.applied.empty());
    return;
  }
  // Every path that sees the switch adds the icon, removes it again and ends.
  EXPECT_EQ(fake.shell.calls.front().message, NIM_ADD);
  EXPECT_EQ(fake.shell.calls.back().message, NIM_DELETE);
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
  EXPECT_TRUE(fake.runtime.visibility.empty());  // no window but message boxes

  if (c.outcome == kApplied) {
    ASSERT_EQ(fake.display.applied.size(), 1u);
    EXPECT_EQ(fake.display.applied[0].dmPelsWidth, c.width);
    EXPECT_EQ(fake.display.applied[0].dmPelsHeight, c.height);
    EXPECT_EQ(fake.display.applied[0].dmBitsPerPel, c.depth);
    EXPECT_EQ(fake.display.appliedFlags[0], CDS_UPDATEREGISTRY);
  } else {
    EXPECT_TRUE(fake.display.applied.empty());
  }
  switch (c.outcome) {
    case kApplied:
    case kSilent:
      EXPECT_TRUE(fake.runtime.boxes.empty());
      EXPECT_EQ(exitCode, c.outcome == kApplied ? kExitOk : kExitNoMatch);
      break;
    case kSyntax:
      ASSERT_EQ(fake.runtime.boxes.size(), 1u);
      EXPECT_EQ(fake.runtime.boxes[0].prompt, kSyntaxBox);
      EXPECT_EQ(fake.runtime.boxes[0].buttons, 16);
      EXPECT_EQ(exitCode, kExitSyntax);
      break;
    case kOverflowBox:
      ASSERT_EQ(fake.runtime.boxes.size(), 1u);
      EXPECT_EQ(fake.runtime.boxes[0].prompt, GeneralBox(6, u"オーバーフローしました。"));
      EXPECT_EQ(fake.runtime.boxes[0].buttons, 16);
      EXPECT_EQ(exitCode, kExitError);
      break;
    case kResident: break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Switch, CommandLine,
    testing::Values(SwitchCase{"", kResident}, SwitchCase{"/x 1024,768,16", kResident},
                    SwitchCase{"/S1024,768,16", kResident}, SwitchCase{"/s1024,768,16", kApplied, 1024, 768, 16},
                    SwitchCase{"/s 800,600,32", kApplied, 800, 600, 32},
                    SwitchCase{"/s 1024, 768, 16", kApplied, 1024, 768, 16},
                    SwitchCase{"/x /s1024,768,16", kApplied, 1024, 768, 16},
                    SwitchCase{"/s1024,768,16 /x", kApplied, 1024, 768, 16},
                    SwitchCase{"/s&H400,&H300,&H10", kApplied, 1024, 768, 16},
                    SwitchCase{"/s1023.5,768,16", kApplied, 1024, 768, 16}, SwitchCase{"/s1024.6,768,16", kSilent},
                    SwitchCase{"/s640x480x8", kSyntax}, SwitchCase{"/s", kSyntax}, SwitchCase{"/s1024,768", kSilent},
                    SwitchCase{"/s1024,768,16,60", kSilent}, SwitchCase{"/s1024,768,16 5", kSilent},
                    SwitchCase{"/s1024,768,16,", kSilent}, SwitchCase{"/s,768,16", kSilent},
                    SwitchCase{"/s-1,600,16", kSilent}, SwitchCase{"a,b /s1024,768,16", kSilent},
                    SwitchCase{"/s40000,600,16", kOverflowBox}, SwitchCase{"/s640,400,16", kSilent},
                    SwitchCase{"/s1024,40000,16", kOverflowBox}, SwitchCase{"/s1024,768,40000", kOverflowBox},
                    SwitchCase{"/s\"1024\",768,16", kSilent}, SwitchCase{"/s１０２４,768,16", kSilent},
                    SwitchCase{"/s1024\n,768,16", kApplied, 1024, 768, 16}, SwitchCase{"/s/s1024,768,16", kSilent}));

// What was read, seen through the caption the look-up searched for: a menu holding every
// caption the reading could produce would match it.
struct ReadCase {
  const char* command;
  int32_t width, height, depth;
};

class WhatWasRead : public FormTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(WhatWasRead, MatchesTheModeWithThoseNumbers) {
  const ReadCase& c = GetParam();
  fake.display.modes = {Mode(c.width, c.height, c.depth)};
  fake.runtime.command = U16(c.command);
  EXPECT_THROW(form.Form_Load(), ProgramEnded);
  if (c.height >= 480 && c.depth >= 8) {
    ASSERT_EQ(fake.display.applied.size(), 1u) << c.command;
    EXPECT_EQ(fake.display.applied[0].dmPelsWidth, c.width);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, WhatWasRead,
                         testing::Values(ReadCase{"/s1024,768", 1024, 768, 768},
                                         ReadCase{"/s1024,768,16,60", 1024, 768, 60},
                                         ReadCase{"/s1024,768,16 5", 1024, 768, 165},
                                         ReadCase{"/s1024,768,16,", 1024, 768, 0},
                                         ReadCase{"/s,768,16", 0, 768, 16}, ReadCase{"/s-1,600,16", -1, 600, 16},
                                         ReadCase{"a,b /s1024,768,16", 1, 0, 16},
                                         ReadCase{"/s1024.6,768,16", 1025, 768, 16}));

TEST_F(FormTest, AnErrorRaisedWhileApplyingReachesTheGeneralBox) {
  class Failing : public DisplaySettings {
   public:
    FakeDisplay& inner;
    explicit Failing(FakeDisplay& d) : inner(d) {}
    int32_t Enumerate(int32_t i, DisplayModeRecord& r) override { return inner.Enumerate(i, r); }
    int32_t Change(DisplayModeRecord&, int32_t) override { throw RuntimeError(48, u"user32", u"DLL の読み込みエラーです。"); }
  } failing(fake.display);
  frmMain other({failing, fake.shell, fake.system, fake.runtime});
  fake.runtime.command = u"/s1024,768,16";
  EXPECT_THROW(other.Form_Load(), ProgramEnded);
  ASSERT_EQ(fake.runtime.boxes.size(), 1u);
  EXPECT_EQ(fake.runtime.boxes[0].prompt,
            u"エラーです。\r\nオブジェクト : user32\r\nエラー番号   : 48\r\nDLL の読み込みエラーです。\r\nVer 1.90");
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
}

}  // namespace
