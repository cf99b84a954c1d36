// Where the other monitors go when the primary changes size, on every Linux desktop: the cases users have,
// then generated layouts held to the rule's promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/linux/rules/monitor_arrangement.h"

namespace {

using namespace linuxp::arrangement;

// "x,y WxH" per monitor, the primary first in the text of the result too.
std::string Render(const std::optional<std::vector<Rect>>& placed) {
  if (!placed) return "refused";
  std::string out;
  for (const Rect& r : *placed) {
    char text[48];
    std::snprintf(text, sizeof text, "%s%d,%d %dx%d", out.empty() ? "" : " | ", r.x, r.y, r.width, r.height);
    out += text;
  }
  return out;
}

TEST(Rearrange, TheLayoutsUsersHave) {
  const struct {
    const char* name;
    std::vector<Rect> monitors;  // the primary first
    int32_t width, height;
    std::string expected;
  } rows[] = {
      // clang-format off
      {"right neighbour follows a shrink", {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}}, 1024, 768, "0,0 1024x768 | 1024,0 1920x1080"},
      {"below", {{0, 0, 1280, 1024}, {0, 1024, 1024, 768}}, 800, 600, "0,0 800x600 | 0,600 1024x768"},
      {"a chain: under the right neighbour", {{0, 0, 1280, 1024}, {1280, 0, 1280, 1024}, {1280, 1024, 1280, 1024}}, 1024, 768, "0,0 1024x768 | 1024,0 1280x1024 | 1024,1024 1280x1024"},
      {"three in a row", {{0, 0, 1280, 1024}, {1280, 0, 1024, 768}, {2304, 0, 800, 600}}, 1920, 1080, "0,0 1920x1080 | 1920,0 1024x768 | 2944,0 800x600"},
      {"bottom-aligned beside", {{0, 0, 3840, 2160}, {3840, 1080, 1920, 1080}}, 1920, 1080, "0,0 1920x1080 | 1920,0 1920x1080"},
      {"right-aligned below", {{0, 0, 1920, 1080}, {640, 1080, 1280, 1024}}, 1600, 1200, "0,0 1600x1200 | 320,1200 1280x1024"},
      {"right-aligned below, wider than the new size", {{0, 0, 1920, 1080}, {640, 1080, 1280, 1024}}, 1024, 768, "256,0 1024x768 | 0,768 1280x1024"},
      {"at the corner", {{0, 0, 1280, 1024}, {1280, 1024, 800, 600}}, 1024, 768, "0,0 1024x768 | 1024,768 800x600"},
      {"left and above stay", {{1280, 1024, 1280, 1024}, {0, 1024, 1280, 1024}, {1280, 0, 1280, 1024}}, 800, 600, "1280,1024 800x600 | 0,1024 1280x1024 | 1280,0 1280x1024"},
      {"primary on the right of a row", {{1280, 0, 1280, 1024}, {0, 0, 1280, 1024}}, 800, 600, "1280,0 800x600 | 0,0 1280x1024"},
      {"under both: would cover the left one", {{1280, 0, 1280, 1024}, {0, 0, 1280, 1024}, {640, 1024, 1280, 1024}}, 800, 600, "refused"},
      {"a gap stays a gap", {{0, 0, 1280, 1024}, {1400, 0, 1280, 1024}}, 800, 600, "0,0 800x600 | 920,0 1280x1024"},
      {"away from 0,0", {{100, 50, 1024, 768}, {1124, 50, 800, 600}}, 800, 600, "0,0 800x600 | 800,0 800x600"},
      // clang-format on
  };
  for (const auto& row : rows)
    EXPECT_EQ(Render(Rearrange(row.monitors, 0, row.width, row.height)), row.expected) << row.name;
}

