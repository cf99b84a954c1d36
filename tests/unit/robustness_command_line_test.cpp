// Command lines nobody types by hand: 100,000 characters, non-ASCII and full-width characters,
// quotes, NULs and lone surrogates. Each must end with the program's own box, silently, or
// (without the switch) not at all — never a crash, a hang or a second box.
#include <gtest/gtest.h>

#include "fake/form_fixture.h"
#include "unit/robustness_checks.h"

namespace {

const std::u16string kSyntaxBox = u"パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。";
const std::u16string kOverflowBox =
    u"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : 6\r\nオーバーフローしました。\r\nVer 1.90";

std::u16string Repeat(const std::u16string& unit, size_t times) {
  std::u16string out;
  out.reserve(unit.size() * times);
  for (size_t i = 0; i < times; ++i) out += unit;
  return out;
}

enum Outcome { kResident, kApplied, kSilent, kSyntax, kOverflow };

struct OddCase {
  const char* name;
  std::u16string command;
  Outcome outcome;
  int32_t width = 0, height = 0, depth = 0;
};

// The fixture's menu offers 640x480 and 1024x768 at 16 bits and 800x600 at 32 bits.
std::vector<OddCase> OddCommandLines() {
  constexpr size_t k100k = 100000;
  return {
      {"HundredThousandBlanksBeforeTheWidth", u"/s" + Repeat(u" ", k100k) + u"1024,768,16", kApplied, 1024, 768, 16},
      {"HundredThousandTabsAndLineFeeds", u"/s" + Repeat(u"\t\n", k100k / 2) + u"800,600,32", kApplied, 800, 600, 32},
      {"HundredThousandLeadingZeros", u"/s" + Repeat(u"0", k100k) + u"1024,768,16", kApplied, 1024, 768, 16},
      {"LongMantissaCancelledByTheExponent", u"/s1024" + Repeat(u"0", k100k - 10) + u"e-99990,768,16", kApplied, 1024,
       768, 16},
      {"LongFractionScaledBackUp", u"/s0." + Repeat(u"0", k100k - 4) + u"1024e100000,768,16", kApplied, 1024, 768, 16},
      {"LongHexAndOctalPrefixes", u"/s&H" + Repeat(u"0", k100k) + u"400,&O" + Repeat(u"0", k100k) + u"1400,16",
       kApplied, 1024, 768, 16},
      {"HundredThousandNinesInTheExponent", u"/s1e" + Repeat(u"9", k100k) + u",768,16", kOverflow},
      {"HundredThousandNinesInANegativeExponent", u"/s1e-" + Repeat(u"9", k100k) + u",768,16", kSilent},
      {"HundredThousandNinesWithoutAComma", u"/s" + Repeat(u"9", k100k), kSyntax},
      {"HundredThousandSigns", u"/s" + Repeat(u"-", k100k) + u"1024,768,16", kSilent},
      {"HundredThousandCommas", u"/s" + Repeat(u",", k100k), kSilent},
      {"HundredThousandQuotedCommas", u"/s" + Repeat(u"\",", k100k / 2), kSilent},
      {"HundredThousandKanaBeforeTheSwitch", Repeat(u"あ", k100k) + u"/s1024,768,16", kApplied, 1024, 768, 16},
      {"HundredThousandKanaAfterTheDepth", u"/s1024,768,16" + Repeat(u"あ", k100k), kApplied, 1024, 768, 16},
      {"HundredThousandLettersThenTheSwitchAlone", Repeat(u"x", k100k) + u"/s", kSyntax},
      {"HundredThousandIdeographicSpaces", u"/s" + Repeat(u"\u3000", k100k) + u"1024,768,16", kSilent},
      {"HundredThousandCharactersWithoutTheSwitch", Repeat(u"/S1024,768,16 ", k100k / 14), kResident},
      {"FullWidthSwitch", u"／ｓ1024,768,16", kResident},
      {"FullWidthLetterS", u"/ｓ1024,768,16", kResident},
      {"FullWidthCommasOnly", u"/s1024，768，16", kSyntax},
      {"QuotedWholeSwitch", u"\"/s1024,768,16\"", kApplied, 1024, 768, 16},
      {"QuotedNumbers", u"/s\"1024\",\"768\",\"16\"", kSilent},
      {"QuotedPathWithACommaBeforeTheSwitch", u"\"C:\\Program Files\\x,y\\Velmora.exe\" /s1024,768,16", kSilent},
      {"CarriageReturnIsNoBlank", u"/s\r1024,768,16", kSilent},
      {"EmbeddedNul", std::u16string(u"/s1024\0,768,16", 14), kApplied, 1024, 768, 16},
      {"NulBeforeTheSwitch", std::u16string(u"\0/s1024,768,16", 14), kApplied, 1024, 768, 16},
      {"LoneHighSurrogateBeforeTheWidth", u"/s\xD800" u"1024,768,16", kSilent},
      {"LoneLowSurrogateAfterTheDepth", u"/s1024,768,16\xDC00", kApplied, 1024, 768, 16},
      {"ReplacementCharacters", u"/s\uFFFD,\uFFFE,\uFFFF", kSilent},
  };
}

class OddCommandLine : public FormTest, public testing::WithParamInterface<OddCase> {};

TEST_P(OddCommandLine, EndsWithTheProgramsOwnBoxOrSilently) {
  const OddCase& c = GetParam();
  fake.runtime.command = c.command;
  const int status = ExitStatusOf([&] { form.Start(); });

  ExpectMenuIntact(form);
  if (c.outcome == kResident) {
    EXPECT_EQ(status, -1);
    EXPECT_EQ(fake.shell.VisibleIcons(), 1);
    EXPECT_TRUE(fake.runtime.boxes.empty());
    EXPECT_TRUE(fake.display.applied.empty());
    return;
  }
  EXPECT_EQ(fake.shell.VisibleIcons(), 0);
  EXPECT_TRUE(fake.runtime.visibility.empty());
  EXPECT_EQ(fake.display.applied.size(), c.outcome == kApplied ? 1u : 0u);
  switch (c.outcome) {
    case kApplied:
      ASSERT_EQ(fake.display.applied.size(), 1u);
      EXPECT_EQ(fake.display.applied[0].dmPelsWidth, c.width);
      EXPECT_EQ(fake.display.applied[0].dmPelsHeight, c.height);
      EXPECT_EQ(fake.display.applied[0].dmBitsPerPel, c.depth);
      EXPECT_TRUE(fake.runtime.boxes.empty());
      EXPECT_EQ(status, kExitOk);
      break;
    case kSilent:
      EXPECT_TRUE(fake.runtime.boxes.empty());
      EXPECT_EQ(status, kExitNoMatch);
      break;
    case kSyntax:
      ASSERT_EQ(fake.runtime.boxes.size(), 1u);
      EXPECT_EQ(fake.runtime.boxes[0].prompt, kSyntaxBox);
      EXPECT_EQ(fake.runtime.boxes[0].buttons, vbCritical);
      EXPECT_EQ(status, kExitSyntax);
      break;
    case kOverflow:
      ASSERT_EQ(fake.runtime.boxes.size(), 1u);
      EXPECT_EQ(fake.runtime.boxes[0].prompt, kOverflowBox);
      EXPECT_EQ(fake.runtime.boxes[0].buttons, vbCritical);
      EXPECT_EQ(status, kExitError);
      break;
    case kResident: break;
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, OddCommandLine, testing::ValuesIn(OddCommandLines()),
                         [](const testing::TestParamInfo<OddCase>& info) { return std::string(info.param.name); });

}  // namespace
