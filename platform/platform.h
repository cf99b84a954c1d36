#pragma once
#include "platform/display_settings.h"
#include "platform/gui_runtime.h"
#include "platform/system_calls.h"
#include "platform/tray_shell.h"

// Everything the program reaches outside itself, handed to the form at start.
struct Platform {
  DisplaySettings& display;
  TrayShell& shell;
  SystemCalls& system;
  GuiRuntime& runtime;
};
