// What velmora_driver.exe and menuspy.dll share: JSON written by hand, and the file in %TEMP% through which
// menuspy.dll answers the driver.
#pragma once

#include <windows.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// A text as a JSON string, in UTF-8.
inline std::string Json(const wchar_t* text) {
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
  std::string out = "\"";
  for (const unsigned char* p = reinterpret_cast<unsigned char*>(utf8); *p; ++p) {
    char c[8];
    std::snprintf(c, sizeof c, *p < 0x20 || *p == '"' || *p == '\\' ? "\\u%04x" : "%c", *p);
    out += c;
  }
  return out + "\"";
}

inline std::string Array(const std::vector<std::string>& values) {
  std::string out;
  for (const std::string& v : values) out += (out.empty() ? "" : ", ") + v;
  return "[" + out + "]";
}

inline std::string Ints(std::initializer_list<long> values) {
  std::vector<std::string> out;
  for (long v : values) out.push_back(std::to_string(v));
  return Array(out);
}

inline std::string Object(std::initializer_list<std::pair<const char*, std::string>> members) {
  std::string out;
  for (const auto& [name, value] : members)
    out += (out.empty() ? "\"" : ", \"") + std::string(name) + "\": " + value;
  return "{" + out + "}";
}

inline std::string Bool(bool b) { return b ? "true" : "false"; }

inline std::string TempFile(const char* name) {
  char dir[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}
