#pragma once
#include <cstdint>

#include "display/mode_catalogue.h"
#include "ports/display_settings.h"

// Applies the mode listed at modeIndex with its width, height and depth, and stores it as the
// default. Returns the service's api::DispChange* code. The menu item names the mode the catalogue
// `offered` holds for modeIndex: when the service now lists another mode there (the display changed
// since the catalogue was read), or the catalogue holds no mode for that index, nothing is applied
// and the result is api::DispChangeBadMode.
int32_t ApplyMode(DisplaySettings& display, int32_t modeIndex, const ModeTable& offered);

// The message box text for an apply result; nullptr when the result says nothing (success,
// api::DispChangeBadFlags and codes the service does not document).
const char16_t* ChangeResultMessage(int32_t result);

// The exit status of the "/s" path after an apply with this result.
int AppliedStatus(int32_t applyResult);
