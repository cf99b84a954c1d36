// The modes of the output a display service lists, numbered for EnumDisplaySettings. Index 0 reads the
// output's list afresh; later indexes use that same list, so that an index keeps naming the mode it named
// when the menu was built.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mode_record.h"

namespace linuxp {

struct ListedMode {
  std::string id;  // the desktop's own name of the mode
  int32_t width = 0;
  int32_t height = 0;
  uint32_t frequency = 0;  // whole hertz
  uint32_t displayFlags = 0;
  bool operator==(const ListedMode&) const = default;
};

struct ModeList {
  std::string output;
  std::vector<ListedMode> modes;  // in the desktop's order
  bool operator==(const ModeList&) const = default;
};

class ListedModes {
 public:
  // Fills `record` with mode `index` at the screen's depth and returns 1; 0, the record as it was, past the
  // end. read() gives the output's list as it is now.
  template <typename Read>
  int32_t Enumerate(int32_t index, int32_t bitsPerPixel, DisplayModeRecord& record, Read&& read) {
    if (index < 0) return 0;
    if (index == 0 || list_.modes.empty()) list_ = read();
    if (static_cast<size_t>(index) >= list_.modes.size()) return 0;
    const ListedMode& mode = list_.modes[static_cast<size_t>(index)];
    FillModeRecord(list_.output, mode.width, mode.height, bitsPerPixel, mode.frequency, mode.displayFlags,
                   record);
    return 1;
  }

  // The list as index 0 last read it.
  const ModeList& Listed() const { return list_; }
  // Every index is read from the next list.
  void Forget() { list_ = {}; }

 private:
  ModeList list_;
};

}  // namespace linuxp
