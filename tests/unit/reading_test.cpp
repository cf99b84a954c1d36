// The "/s" switch as text: numbers, the switch's three fields, exit statuses and error boxes.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/number_reading.h"
#include "app/runtime_error.h"
#include "fake/fake_platform.h"

namespace {

constexpr double kOver = 1e300;  // the reading raises error 6

std::string Name(const std::u16string& t) { return {t.begin(), t.begin() + std::min<size_t>(t.size(), 40)}; }

// The value read, or kOver when error 6 is raised.
template <typename Read>
double Outcome(Read read) {
  try {
    return read();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrOverflow);
    return kOver;
  }
}

using NumberRow = std::pair<std::u16string, double>;

TEST(Reading, Numbers) {
  // clang-format off
  const NumberRow rows[] = {
      {u"1024", 1024}, {u"", 0}, {u"abc", 0}, {u"x12", 0}, {u"768,16", 768}, {u"16 /x", 16}, {u"1 6", 16},
      {u" \t\n12\t3", 123}, {u"1\r2", 1}, {u"+5", 5}, {u"-1", -1}, {u"- 7", -7}, {u"1.5.3", 1.5}, {u".5", 0.5},
      {u"5.", 5}, {u".", 0}, {u"-", 0}, {u"1e3", 1000}, {u"1E+2x", 100}, {u"25e-1", 2.5}, {u"7e", 7}, {u"7e-", 7},
      {u"1 e 2", 100}, {u"&H400", 1024}, {u"&h10", 16}, {u"&HaA", 170}, {u"&HfF", 255}, {u"&H7FFF", 32767},
      {u"&HFFFF", -1}, {u"&H8000", -32768}, {u"&H10000", 65536}, {u"&HFFFFFFFF", -1}, {u"&H80000000", -2147483648.0},
      {u"&HG", 0}, {u"&H1G", 1}, {u"&O20", 16}, {u"&o777", 511}, {u"&O8", 0}, {u"&O78", 7}, {u"& H10", 16},
      {u"&X1", 0}, {u"&", 0}, {u"\"1024\"", 0}, {u"１０２４", 0}, {u"1e-400", 0}, {u"9/", 9}, {u"0:", 0}, {u"0x10", 0},
      {u"infinity", 0}, {u"1e400", kOver}, {u"&H100000000", kOver}, {u"&O40000000000", kOver},
      {std::u16string(400, u'9'), kOver}, {u"0." + std::u16string(100000, u'9'), 1}};
  // clang-format on
  for (const auto& [text, value] : rows)
    EXPECT_EQ(Outcome([&] { return ReadNumber(text); }), value) << Name(text);
}

TEST(Reading, IntegersRoundHalfToEvenWithinSixteenBits) {
  // clang-format off
  const NumberRow rows[] = {
      {u"1023.5", 1024}, {u"1024.5", 1024}, {u"1024.6", 1025}, {u"0.5", 0}, {u"1.5", 2}, {u"2.5", 2}, {u"-2.5", -2},
      {u"-3.5", -4}, {u"32767", 32767}, {u"32767.4", 32767}, {u"32767.5", kOver}, {u"32768", kOver},
      {u"-32768", -32768}, {u"-32768.5", -32768}, {u"-32768.51", kOver}, {u"-32769", kOver}, {u"&H10000", kOver},
      {u"&HFFFF", -1}, {u"3.2767e4", 32767}, {u"1e5", kOver}, {std::u16string(100000, u'9'), kOver}};
  // clang-format on
  for (const auto& [text, value] : rows)
    EXPECT_EQ(Outcome([&] { return ReadInteger(text); }), value) << Name(text);
}

TEST(Reading, TheSwitchFields) {
  constexpr int kSyntax = -5, kOverflow = -6;  // error 5 or 6 instead of a mode
  // clang-format off
  const struct { std::u16string text; int width, height, depth; } rows[] = {
      {u"/s1024,768,16", 1024, 768, 16}, {u"/s 800, 600, 32", 800, 600, 32}, {u"/x /s1024,768,16 /y", 1024, 768, 16},
      {u"/s&H400,&H300,&H10", 1024, 768, 16}, {u"/s1023.5,768,16", 1024, 768, 16}, {u"/s1024.6,768,16", 1025, 768, 16},
      {u"/s1024,768", 1024, 768, 768}, {u"/s1024,768,16,60", 1024, 768, 60}, {u"/s1024,768,16 5", 1024, 768, 165},
      {u"/s1024,768,16,", 1024, 768, 0}, {u"/s,768,16", 0, 768, 16}, {u"/s-1,600,16", -1, 600, 16},
      {u"a,b /s1024,768,16", 1, 0, 16}, {u"1,2 /s", 0, 2, 2}, {u"/s\"1024\",768,16", 0, 768, 16},
      {u"/s１０２４,768,16", 0, 768, 16}, {u"/s1024\n,768,16", 1024, 768, 16}, {u"/s/s1024,768,16", 0, 768, 16},
      {u"/s640x480x8", kSyntax, 0, 0}, {u"/s", kSyntax, 0, 0}, {u"/s40000,600,16", kOverflow, 0, 0},
      {u"/s1024,40000,16", kOverflow, 0, 0}, {u"/s1024,768,40000", kOverflow, 0, 0}};
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(Name(row.text));
    EXPECT_TRUE(HasModeSwitch(row.text));
    ModeSwitch m;
    const int32_t error = ErrorNumberOf([&] { m = ReadModeSwitch(row.text); });
    EXPECT_EQ((std::vector<int>{error ? -error : m.width, m.height, m.depth}),
              (std::vector<int>{row.width, row.height, row.depth}));
  }
  for (const char16_t* text : {u"", u"/S1024,768,16", u"s/", u"/ s"}) EXPECT_FALSE(HasModeSwitch(text));
}

TEST(Reading, ErrorBoxes) {
  const std::u16string head = u"エラーです。\r\nオブジェクト : Velmora\r\nエラー番号   : ";
  // clang-format off
  const std::pair<int32_t, std::u16string> rows[] = {
      {5, u"パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。"},
      {6, head + u"6\r\nオーバーフローしました。\r\nVer 1.90"},
      {9, head + u"9\r\nインデックスが有効範囲にありません。\r\nVer 1.90"},
      {11, head + u"11\r\n0 で除算しました。\r\nVer 1.90"},
      {51, head + u"51\r\n内部エラーです。\r\nVer 1.90"},
      {53, head + u"53\r\nファイルが見つかりません。\r\nVer 1.90"},
      {91, head + u"91\r\nオブジェクト変数が設定されていません。\r\nVer 1.90"},
      {340, head + u"340\r\nコントロール配列の要素が存在しません。\r\nVer 1.90"},
      {-7, head + u"-7\r\nアプリケーション定義またはオブジェクト定義のエラーです。\r\nVer 1.90"}};
  // clang-format on
  for (const auto& [number, text] : rows) EXPECT_EQ(ErrorBoxText(ProgramError(number)), text) << number;
}

}  // namespace
