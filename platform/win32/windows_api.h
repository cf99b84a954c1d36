// The Windows headers, for every file of this layer. The core spells a few of its constants
// as Windows does (NIM_ADD, WM_MOUSEMOVE, DISP_CHANGE_*); its headers must be read before
// windows.h turns those names into macros of the same values.
#pragma once

// clang-format off
#include "ui/frm_main.h"

#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
// clang-format on

// The layer calls the ...A entry points by name; this one is also a member of SystemCalls.
#undef SystemParametersInfo
