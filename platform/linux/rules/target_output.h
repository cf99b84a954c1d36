// Which X output velmora lists and changes: the one that shows the primary screen.
#pragma once
#include <vector>

namespace linuxp {

struct OutputState {
  unsigned long id = 0;
  bool connected = false;
  bool driven = false;  // has a CRTC
};

// The primary output when it is connected and driven; otherwise the first connected output that is
// driven, then the first connected output at all (the primary first). 0 when none is connected.
inline unsigned long ChooseTargetOutput(unsigned long primary, const std::vector<OutputState>& outputs) {
  std::vector<const OutputState*> order;
  for (const OutputState& o : outputs)
    if (o.id == primary && primary != 0) order.push_back(&o);
  for (const OutputState& o : outputs) order.push_back(&o);
  unsigned long fallback = 0;
  for (const OutputState* o : order) {
    if (!o->connected) continue;
    if (o->driven) return o->id;
    if (!fallback) fallback = o->id;
  }
  return fallback;
}

}  // namespace linuxp
