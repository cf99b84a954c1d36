// One owner for each thing Xlib hands out that must be given back. No Xlib header here: its macros
// clash with Qt's.
#pragma once
#include <memory>

struct _XDisplay;

namespace linuxp {

struct XDisplayCloser {
  void operator()(_XDisplay* display) const;
};
// The connection to the X server; closing it frees whatever the program made there.
using XDisplayPtr = std::unique_ptr<_XDisplay, XDisplayCloser>;

struct XFreeDeleter {
  void operator()(void* data) const;
};
// A reply Xlib allocated, given back with XFree.
template <typename T>
using XFreePtr = std::unique_ptr<T, XFreeDeleter>;

}  // namespace linuxp
