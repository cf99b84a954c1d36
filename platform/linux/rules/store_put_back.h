// A store that the desktop's display daemon writes by itself after every change of the outputs (KDE's), put
// back as it was after a switch meant for the session only: the daemon's write is awaited, then undone.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace linuxp {

using StoreFiles = std::map<std::string, std::string>;  // path in the store -> contents

struct StoreRepair {
  StoreFiles write;                 // back to their contents before the switch
  std::vector<std::string> remove;  // written by the daemon since
};

inline StoreRepair PutBack(const StoreFiles& before, const StoreFiles& now) {
  StoreRepair repair;
  for (const auto& [path, contents] : before) {
    const auto found = now.find(path);
    if (found == now.end() || found->second != contents) repair.write.emplace(path, contents);
  }
  for (const auto& [path, contents] : now)
    if (!before.contains(path)) repair.remove.push_back(path);
  return repair;
}

// The daemon writes a short while after the outputs settle, perhaps more than once: the store is put back
// once it has been quiet for kStoreQuietMs after a write, or after kStoreWaitMs without any (nothing to
// undo).
inline constexpr int kStoreQuietMs = 1000;
inline constexpr int kStoreWaitMs = 4000;

// Whether to put the store back now, `elapsedMs` after the switch, the daemon's last write seen at
// `lastWriteMs`.
inline bool PutBackNow(int elapsedMs, std::optional<int> lastWriteMs) {
  return lastWriteMs ? elapsedMs - *lastWriteMs >= kStoreQuietMs : elapsedMs >= kStoreWaitMs;
}

}  // namespace linuxp
