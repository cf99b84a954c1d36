// The tray record as the shell receives it, byte for byte, and the pointer codes it reports back.
#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "fake/fake_platform.h"
#include "tray/cls_tray.h"

namespace {

std::vector<uint8_t> Bytes(const NotifyIconBuffer& b, size_t from, size_t count) {
  return {b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + count)};
}

struct TrayTest : testing::Test {
  FakeShell shell;
  FakeRuntime runtime;
  clsTray tray{shell, runtime};
  const NotifyIconBuffer& Last() { return shell.calls.back().second; }
};

TEST_F(TrayTest, InitHandsTheShellTheExact88Bytes) {
  tray.Init(0x00010A2C, Picture{0x0003F5E7}, u"Velmora", 1);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].first, api::NimAdd);
  const std::vector<uint8_t> header = {88, 0, 0, 0, 0x2C, 0x0A, 0x01, 0, 1, 0, 0, 0,
                                       7,  0, 0, 0, 0,    2,    0,    0, 0xE7, 0xF5, 0x03, 0};
  EXPECT_EQ(Bytes(Last(), 0, 24), header);
  std::vector<uint8_t> tip = {'V', 'e', 'l', 'm', 'o', 'r', 'a', 0};
  tip.resize(64, ' ');
  EXPECT_EQ(Bytes(Last(), 24, 64), tip);
}

// The tooltip as stored and as sent: text, one NUL, spaces to 64 characters; longer cut at 64.
TEST_F(TrayTest, TooltipLengths) {
  for (size_t length : {0, 5, 63, 64, 70}) {
    SCOPED_TRACE(length);
    tray.Init(1, Picture{2}, std::u16string(length, u'a'), 1);
    const size_t kept = std::min<size_t>(length, 64);
    std::u16string stored(kept, u'a');
    if (kept < 64) stored += u'\0' + std::u16string(63 - kept, u' ');
    EXPECT_EQ(tray.ToolTipText(), stored);
    std::vector<uint8_t> bytes(stored.begin(), stored.end());
    EXPECT_EQ(Bytes(Last(), 24, 64), bytes);
  }
}

TEST_F(TrayTest, JapaneseTooltipCrossesInCodePage932AndComesBackWhole) {
  tray.Init(1, Picture{2}, u"Velmora", 1);
  tray.ToolTipText(u"1024x768ピクセル 32ビット");
  tray.Modify();
  // "ピクセル" is 83 73 83 4E 83 5A 83 8B in Shift-JIS.
  EXPECT_EQ(Bytes(Last(), 24 + 8, 8), (std::vector<uint8_t>{0x83, 0x73, 0x83, 0x4E, 0x83, 0x5A, 0x83, 0x8B}));
  EXPECT_EQ(Last()[24 + 25], 0);
  EXPECT_EQ(tray.ToolTipText(), clsTray::StoredTip(u"1024x768ピクセル 32ビット"));
  // A double-byte character cut by the 64-byte field is dropped, not turned into garbage.
  tray.ToolTipText(u"a" + std::u16string(70, u'ピ'));
  tray.Modify();
  EXPECT_EQ(tray.ToolTipText(), u"a" + std::u16string(31, u'ピ') + std::u16string(32, u' '));
}

TEST_F(TrayTest, ChangesWaitForModifyAndDeleteSendsTheSameRecord) {
  tray.Init(5, Picture{6}, u"Velmora", 1);
  tray.ToolTipText(u"800x600");
  tray.Picture(Picture{0x99});
  EXPECT_EQ(shell.calls.size(), 1u);
  tray.Modify();
  EXPECT_EQ(shell.calls[1].first, api::NimModify);
  EXPECT_EQ(Last()[20], 0x99);
  EXPECT_EQ(Last()[24], '8');
  EXPECT_EQ(Bytes(Last(), 0, 20), Bytes(shell.calls[0].second, 0, 20));
  tray.Delete();
  EXPECT_EQ(shell.calls[2].first, api::NimDelete);
  EXPECT_EQ(shell.calls[2].second, shell.calls[1].second);
  tray.Restore();
  EXPECT_EQ(shell.calls[3], std::make_pair(api::NimAdd, shell.calls[1].second));
}

TEST_F(TrayTest, MissingPictureFailsAfterTheNumbersBeforeTheTooltipWithNoShellCall) {
  try {
    tray.Init(77, std::nullopt, u"Velmora", 1);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), kErrObjectNotSet);
  }
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(tray.Data().hWnd, 77);
  EXPECT_EQ(tray.ToolTipText(), std::u16string(64, u'\0'));
  EXPECT_THROW(tray.Picture(std::nullopt), RuntimeError);
}

TEST(MouseMessage, TwipsBackToTheMessageCode) {
  constexpr int32_t kDivision = -11, kOverflow = -6;
  const struct {
    float x, twips;
    int32_t code;
  } rows[] = {
      {7695, 15, 513},  {7740, 15, 516},     {6156, 12, 513},    {6192, 12, 516},          {7694.6f, 15, 513},
      {7694.4f, 15, 512}, {2.5f, 1, 2},      {3.5f, 1, 4},       {7695, 14.5f, 549},       {7695, 15.5f, 480},
      {-7695, 15, -513}, {7695, 0.4f, kDivision}, {7695, 0.6f, 7695}, {1e20f, 15, kOverflow}, {7695, 1e20f, kOverflow},
      {-2147483648.0f, -1, kOverflow}, {-2147483648.0f, 1, INT32_MIN}, {2147483520.0f, -1, -2147483520},
  };
  for (const auto& row : rows) {
    try {
      EXPECT_EQ(MouseMessage(row.x, row.twips), row.code) << row.x << " " << row.twips;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(-e.Number(), row.code) << row.x << " " << row.twips;
    }
  }
}

}  // namespace
