#pragma once
#include <cstdint>

// Every result the display can return for an apply, with the box the program must show for it.
struct ChangeResultCase {
  int32_t code;
  const char16_t* message;  // nullptr: no box
};

inline constexpr ChangeResultCase kChangeResults[] = {
    {0, nullptr},
    {1, u"設定を反映するためには再起動が必要です。"},
    {-1, u"失敗しました。"},
    {-2, u"不正なモードです。"},
    {-3, u"設定をレジストリに書き込めません。"},
    {-4, nullptr},
    {-5, u"不正なパラメータです。"},
    {2, nullptr},
    {-6, nullptr},
    {INT32_MAX, nullptr},
    {INT32_MIN, nullptr},
};
