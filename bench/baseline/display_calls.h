// The display calls both baseline programs make, the same ones Velmora.exe /s1024,768,16 makes.
#pragma once

#include <windows.h>

// Enumerates every mode; how many there are.
DWORD ListModes();

// The mode in force.
DEVMODEA CurrentMode();

// Applies 1024x768 at 16 bits and stores it as the default; ChangeDisplaySettingsA's result.
LONG ApplyWantedMode();
