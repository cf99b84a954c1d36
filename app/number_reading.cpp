#include "app/number_reading.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "app/runtime_error.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int DigitValue(char16_t c, int radix) {
  int v = -1;
  if (c >= u'0' && c <= u'9')
    v = c - u'0';
  else if (c >= u'a' && c <= u'f')
    v = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F')
    v = c - u'A' + 10;
  return v < radix ? v : -1;
}

// &H / &O: values up to 0xFFFF are 16-bit and values up to 0xFFFFFFFF 32-bit, both signed,
// so &HFFFF reads -1 and &H8000 reads -32768. Anything larger overflows.
double ReadRadix(std::u16string_view s, int radix) {
  uint64_t value = 0;
  for (char16_t c : s) {
    const int d = DigitValue(c, radix);
    if (d < 0) break;
    value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFull) throw ProgramError(kErrOverflow);
  }
  if (value <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(value));
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// The longest prefix of the form [sign] digits [. digits] [(E|e) [sign] digits], as ASCII.
std::string DecimalPrefix(std::u16string_view s) {
  std::string out;
  size_t i = 0;
  auto take = [&](auto pred) {
    size_t n = 0;
    while (i < s.size() && pred(s[i])) out.push_back(static_cast<char>(s[i++])), ++n;
    return n;
  };
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) out.push_back(static_cast<char>(s[i++]));
  size_t digits = take(IsDigit);
  if (i < s.size() && s[i] == u'.') {
    ++i;
    out.push_back('.');
    digits += take(IsDigit);
  }
  if (digits == 0) return {};
  if (i < s.size() && (s[i] == u'E' || s[i] == u'e')) {
    std::string mantissa = out;
    out.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) out.push_back(static_cast<char>(s[i++]));
    if (take(IsDigit) == 0) return mantissa;  // "12e" or "12e-": the exponent never started
  }
  return out;
}

}  // namespace

double ReadNumber(std::u16string_view text) {
  std::u16string s;
  s.reserve(text.size());
  for (char16_t c : text)
    if (!IsBlank(c)) s.push_back(c);

  if (s.size() >= 2 && s[0] == u'&') {
    if (s[1] == u'H' || s[1] == u'h') return ReadRadix(std::u16string_view(s).substr(2), 16);
    if (s[1] == u'O' || s[1] == u'o') return ReadRadix(std::u16string_view(s).substr(2), 8);
    return 0;
  }
  std::string number = DecimalPrefix(s);
  if (number.empty()) return 0;
  // The prefix holds only ASCII digits, sign, point and exponent: the C locale reads it exactly.
  const double value = std::strtod(number.c_str(), nullptr);
  if (std::isinf(value)) throw ProgramError(kErrOverflow);
  return value;
}

int16_t ReadInteger(std::u16string_view text) {
  const double rounded = std::nearbyint(ReadNumber(text));  // halves go to the even neighbour
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) throw ProgramError(kErrOverflow);
  return static_cast<int16_t>(rounded);
}
