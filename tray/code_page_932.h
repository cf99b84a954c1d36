#pragma once
#include <string>
#include <string_view>

// The tray record's tooltip bytes, in code page 932 as Windows has it, whatever the system's own
// code page: the encoding a Japanese Windows gives the program's texts. It covers what the
// program's tooltips hold, ASCII and the full-width katakana; any other character becomes "?",
// as WideCharToMultiByte makes it.
std::string ToCodePage932(std::u16string_view text);

// Reads back what ToCodePage932 writes. Every byte from 0x80 up starts a pair: a katakana pair
// reads as its character, any other pair as "?", and a first byte whose second was cut off is dropped.
std::u16string FromCodePage932(std::string_view bytes);
