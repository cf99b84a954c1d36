#include "x_window_hints.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

#include "x_owners.h"

namespace linuxp {

void SkipTaskbar(_XDisplay* display, unsigned long window) {
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom wanted[] = {XInternAtom(display, "_NET_WM_STATE_SKIP_TASKBAR", False),
                         XInternAtom(display, "_NET_WM_STATE_SKIP_PAGER", False)};
  // Keep whatever states the window already asks for.
  std::vector<Atom> atoms;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, window, state, 0, 64, False, XA_ATOM, &type, &format, &count,
                                        &after, &data);
  const XFreePtr<unsigned char> owned(data);
  if (status == Success && data && format == 32) {
    const auto* existing = reinterpret_cast<const Atom*>(data);
    atoms.assign(existing, existing + count);
  }
  for (Atom a : wanted) {
    bool present = false;
    for (Atom b : atoms) present = present || a == b;
    if (!present) atoms.push_back(a);
  }
  XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(atoms.data()), static_cast<int>(atoms.size()));
  XSync(display, False);
}

}  // namespace linuxp
