#pragma once

struct _XDisplay;

namespace linuxp {

// Asks the window manager to leave the window out of the taskbar and the pager; set while the
// window is unmapped, before it is shown.
void SkipTaskbar(_XDisplay* display, unsigned long window);

}  // namespace linuxp
