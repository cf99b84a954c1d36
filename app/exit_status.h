#pragma once

// Exit statuses of the process.
enum ExitStatus : int {
  kExitOk = 0,          // resident run ended, or the "/s" mode was applied
  kExitNoMatch = 1,     // "/s" named a mode the menu does not offer
  kExitSyntax = 2,      // "/s" without the commas it needs
  kExitError = 3,       // any other error on the "/s" path, or an error no event procedure traps
  kExitNotApplied = 4,  // "/s" matched a mode but the display refused it
  kExitRestart = 5,     // "/s" stored the mode; it takes effect after a restart
};