// Layouts of two to four monitors, each put against an edge of one already placed (rows, columns, L shapes,
// offsets on the other axis, left and above the primary), and a new size for a random primary.
TEST(Rearrange, GeneratedLayoutsKeepTheRulesPromises) {
  // VELMORA_LAYOUT_SEED=N tries other layouts; a failure names the seed that made it.
  const char* asked = std::getenv("VELMORA_LAYOUT_SEED");
  const unsigned seed = asked ? static_cast<unsigned>(std::strtoul(asked, nullptr, 10)) : 1;
  std::mt19937 random(seed);
  const Rect sizes[] = {{0, 0, 640, 480},   {0, 0, 800, 600},   {0, 0, 1024, 768},  {0, 0, 1280, 1024},
                        {0, 0, 1920, 1080}, {0, 0, 1080, 1920}, {0, 0, 2560, 1600}, {0, 0, 3840, 2160}};
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  int refused = 0;
  for (int round = 0; round < 2000; ++round) {
    std::vector<Rect> monitors{sizes[pick(8)]};
    const int count = 2 + pick(3);
    const bool row = pick(4) == 0, column = !row && pick(3) == 0;  // in a line, tops or lefts aligned
    for (int tries = 0; static_cast<int>(monitors.size()) < count && tries < 50; ++tries) {
      Rect m = sizes[pick(8)];
      const Rect& at = monitors[static_cast<size_t>(pick(static_cast<int>(monitors.size())))];
      const int edge = row ? 1 : column ? 3 : pick(4);  // left, right, above, below
      const auto along = [&](int32_t start, int32_t length, int32_t own) {
        const int kind = pick(4);  // start-aligned, end-aligned, offset, centred-ish
        return kind == 0 || row || column ? start
               : kind == 1                ? start + length - own
               : kind == 2                ? start + pick(length) - own / 2
                                          : start + (length - own) / 2;
      };
      if (edge < 2) {
        m.x = edge == 0 ? at.x - m.width : at.Right();
        m.y = along(at.y, at.height, m.height);
      } else {
        m.y = edge == 2 ? at.y - m.height : at.Bottom();
        m.x = along(at.x, at.width, m.width);
      }
      bool free = Touch(m, at);
      for (const Rect& other : monitors) free = free && !Overlap(m, other);
      if (free) monitors.push_back(m);
    }
    const size_t primary = static_cast<size_t>(pick(static_cast<int>(monitors.size())));
    const Rect size = sizes[pick(8)];
    const auto placed = Rearrange(monitors, primary, size.width, size.height);
    const std::string layout = Render(monitors) + ", primary " + std::to_string(primary) + " to " +
                               std::to_string(size.width) + "x" + std::to_string(size.height) + " (seed " +
                               std::to_string(seed) + ")";
    if (!placed) {
      EXPECT_FALSE(row || column) << "a line of monitors always fits: " << layout;
      ++refused;
      continue;
    }
    const Rect& p = (*placed)[primary];
    const int32_t shiftX = p.x - monitors[primary].x, shiftY = p.y - monitors[primary].y;  // the move to 0,0
    EXPECT_EQ(p.width, size.width) << layout;
    EXPECT_EQ(p.height, size.height) << layout;
    int32_t left = p.x, top = p.y;
    for (size_t i = 0; i < placed->size(); ++i) {
      const Rect& was = monitors[i];
      const Rect& now = (*placed)[i];
      left = std::min(left, now.x);
      top = std::min(top, now.y);
      if (i != primary) {
        EXPECT_EQ(now.width * now.height, was.width * was.height) << layout;
      }
      if (was.Right() <= monitors[primary].x || was.Bottom() <= monitors[primary].y) {
        EXPECT_TRUE(now.x == was.x + shiftX && now.y == was.y + shiftY) << "left or above moved: " << layout;
      }
      for (size_t j = 0; j < i; ++j) EXPECT_FALSE(Overlap(now, (*placed)[j])) << layout;
    }
    EXPECT_TRUE(left == 0 && top == 0) << layout;
    // Every monitor still hangs together with the rest.
    std::vector<bool> reached(placed->size(), false);
    reached[0] = true;
    for (size_t pass = 0; pass < placed->size(); ++pass)
      for (size_t i = 0; i < placed->size(); ++i)
        for (size_t j = 0; j < placed->size(); ++j)
          if (reached[i] && Touch((*placed)[i], (*placed)[j])) reached[j] = true;
    for (size_t i = 0; i < placed->size(); ++i)
      EXPECT_TRUE(reached[i]) << "monitor " << i << " alone: " << layout;
  }
  EXPECT_LT(refused, 2000 / 4) << "seed " << seed;  // refusals are the exception
}

}  // namespace
