// A reading of the desktop's display state, kept for the calls the form makes in a row and read afresh
// once it may be stale.
#pragma once
#include <optional>
#include <utility>

namespace linuxp {

template <typename State>
class KeptState {
 public:
  // The kept reading, or read()'s; null when read() gives none. A change the desktop has made but not yet
  // reported is heard only as the program runs its events: a reading made before events could run is
  // stale as soon as they can (eventsRun). The caller forgets a reading made while events run at their
  // next turn; `fresh` tells it that one was made.
  template <typename Read>
  const State* Get(bool eventsRun, Read&& read, bool* fresh = nullptr) {
    if (state_ && readBeforeEvents_ && eventsRun) state_.reset();
    const bool reading = !state_;
    if (reading) {
      state_ = read();
      readBeforeEvents_ = !eventsRun;
    }
    if (fresh) *fresh = reading;
    return state_ ? &*state_ : nullptr;
  }

  // Whether a reading is kept: one the desktop may refuse as out of date.
  bool Kept() const { return state_.has_value(); }
  void Forget() { state_.reset(); }

 private:
  std::optional<State> state_;
  bool readBeforeEvents_ = false;
};

}  // namespace linuxp
