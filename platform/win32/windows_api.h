// The Windows headers, for every file of this layer. The core names the values it shares with
// Windows in namespace api, never with the macro names, so these headers can come first.
#pragma once

// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
// clang-format on
