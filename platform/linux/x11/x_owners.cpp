#include "x_owners.h"

#include <X11/Xlib.h>

namespace linuxp {

void XDisplayCloser::operator()(_XDisplay* display) const { XCloseDisplay(display); }

void XFreeDeleter::operator()(void* data) const { XFree(data); }

}  // namespace linuxp
