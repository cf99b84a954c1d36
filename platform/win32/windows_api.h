// The Windows headers, for every file of this layer. The core names the values it shares with
// Windows in namespace api, never with the macro names, so these headers can come first.
#pragma once

// Every text goes through the wide entry points; the generic names (LoadCursor, IDC_ARROW) are wide too.
#ifndef UNICODE
#define UNICODE
#endif
// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>
// clang-format on
