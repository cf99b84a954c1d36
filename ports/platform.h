#pragma once
#include "ports/display_settings.h"
#include "ports/gui_runtime.h"
#include "ports/system_calls.h"
#include "ports/tray_shell.h"

// Everything the program reaches outside itself, handed to the form at start.
struct Platform {
  DisplaySettings& display;
  TrayShell& shell;
  SystemCalls& system;
  GuiRuntime& runtime;
};
