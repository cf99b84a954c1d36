// randr_spy.so: preloaded into velmora by the tests of several monitors. It appends "probe" or "current" to
// the file named by VELMORA_RANDR_LOG for each XRRGetScreenResources (the server probes every output) and
// XRRGetScreenResourcesCurrent call, and makes call number VELMORA_FAIL_CRTC_CALL of XRRSetCrtcConfig fail as
// a server refusing it would, having changed nothing.
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Note(const char* what) {
  if (const char* path = std::getenv("VELMORA_RANDR_LOG")) {
    if (FILE* log = std::fopen(path, "a")) {
      std::fprintf(log, "%s\n", what);
      std::fclose(log);
    }
  }
}

template <typename F>
F Real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" XRRScreenResources* XRRGetScreenResources(Display* display, Window window) {
  Note("probe");
  static const auto real = Real<XRRScreenResources* (*)(Display*, Window)>("XRRGetScreenResources");
  return real(display, window);
}

extern "C" XRRScreenResources* XRRGetScreenResourcesCurrent(Display* display, Window window) {
  Note("current");
  static const auto real = Real<XRRScreenResources* (*)(Display*, Window)>("XRRGetScreenResourcesCurrent");
  return real(display, window);
}

extern "C" Status XRRSetCrtcConfig(Display* display, XRRScreenResources* resources, RRCrtc crtc, Time time,
                                   int x, int y, RRMode mode, Rotation rotation, RROutput* outputs,
                                   int count) {
  static int calls = 0;
  const char* failing = std::getenv("VELMORA_FAIL_CRTC_CALL");
  if (failing && ++calls == std::atoi(failing)) return RRSetConfigFailed;
  static const auto real = Real<Status (*)(Display*, XRRScreenResources*, RRCrtc, Time, int, int, RRMode,
                                           Rotation, RROutput*, int)>("XRRSetCrtcConfig");
  return real(display, resources, crtc, time, x, y, mode, rotation, outputs, count);
}
