// The tray record as the shell receives it, byte for byte, and the pointer codes it reports back.
#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "fake/fake_platform.h"
#include "tray/cls_tray.h"
#include "tray/code_page_932.h"

namespace {

std::vector<uint8_t> Bytes(const NotifyIconBuffer& b, size_t from, size_t count) {
  return {b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + count)};
}

struct Tray : testing::Test {
  FakeShell shell;
  FakeRuntime runtime;
  clsTray tray{shell, runtime};
  const NotifyIconBuffer& Last() { return shell.calls.back().second; }
};

TEST_F(Tray, TheExact88BytesAndWhatChangesThem) {
  tray.Init(0x00010A2C, Picture{0x0003F5E7}, u"Velmora", 1);
  EXPECT_EQ(Bytes(Last(), 0, 32),
            (std::vector<uint8_t>{88, 0, 0, 0, 0x2C, 0x0A, 0x01, 0, 1,   0,   0,   0,   7,   0,   0,   0,
                                  0,  2, 0, 0, 0xE7, 0xF5, 0x03, 0, 'V', 'e', 'l', 'm', 'o', 'r', 'a', 0}));
  EXPECT_EQ(Bytes(Last(), 32, 56), std::vector<uint8_t>(56, ' '));
  tray.ToolTipText(u"800x600");
  tray.Picture(Picture{0x99});
  EXPECT_EQ(shell.calls.size(), 1u);  // changes wait for Modify
  tray.Modify();
  tray.Delete();
  tray.Restore();
  EXPECT_EQ(Bytes(Last(), 16, 12), (std::vector<uint8_t>{0, 2, 0, 0, 0x99, 0, 0, 0, '8', '0', '0', 'x'}));
  EXPECT_EQ(Bytes(Last(), 0, 16), Bytes(shell.calls[0].second, 0, 16));
  EXPECT_EQ(shell.calls[1], std::make_pair(api::NimModify, Last()));
  EXPECT_EQ(shell.calls[2], std::make_pair(api::NimDelete, Last()));
  EXPECT_EQ(shell.calls[3].first, api::NimAdd);
}

// The tooltip field as the shell receives it, 64 bytes of code page 932, and as ToolTipText reads it
// back: text, one NUL, spaces to 64 characters; longer texts cut at 64 bytes, and a double-byte
// character cut in half there is dropped.
TEST_F(Tray, Tooltips) {
  const std::u16string a(70, u'a'), pi(70, u'ピ'), nul(1, u'\0');
  std::string piBytes;
  for (int k = 0; k < 30; ++k) piBytes += "\x83\x73";
  const struct {
    std::u16string text;
    std::string bytes;
    std::u16string stored;
  } rows[] = {{u"", std::string(1, '\0') + std::string(63, ' '), nul + std::u16string(63, u' ')},
              {u"1024x768ピクセル 32ビット",
               std::string("1024x768\x83\x73\x83\x4E\x83\x5A\x83\x8B 32\x83\x72\x83\x62\x83\x67\0", 26) +
                   std::string(38, ' '),
               u"1024x768ピクセル 32ビット" + nul + std::u16string(45, u' ')},
              {a.substr(0, 63), std::string(63, 'a') + '\0', a.substr(0, 63) + nul},
              {a, std::string(64, 'a'), a.substr(0, 64)},
              {u"abc" + pi, "abc" + piBytes + "\x83", u"abc" + pi.substr(0, 30) + std::u16string(31, u' ')}};
  for (const auto& row : rows) {
    tray.Init(1, Picture{2}, row.text, 1);
    EXPECT_EQ(Bytes(Last(), 24, 64), std::vector<uint8_t>(row.bytes.begin(), row.bytes.end()));
    EXPECT_EQ(tray.ToolTipText(), row.stored);
  }
}

// Windows' code page 932 for what a tooltip holds, ASCII and the katakana row, whose second bytes skip
// 0x7F; any other character, and any pair it does not write, is "?".
TEST(CodePage932, AsciiAndKatakanaBothWaysAnythingElseAQuestionMark) {
  const std::pair<std::u16string, std::string> both[] = {{u"\x01 ~\x7F", "\x01 ~\x7F"},
                                                         {u"ァ", "\x83\x40"},
                                                         {u"ミ", "\x83\x7E"},
                                                         {u"ム", "\x83\x80"},
                                                         {u"ヶ", "\x83\x96"}};
  for (const auto& [text, bytes] : both) {
    EXPECT_EQ(ToCodePage932(text), bytes);
    EXPECT_EQ(FromCodePage932(bytes), text);
  }
  for (const std::u16string text : {u"\x80", u"゠", u"ヷ", u"漢"}) EXPECT_EQ(ToCodePage932(text), "?");
  for (const std::string bytes : {"\x80\x40", "\x83\x3F", "\x83\x7F", "\x83\x97"})
    EXPECT_EQ(FromCodePage932(bytes), u"?");
}

// Before Init the record is all zeros: a Delete addresses icon 0 of no window, which the shell refuses.
TEST_F(Tray, AFreshInstanceSendsAnAllZeroRecord) {
  tray.Delete();
  EXPECT_EQ(shell.calls.back(), std::make_pair(api::NimDelete, NotifyIconBuffer{}));
}

TEST_F(Tray, NoPictureIsErrorNinetyOneBeforeTheTooltipAndTheShell) {
  EXPECT_EQ(ErrorNumberOf([&] { tray.Init(77, std::nullopt, u"Velmora", 1); }), kErrObjectNotSet);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(tray.Data().hWnd, 77);
  EXPECT_EQ(tray.ToolTipText(), std::u16string(64, u'\0'));
  EXPECT_THROW(tray.Picture(std::nullopt), RuntimeError);
}

TEST(MouseMessage, TwipsBackToTheMessageCode) {
  constexpr int32_t kDivision = -11, kOverflow = -6;  // the error raised instead
  // clang-format off
  const struct { float x, twips; int32_t code; } rows[] = {
      {7695, 15, 513}, {7740, 15, 516}, {6156, 12, 513}, {6192, 12, 516}, {7694.6f, 15, 513}, {7694.4f, 15, 512},
      {2.5f, 1, 2}, {3.5f, 1, 4}, {7695, 14.5f, 549}, {7695, 15.5f, 480}, {-7695, 15, -513}, {7695, 0.6f, 7695},
      {7695, 0.4f, kDivision}, {1e20f, 15, kOverflow}, {7695, 1e20f, kOverflow}, {-2147483648.0f, -1, kOverflow},
      {-2147483648.0f, 1, INT32_MIN}, {2147483520.0f, -1, -2147483520}};
  // clang-format on
  for (const auto& row : rows) {
    int32_t code = 0;
    const int32_t error = ErrorNumberOf([&] { code = MouseMessage(row.x, row.twips); });
    EXPECT_EQ(error ? -error : code, row.code) << row.x << " " << row.twips;
  }
}

}  // namespace
