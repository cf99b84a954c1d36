#include "tray/cls_tray.h"

#include <gtest/gtest.h>

#include "app/runtime_error.h"
#include "fake/fake_platform.h"

namespace {

std::vector<uint8_t> Bytes(const NotifyIconBuffer& b, size_t from, size_t count) {
  return std::vector<uint8_t>(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + count));
}

std::vector<uint8_t> TipBytes(std::string text, size_t spaces) {
  std::vector<uint8_t> out(text.begin(), text.end());
  out.push_back(0);
  out.insert(out.end(), spaces, ' ');
  return out;
}

class TrayTest : public testing::Test {
 protected:
  FakeShell shell;
  FakeRuntime runtime;
  clsTray tray{shell, runtime};
};

TEST_F(TrayTest, InitHandsTheShellTheExact88Bytes) {
  tray.Init(0x00010A2C, Picture{0x0003F5E7}, u"Velmora", 1);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].message, NIM_ADD);
  const NotifyIconBuffer& b = shell.calls[0].data;
  const std::vector<uint8_t> header = {88, 0, 0, 0, 0x2C, 0x0A, 0x01, 0, 1, 0, 0, 0,
                                       7,  0, 0, 0, 0,    2,    0,    0, 0xE7, 0xF5, 0x03, 0};
  EXPECT_EQ(Bytes(b, 0, 24), header);
  EXPECT_EQ(Bytes(b, 24, 64), TipBytes("Velmora", 56));
}

struct TipCase {
  size_t length;
  size_t nulAt;  // 64: no NUL
};

class TooltipRule : public TrayTest, public testing::WithParamInterface<TipCase> {};

TEST_P(TooltipRule, StoresTextNulAndSpacesInSixtyFourCharacters) {
  const std::u16string text(GetParam().length, u'a');
  tray.Init(1, Picture{2}, text, 1);
  const std::u16string stored = tray.ToolTipText();
  ASSERT_EQ(stored.size(), 64u);
  const size_t kept = std::min<size_t>(GetParam().length, 64);
  EXPECT_EQ(stored.substr(0, kept), std::u16string(kept, u'a'));
  if (GetParam().nulAt < 64) {
    EXPECT_EQ(stored[GetParam().nulAt], u'\0');
    EXPECT_EQ(stored.substr(GetParam().nulAt + 1), std::u16string(63 - GetParam().nulAt, u' '));
  } else {
    EXPECT_EQ(stored.find(u'\0'), std::u16string::npos);
  }
  const NotifyIconBuffer& b = shell.calls.back().data;
  EXPECT_EQ(b[24 + kept - 1], 'a');
  if (GetParam().nulAt < 64) {
    EXPECT_EQ(b[24 + GetParam().nulAt], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, TooltipRule,
                         testing::Values(TipCase{5, 5}, TipCase{18, 18}, TipCase{63, 63}, TipCase{64, 64},
                                         TipCase{70, 64}));

TEST_F(TrayTest, JapaneseTooltipCrossesInCodePage932AndComesBackWhole) {
  tray.Init(1, Picture{2}, u"Velmora", 1);
  tray.ToolTipText(u"1024x768ピクセル 32ビット");
  tray.Modify();
  const NotifyIconBuffer& b = shell.calls.back().data;
  // "ピクセル" is 83 73 83 4E 83 5A 83 8B in Shift-JIS.
  EXPECT_EQ(Bytes(b, 24 + 8, 8), (std::vector<uint8_t>{0x83, 0x73, 0x83, 0x4E, 0x83, 0x5A, 0x83, 0x8B}));
  EXPECT_EQ(b[24 + 25], 0);
  EXPECT_EQ(tray.ToolTipText(), clsTray::StoredTip(u"1024x768ピクセル 32ビット"));
}

TEST_F(TrayTest, TooltipLetWaitsForModify) {
  tray.Init(1, Picture{2}, u"Velmora", 1);
  tray.ToolTipText(u"800x600ピクセル 16ビット");
  EXPECT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(Bytes(shell.calls.back().data, 24, 8), TipBytes("Velmora", 0));
  tray.Modify();
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[1].message, NIM_MODIFY);
  EXPECT_EQ(shell.calls[1].data[24], '8');
  EXPECT_EQ(Bytes(shell.calls[1].data, 0, 24), Bytes(shell.calls[0].data, 0, 24));
}

TEST_F(TrayTest, PictureLetWaitsForModify) {
  tray.Init(1, Picture{2}, u"Velmora", 1);
  tray.Picture(Picture{0x99});
  EXPECT_EQ(shell.calls.size(), 1u);
  tray.Modify();
  EXPECT_EQ(shell.calls[1].data[20], 0x99);
}

TEST_F(TrayTest, MissingPictureFailsAfterTheNumbersBeforeTheTooltipWithNoShellCall) {
  try {
    tray.Init(77, std::nullopt, u"Velmora", 1);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Number(), 91);
  }
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(tray.Data().cbSize, 88);
  EXPECT_EQ(tray.Data().hWnd, 77);
  EXPECT_EQ(tray.Data().uCallbackMessage, 0x200);
  EXPECT_EQ(tray.ToolTipText(), std::u16string(64, u'\0'));
}

TEST_F(TrayTest, DeleteLeavesTheRecordAndARefusedCallGoesUnnoticed) {
  tray.Init(5, Picture{6}, u"Velmora", 1);
  tray.Delete();
  shell.result = 0;
  tray.Modify();
  ASSERT_EQ(shell.calls.size(), 3u);
  EXPECT_EQ(shell.calls[1].message, NIM_DELETE);
  EXPECT_EQ(shell.calls[2].message, NIM_MODIFY);
  EXPECT_EQ(Bytes(shell.calls[2].data, 0, 88), Bytes(shell.calls[0].data, 0, 88));
}

struct MouseCase {
  float x;
  float twips;
  int32_t code;
};

class MouseEventDecoding : public TrayTest, public testing::WithParamInterface<MouseCase> {};

TEST_P(MouseEventDecoding, TurnsTwipsBackIntoTheMessageCode) {
  runtime.twipsPerPixel = GetParam().twips;
  EXPECT_EQ(tray.MouseEvent(GetParam().x), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, MouseEventDecoding,
    testing::Values(MouseCase{7695, 15, 513}, MouseCase{7740, 15, 516}, MouseCase{6156, 12, 513},
                    MouseCase{6192, 12, 516}, MouseCase{7694.6f, 15, 513}, MouseCase{7694.4f, 15, 512},
                    MouseCase{2.5f, 1, 2}, MouseCase{3.5f, 1, 4}, MouseCase{7695, 14.5f, 549},
                    MouseCase{7695, 15.5f, 480}, MouseCase{-7695, 15, -513}));

TEST_F(TrayTest, MouseEventWithAZeroRatioIsAnErrorNotACrash) {
  runtime.twipsPerPixel = 0.4f;
  EXPECT_THROW(tray.MouseEvent(7695), RuntimeError);
  runtime.twipsPerPixel = 15;
  EXPECT_THROW(tray.MouseEvent(1e20f), RuntimeError);
}

}  // namespace
