// What velmora_driver.exe and menuspy.dll share: the form of a text field in their output, and the files in
// %TEMP% through which the driver asks menuspy.dll and gets its answer.
#pragma once

#include <windows.h>

#include <string>

// A text in UTF-8 with TAB, CR and LF written as \t, \r and \n, so that a record stays on one line.
inline std::string TextField(const wchar_t* text) {
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
  std::string out;
  for (const char* p = utf8; *p; ++p)
    out += *p == '\t' ? "\\t" : *p == '\r' ? "\\r" : *p == '\n' ? "\\n" : std::string(1, *p);
  return out;
}

inline std::string TempFile(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}
