// What the Linux layer decides for a mode switch, before it asks the desktop: the refresh rate a size gets
// (GNOME and X11 alike), and on GNOME the scale, the mirrors and the places of the other monitors.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/rules/monitor_layout.h"
#include "platform/linux/rules/refresh_rate.h"

namespace {

using namespace linuxp::layout;

TEST(PickMode, KeepsTheRateInForceElsePreferredElseHighestNeverInterlaced) {
  struct Listed {
    int32_t width, height;
    double refresh;
    bool preferred, interlaced;
  };
  const std::vector<Listed> lists[] = {
      {{1280, 1024, 75, true, false}, {1280, 1024, 60, false, false}, {1024, 768, 60, false, false}},
      {{1280, 1024, 50, false, false}, {1280, 1024, 60, false, true}, {1280, 1024, 75, false, false}},
      {{1280, 1024, 60, false, true}, {1280, 1024, 50, false, true}},
  };
  const struct {
    int list;
    double inForce, asked, expected;  // expected 0: no mode
  } rows[] = {
      // clang-format off
      {0, 60, 0, 60}, {0, 75, 0, 75}, {0, 59.94, 0, 60}, {0, 50, 0, 75}, {0, 0, 0, 75}, {0, 60, 75, 75},
      {1, 60, 0, 75}, {1, 50, 0, 50},  // 60 is interlaced only: the highest progressive rate instead
      {2, 50, 0, 50}, {2, 0, 0, 60},   // interlaced where nothing else is listed
      // clang-format on
  };
  for (const auto& row : rows) {
    const Listed* m = linuxp::PickMode(lists[row.list], 1280, 1024, row.inForce, row.asked);
    EXPECT_EQ(m ? m->refresh : 0, row.expected) << "list " << row.list << ", in force " << row.inForce;
  }
  EXPECT_EQ(linuxp::PickMode(lists[0], 800, 600, 60), nullptr);
}

TEST(ChooseScale, TheNearestListedScale) {
  const struct {
    double scale;
    std::vector<double> supported;
    double expected;
  } rows[] = {
      {2, {1}, 1},
      {2, {1, 2}, 2},
      {2, {1, 2, 3}, 2},
      {1.5, {1, 1.25, 1.4953271150588989}, 1.4953271150588989},
      {1.5, {1, 1.25, 1.5023474693298340, 1.75, 2}, 1.5023474693298340},
      {1.5, {1, 2}, 1},
      {1.25, {}, 1.25},
  };
  for (const auto& row : rows) EXPECT_EQ(ChooseScale(row.scale, row.supported), row.expected) << row.scale;
}

// Modes "WxH@R" (preferred when marked "!"), every one accepting `scales`; the current one marked "*".
Monitor Dummy(const std::string& connector, const std::vector<std::string>& specs,
              const std::vector<std::vector<double>>& scales = {}) {
  Monitor monitor{connector, {}};
  for (size_t i = 0; i < specs.size(); ++i) {
    Mode m;
    std::sscanf(specs[i].c_str(), "%dx%d@%lf", &m.width, &m.height, &m.refresh);
    m.id = specs[i].substr(0, specs[i].find_first_of("*!"));
    m.current = specs[i].find('*') != std::string::npos;
    m.preferred = specs[i].find('!') != std::string::npos;
    m.scales = i < scales.size() ? scales[i] : std::vector<double>{1};
    monitor.modes.push_back(m);
  }
  return monitor;
}

// "CONNECTOR@x,y*scale=MODE ..." per logical monitor, mirrors joined by "+"; or "refused: REASON".
std::string Render(const Plan& plan) {
  if (!plan.config) return "refused: " + plan.refusal;
  std::string out;
  for (const LogicalMonitorConfig& c : plan.config->logicalMonitors) {
    char place[64];
    std::snprintf(place, sizeof place, "@%d,%d*%g=", c.x, c.y, c.scale);
    for (size_t i = 0; i < c.monitors.size(); ++i)
      out += (i             ? "+"
              : out.empty() ? ""
                            : " ") +
             c.monitors[i].connector + (i ? "=" : place) + c.monitors[i].modeId;
  }
  if (plan.config->layoutMode) out += " layout " + std::to_string(*plan.config->layoutMode);
  return out;
}

TEST(PlanSwitch, FitsScalesMirrorsAndNeighbours) {
  const std::vector<std::string> modes = {"800x600@60", "1024x768@60", "1280x1024@60!", "1280x1024@75"};
  const auto at = [&](const std::string& connector, int current) {
    std::vector<std::string> specs = modes;
    specs[static_cast<size_t>(current)] += "*";
    return Dummy(connector, specs);
  };
  const Monitor hidpi =
      Dummy("LVDS1", {"1024x768@60", "1280x800@60", "1920x1200@60", "2560x1600@60*"},
            {{1}, {1, 1.25, 1.4953271150588989}, {1, 1.5, 2}, {1, 1.5023474693298340, 2, 3}});
  const State twoSideBySide{{at("LVDS1", 2), at("LVDS2", 2)},
                            {{0, 0, 1, 0, true, {"LVDS1"}}, {1280, 0, 1, 0, false, {"LVDS2"}}}};
  State oneBelow = twoSideBySide;
  oneBelow.logicalMonitors[1] = {0, 1024, 1, 0, false, {"LVDS2"}};
  State primaryRight = twoSideBySide;  // LVDS2 is primary, LVDS1 to its left
  primaryRight.logicalMonitors[0].primary = false;
  primaryRight.logicalMonitors[1].primary = true;
  State rotated = twoSideBySide;  // a portrait primary: 1024 wide
  rotated.logicalMonitors[0].transform = 1;
  rotated.logicalMonitors[1].x = 1024;
  const State mirrored{{at("LVDS1", 1), at("LVDS2", 1)}, {{0, 0, 1, 0, true, {"LVDS1", "LVDS2"}}}};
  State mirrorLacking = mirrored;
  mirrorLacking.monitors[1].modes.erase(mirrorLacking.monitors[1].modes.begin());  // no 800x600
  const State fractional{{hidpi, at("LVDS2", 2)},
                         {{0, 0, 1.5, 0, true, {"LVDS1"}}, {1707, 0, 1, 0, false, {"LVDS2"}}},
                         kLogical,
                         true};
  State globalUi = fractional;  // muffin's global-UI layout counts logical pixels too
  globalUi.layoutMode = kGlobalUiLogical;
  State physical = fractional;  // the user chose the physical layout mode with fractional scaling on
  physical.layoutMode = kPhysical;
  physical.logicalMonitors = {{0, 0, 2, 0, true, {"LVDS1"}}, {2560, 0, 1, 0, false, {"LVDS2"}}};
  State nowhere = twoSideBySide;  // LVDS2 | LVDS1, LVDS3 under both: a smaller LVDS1 would put LVDS3 on LVDS2
  nowhere.monitors.push_back(at("LVDS3", 2));
  nowhere.logicalMonitors = {
      {1280, 0, 1, 0, true, {"LVDS1"}}, {0, 0, 1, 0, false, {"LVDS2"}}, {640, 1024, 1, 0, false, {"LVDS3"}}};
  State global = physical;  // one scale for all
  global.supportsChangingLayoutMode = false;
  global.globalScaleRequired = true;
  global.logicalMonitors[1].scale = 2;
  global.monitors[1].modes[2].scales = {1, 2};

  const struct {
    const char* name;
    const State& state;
    int32_t width, height;
    std::string expected;
  } rows[] = {
      {"shrink", twoSideBySide, 800, 600, "LVDS1@0,0*1=800x600@60 LVDS2@800,0*1=1280x1024@60"},
      {"grow", twoSideBySide, 1280, 1024, "LVDS1@0,0*1=1280x1024@60 LVDS2@1280,0*1=1280x1024@60"},
      {"below", oneBelow, 1024, 768, "LVDS1@0,0*1=1024x768@60 LVDS2@0,768*1=1280x1024@60"},
      {"left of the primary", primaryRight, 800, 600, "LVDS1@0,0*1=1280x1024@60 LVDS2@1280,0*1=800x600@60"},
      {"rotated: asked as shown", rotated, 768, 1024, "LVDS1@0,0*1=1024x768@60 LVDS2@768,0*1=1280x1024@60"},
      {"rotated: not as listed", rotated, 1024, 768, "refused: "},
      {"nowhere to go", nowhere, 800, 600, "refused: the other monitors cannot stay beside LVDS1 at 800x600"},
      {"mirrored", mirrored, 800, 600, "LVDS1@0,0*1=800x600@60+LVDS2=800x600@60"},
      {"mirror lacking", mirrorLacking, 800, 600, "refused: LVDS2 has no 800x600 mode to mirror LVDS1"},
      {"no such size", twoSideBySide, 640, 480, "refused: "},
      {"fractional", fractional, 1280, 800,
       "LVDS1@0,0*1.49533=1280x800@60 LVDS2@856,0*1=1280x1024@60 layout 1"},
      {"fractional in force", fractional, 2560, 1600,
       "LVDS1@0,0*1.50235=2560x1600@60 LVDS2@1704,0*1=1280x1024@60 layout 1"},
      {"muffin's global UI", globalUi, 1280, 800,
       "LVDS1@0,0*1.49533=1280x800@60 LVDS2@856,0*1=1280x1024@60 layout 3"},
      {"physical kept", physical, 1920, 1200,
       "LVDS1@0,0*2=1920x1200@60 LVDS2@1920,0*1=1280x1024@60 layout 2"},
      {"hidpi to a size without 2", physical, 1024, 768,
       "LVDS1@0,0*1=1024x768@60 LVDS2@1024,0*1=1280x1024@60 layout 2"},
      {"global scale", global, 1920, 1200, "LVDS1@0,0*2=1920x1200@60 LVDS2@1920,0*2=1280x1024@60"},
      {"global scale both accept", global, 1024, 768, "LVDS1@0,0*1=1024x768@60 LVDS2@1024,0*1=1280x1024@60"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(Render(PlanSwitch(row.state, row.width, row.height)), row.expected) << row.name;
}

TEST(PlanSwitch, TheScaleTheUserHadComesBack) {
  const Monitor hidpi = Dummy("LVDS1", {"1024x768@60", "1280x800@60", "1920x1200@60", "2560x1600@60*"},
                              {{1}, {1}, {1, 2}, {1, 2, 3}});
  const auto at = [&](double scale, int current) {
    Monitor monitor = hidpi;
    for (size_t i = 0; i < monitor.modes.size(); ++i)
      monitor.modes[i].current = static_cast<int>(i) == current;
    return State{{monitor}, {{0, 0, scale, 0, true, {"LVDS1"}}}};
  };
  const KeptScale twoGaveOne{"LVDS1", 2, 1};
  const struct {
    const char* name;
    State state;
    int32_t width, height;
    std::optional<KeptScale> kept, expectedKeep;
    double expectedScale;
  } rows[] = {
      {"2 not offered: kept", at(2, 3), 1280, 800, std::nullopt, twoGaveOne, 1},
      {"still not offered", at(1, 1), 1024, 768, twoGaveOne, twoGaveOne, 1},
      {"offered again: given back", at(1, 0), 2560, 1600, twoGaveOne, std::nullopt, 2},
      {"the user chose 3 since", at(3, 3), 1920, 1200, twoGaveOne, KeptScale{"LVDS1", 3, 2}, 2},
      {"another monitor's", at(1, 0), 2560, 1600, KeptScale{"DP-1", 2, 1}, std::nullopt, 1},
      {"offered, nothing kept", at(2, 3), 1920, 1200, std::nullopt, std::nullopt, 2},
  };
  for (const auto& row : rows) {
    const Plan plan = PlanSwitch(row.state, row.width, row.height, 0, row.kept);
    ASSERT_TRUE(plan.config) << row.name;
    EXPECT_EQ(plan.config->logicalMonitors[0].scale, row.expectedScale) << row.name;
    EXPECT_EQ(plan.keep, row.expectedKeep) << row.name;
  }
}

TEST(AppliedPropertyName, CarriesWhatEachServiceTakesBack) {
  const struct {
    const linuxp::DisplayConfigService& service;
    std::string reported;
    std::optional<std::string> applied;
  } rows[] = {{linuxp::kGnomeDisplayConfig, "is-underscanning", "enable_underscanning"},
              {linuxp::kGnomeDisplayConfig, "color-mode", "color-mode"},
              {linuxp::kGnomeDisplayConfig, "rgb-range", "rgb-range"},
              {linuxp::kGnomeDisplayConfig, "is-builtin", std::nullopt},
              {linuxp::kGnomeDisplayConfig, "display-name", std::nullopt},
              {linuxp::kGnomeDisplayConfig, "min-refresh-rate", std::nullopt},
              {linuxp::kCinnamonDisplayConfig, "is-underscanning", "enable_underscanning"},
              {linuxp::kCinnamonDisplayConfig, "color-mode", std::nullopt}};
  for (const auto& row : rows)
    EXPECT_EQ(AppliedPropertyName(row.service, row.reported), row.applied)
        << row.service.name << " " << row.reported;
}

}  // namespace
