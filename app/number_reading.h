#pragma once
#include <cstdint>
#include <string_view>

// Reads a number from the start of the text the way the "/s" switch does: blanks, tabs and line
// feeds are skipped wherever they stand; an optional sign, digits, a decimal point and digits, an
// exponent (E or e, a sign, digits); or &H / &O followed by a hexadecimal or octal integer.
// Reading stops at the first character that cannot continue the number; a text that does not
// begin with a number reads as 0. Throws RuntimeError 6 (overflow) for a value beyond a double.
double ReadNumber(std::u16string_view text);

// ReadNumber rounded half to even into a 16-bit integer; RuntimeError 6 outside -32768..32767.
int16_t ReadInteger(std::u16string_view text);
