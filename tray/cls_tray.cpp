#include "tray/cls_tray.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "app/runtime_error.h"
#include "tray/code_page_932.h"

namespace {

// Round to the nearest 32-bit integer, halves to the even neighbour; out of range is overflow.
int32_t RoundHalfEven(double value) {
  const double r = std::nearbyint(value);  // the default rounding mode is to nearest, ties to even
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) throw ProgramError(kErrOverflow);
  return static_cast<int32_t>(r);
}

}  // namespace

int32_t MouseMessage(float X, float twipsPerPixel) {
  const int32_t pixels = RoundHalfEven(X);
  const int32_t ratio = RoundHalfEven(twipsPerPixel);
  if (ratio == 0) throw ProgramError(kErrDivisionByZero);
  if (ratio == -1 && pixels == INT32_MIN) throw ProgramError(kErrOverflow);
  return pixels / ratio;
}

std::u16string clsTray::StoredTip(const std::u16string& text) {
  std::u16string tip = text + u'\0';
  tip.resize(kTipChars, u' ');
  return tip;
}

int32_t clsTray::HandleOf(const std::optional<::Picture>& pIcon) {
  if (!pIcon) throw ProgramError(kErrObjectNotSet);
  return pIcon->handle;
}

void clsTray::Init(int32_t hWnd, const std::optional<::Picture>& pIcon, const std::u16string& TipText,
                   int32_t ID) {
  data_.cbSize = 88;
  data_.hWnd = hWnd;
  data_.uID = ID;
  data_.uFlags = api::NifMessage | api::NifIcon | api::NifTip;
  data_.uCallbackMessage = api::WmMouseMove;
  data_.hIcon = HandleOf(pIcon);  // no picture: the error leaves the tooltip and the shell untouched
  data_.szTip = StoredTip(TipText);
  Send(api::NimAdd);
}

void clsTray::Send(int32_t message) {
  namespace nid = api::nid;
  NotifyIconBuffer buffer{};
  nid::Write(buffer, nid::cbSize, data_.cbSize);
  nid::Write(buffer, nid::hWnd, data_.hWnd);
  nid::Write(buffer, nid::uID, data_.uID);
  nid::Write(buffer, nid::uFlags, data_.uFlags);
  nid::Write(buffer, nid::uCallbackMessage, data_.uCallbackMessage);
  nid::Write(buffer, nid::hIcon, data_.hIcon);
  const std::string tip = ToCodePage932(data_.szTip);
  std::memcpy(buffer.data() + nid::szTip, tip.data(), std::min(tip.size(), nid::kTipBytes));

  shell_.NotifyIcon(message, buffer);  // a refused call changes nothing and is not reported

  data_.cbSize = nid::Read(buffer, nid::cbSize);
  data_.hWnd = nid::Read(buffer, nid::hWnd);
  data_.uID = nid::Read(buffer, nid::uID);
  data_.uFlags = nid::Read(buffer, nid::uFlags);
  data_.uCallbackMessage = nid::Read(buffer, nid::uCallbackMessage);
  data_.hIcon = nid::Read(buffer, nid::hIcon);
  std::u16string tip16 = FromCodePage932(
      std::string_view(reinterpret_cast<const char*>(buffer.data() + nid::szTip), nid::kTipBytes));
  tip16.resize(kTipChars, u' ');
  data_.szTip = std::move(tip16);
}
