#include "tray/cls_tray.h"

#include <cmath>
#include <algorithm>
#include <climits>
#include <cstring>

#include "app/runtime_error.h"

namespace {

constexpr size_t kTipOffset = 24;
constexpr int32_t kErrDivisionByZero = 11;

void PutInt(NotifyIconBuffer& b, size_t at, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (size_t k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(u >> (8 * k));
}

int32_t GetInt(const NotifyIconBuffer& b, size_t at) {
  uint32_t u = 0;
  for (size_t k = 0; k < 4; ++k) u |= static_cast<uint32_t>(b[at + k]) << (8 * k);
  return static_cast<int32_t>(u);
}

// Round to the nearest 32-bit integer, halves to the even neighbour; out of range is overflow.
int32_t RoundHalfEven(double value) {
  const double r = std::nearbyint(value);  // the default rounding mode is to nearest, ties to even
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw ProgramError(kErrOverflow);
  return static_cast<int32_t>(r);
}

}  // namespace

std::u16string clsTray::StoredTip(const std::u16string& text) {
  std::u16string tip = text + u'\0';
  tip.resize(kTipChars, u' ');
  return tip;
}

int32_t clsTray::HandleOf(const std::optional<::Picture>& pIcon) {
  if (!pIcon) throw ProgramError(kErrObjectNotSet);
  return pIcon->handle;
}

void clsTray::Init(int32_t hWnd, const std::optional<::Picture>& pIcon, const std::u16string& TipText, int32_t ID) {
  data_.cbSize = 88;
  data_.hWnd = hWnd;
  data_.uID = ID;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = WM_MOUSEMOVE;
  data_.hIcon = HandleOf(pIcon);  // no picture: the error leaves the tooltip and the shell untouched
  data_.szTip = StoredTip(TipText);
  Send(NIM_ADD);
}

int32_t clsTray::MouseEvent(float X) const {
  const int32_t pixels = RoundHalfEven(X);
  const int32_t ratio = RoundHalfEven(runtime_.TwipsPerPixelX());
  if (ratio == 0) throw ProgramError(kErrDivisionByZero);
  if (ratio == -1 && pixels == INT32_MIN) throw ProgramError(kErrOverflow);
  return pixels / ratio;
}

void clsTray::Send(int32_t message) {
  NotifyIconBuffer buffer{};
  PutInt(buffer, 0, data_.cbSize);
  PutInt(buffer, 4, data_.hWnd);
  PutInt(buffer, 8, data_.uID);
  PutInt(buffer, 12, data_.uFlags);
  PutInt(buffer, 16, data_.uCallbackMessage);
  PutInt(buffer, 20, data_.hIcon);
  const std::string tip = runtime_.ToAnsi(data_.szTip);
  std::memcpy(buffer.data() + kTipOffset, tip.data(), std::min(tip.size(), buffer.size() - kTipOffset));

  shell_.NotifyIcon(message, buffer);  // a refused call changes nothing and is not reported

  data_.cbSize = GetInt(buffer, 0);
  data_.hWnd = GetInt(buffer, 4);
  data_.uID = GetInt(buffer, 8);
  data_.uFlags = GetInt(buffer, 12);
  data_.uCallbackMessage = GetInt(buffer, 16);
  data_.hIcon = GetInt(buffer, 20);
  std::u16string tip16 = runtime_.FromAnsi(
      std::string_view(reinterpret_cast<const char*>(buffer.data() + kTipOffset), buffer.size() - kTipOffset));
  tip16.resize(kTipChars, u' ');
  data_.szTip = std::move(tip16);
}
