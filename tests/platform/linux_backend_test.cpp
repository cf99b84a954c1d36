// What the Linux display backends share and decide before they read or write anything: the desktop and
// backend, the X output a switch targets, what a change record asks for, the list an index names, and when
// a kept reading of the desktop's state is read again.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/linux/rules/desktop.h"
#include "platform/linux/rules/display_config_service.h"
#include "platform/linux/rules/kept_mode.h"
#include "platform/linux/rules/kept_state.h"
#include "platform/linux/rules/listed_modes.h"
#include "platform/linux/rules/mate_monitors.h"
#include "platform/linux/rules/mode_record.h"
#include "platform/linux/rules/monitor_layout.h"
#include "platform/linux/rules/store_put_back.h"
#include "platform/linux/rules/target_output.h"
#include "platform/linux/rules/xfce_displays.h"

namespace {

using namespace linuxp;

TEST(Desktop, BackendQtPlatformAndFamily) {
  const DisplayConfigService* gnome = &kGnomeDisplayConfig;
  const DisplayConfigService* cinnamon = &kCinnamonDisplayConfig;
  const struct {
    const DisplayConfigService* displayConfig;
    bool wayland, gnomeShell;
    DisplayBackend backend;
    std::string platform;
    bool onlyXWayland, gnomeServices;
    Desktop desktop;
  } rows[] = {
      {gnome, true, true, DisplayBackend::kDisplayConfig, "wayland;xcb", false, true, Desktop::kGnomeShell},
      {gnome, false, true, DisplayBackend::kDisplayConfig, "xcb", false, true, Desktop::kGnomeShell},
      {gnome, true, false, DisplayBackend::kDisplayConfig, "wayland;xcb", false, true,
       Desktop::kOtherWayland},
      {cinnamon, false, false, DisplayBackend::kDisplayConfig, "xcb", false, false, Desktop::kX11},
      {nullptr, false, false, DisplayBackend::kX11, "xcb", false, false, Desktop::kX11},
      {nullptr, true, false, DisplayBackend::kX11, "xcb", true, false, Desktop::kOtherWayland},
  };
  for (const auto& row : rows) {
    const Session session{row.displayConfig, row.wayland};
    const std::string name =
        (row.displayConfig ? row.displayConfig->desktop : "none") + std::to_string(row.wayland);
    EXPECT_EQ(ChooseDisplayBackend(session), row.backend) << name;
    EXPECT_EQ(QtPlatform(session), row.platform) << name;
    EXPECT_EQ(OnlyXWayland(session), row.onlyXWayland) << name;
    EXPECT_EQ(GnomeSessionServices(session), row.gnomeServices) << name;
    EXPECT_EQ(WhichDesktop(row.gnomeShell, row.wayland), row.desktop) << name;
  }
}

TEST(ChooseDisplayConfig, TheOwnedServiceOfTheDesktopNamedElseTheFirst) {
  const struct {
    bool gnome, cinnamon;
    const char* currentDesktop;
    const DisplayConfigService* expected;
  } rows[] = {
      {true, false, "X-Cinnamon", &kGnomeDisplayConfig},
      {false, true, "GNOME", &kCinnamonDisplayConfig},
      {true, true, "X-Cinnamon", &kCinnamonDisplayConfig},
      {true, true, "cinnamon", &kCinnamonDisplayConfig},
      {true, true, "ubuntu:GNOME", &kGnomeDisplayConfig},
      {true, true, "XFCE", &kGnomeDisplayConfig},
      {true, true, "", &kGnomeDisplayConfig},
      {false, false, "GNOME", nullptr},
      {true, true, "X-CinnamonFork", &kGnomeDisplayConfig},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ChooseDisplayConfig({row.gnome, row.cinnamon}, row.currentDesktop), row.expected)
        << row.gnome << row.cinnamon << " " << row.currentDesktop;
}

TEST(StoresChoice, OnlyWhereTheDesktopAsksToKeepIt) {
  EXPECT_TRUE(StoresChoice(kGnomeDisplayConfig, false));  // mutter keeps it unasked
  EXPECT_TRUE(StoresChoice(kCinnamonDisplayConfig, true));
  EXPECT_FALSE(StoresChoice(kCinnamonDisplayConfig, false));
}

TEST(KeptMode, OnlyWhereTheDesktopKeepsNoneAppliedAtStartDroppedWhenReplaced) {
  for (const char* desktop : {"GNOME", "X-Cinnamon", "LXQt", "Budgie:GNOME"})
    EXPECT_EQ(WhoKeepsChoice(desktop), ChoiceKeeper::kDesktop) << desktop;
  EXPECT_EQ(WhoKeepsChoice("XFCE"), ChoiceKeeper::kXfconf);
  EXPECT_EQ(WhoKeepsChoice("MATE"), ChoiceKeeper::kMateMonitors);
  EXPECT_EQ(WhoKeepsChoice("KDE"), ChoiceKeeper::kKScreen);
  for (const char* desktop : {"", "i3", "openbox"})
    EXPECT_EQ(WhoKeepsChoice(desktop), ChoiceKeeper::kVelmora) << desktop;
  const KeptMode kept{800, 600, 60};
  EXPECT_EQ(AtStart(std::nullopt, 1024, 768, true), KeptModeStep::kNothing);
  EXPECT_EQ(AtStart(kept, 1024, 768, true), KeptModeStep::kApply);
  EXPECT_EQ(AtStart(kept, 800, 600, true), KeptModeStep::kNothing);
  EXPECT_EQ(AtStart(kept, 1024, 768, false), KeptModeStep::kDrop);  // no longer offered: never forced
  EXPECT_EQ(AfterChange(kept, 800, 600), KeptModeStep::kNothing);   // velmora's own switch
  EXPECT_EQ(AfterChange(kept, 640, 480), KeptModeStep::kDrop);      // the user's, with another tool
  EXPECT_EQ(AfterChange(std::nullopt, 640, 480), KeptModeStep::kNothing);
}

TEST(XfceEntries, ACompleteEntryPerOutputKeepingWhatIsNotVelmoras) {
  const std::vector<OutputPlacement> outputs{{"DUMMY0", 1024, 768, 60.004, 0, 0, 0, true},
                                             {"DUMMY1", 1280, 1024, 75.0, 1024, 0, 90, false}};
  const XfconfProperties entries = XfceEntries(
      "Home", outputs, {{"/Home/DUMMY1/EDID", std::string("3a1f")}, {"/Home/DUMMY1/Scale/X", 2.0}});
  // clang-format off
  const XfconfProperties expected{
      {"/Home/DUMMY0", std::string("DUMMY0")}, {"/Home/DUMMY0/Active", true}, {"/Home/DUMMY0/EDID", std::string()},
      {"/Home/DUMMY0/Resolution", std::string("1024x768")}, {"/Home/DUMMY0/RefreshRate", 60.004},
      {"/Home/DUMMY0/Rotation", 0}, {"/Home/DUMMY0/Reflection", std::string("0")}, {"/Home/DUMMY0/Primary", true},
      {"/Home/DUMMY0/Scale/X", 1.0}, {"/Home/DUMMY0/Scale/Y", 1.0}, {"/Home/DUMMY0/Position/X", 0},
      {"/Home/DUMMY0/Position/Y", 0},
      {"/Home/DUMMY1", std::string("DUMMY1")}, {"/Home/DUMMY1/Active", true}, {"/Home/DUMMY1/EDID", std::string("3a1f")},
      {"/Home/DUMMY1/Resolution", std::string("1280x1024")}, {"/Home/DUMMY1/RefreshRate", 75.0},
      {"/Home/DUMMY1/Rotation", 90}, {"/Home/DUMMY1/Reflection", std::string("0")}, {"/Home/DUMMY1/Primary", false},
      {"/Home/DUMMY1/Scale/X", 2.0}, {"/Home/DUMMY1/Scale/Y", 1.0}, {"/Home/DUMMY1/Position/X", 1024},
      {"/Home/DUMMY1/Position/Y", 0}};
  // clang-format on
  EXPECT_EQ(entries, expected);
}

TEST(MateMonitors, TheConfigurationOfTheseOutputsReplacedTheOthersKept) {
  std::vector<uint8_t> edid(128, 0);
  const uint8_t start[] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00,
                           0x10, 0xac, 0x3c, 0xa0, 0x4c, 0x53, 0x41, 0x30};
  std::copy(std::begin(start), std::end(start), edid.begin());
  const EdidIdentity dell = ReadEdid(edid);
  EXPECT_EQ(std::make_tuple(dell.vendor, dell.product, dell.serial),
            std::make_tuple("DEL", 0xa03cu, 0x3041534cu));
  EXPECT_EQ(ReadEdid({}).vendor, "???");
  const std::vector<OutputPlacement> docked{{"HDMI-1", 1024, 768, 60.004, 0, 0, 0, true, dell},
                                            {"eDP-1", 1920, 1080, 59.96, 1024, 0, 90, false}};
  const std::string undocked =
      "<configuration><output name=\"eDP-1\"><width>1920</width></output>"
      "<output name=\"HDMI-1\"></output></configuration>";
  const std::string old =
      "<monitors version=\"1\">" + undocked + MateConfiguration({docked[1], docked[0]}) + "</monitors>";
  const std::string merged = MergeMateMonitors(old, docked);
  EXPECT_EQ(merged,
            "<monitors version=\"1\">\n  " + undocked + "\n" + MateConfiguration(docked) + "</monitors>\n");
  EXPECT_NE(MateConfiguration(docked).find(
                "    <output name=\"HDMI-1\">\n      <vendor>DEL</vendor>\n      "
                "<product>0xa03c</product>\n      <serial>0x3041534c</serial>\n      "
                "<width>1024</width>\n      <height>768</height>\n      <rate>60</rate>\n"),
            std::string::npos);
  EXPECT_NE(MateConfiguration(docked).find("<rotation>left</rotation>"), std::string::npos);
  EXPECT_EQ(MergeMateMonitors("", docked),
            "<monitors version=\"1\">\n" + MateConfiguration(docked) + "</monitors>\n");
}

TEST(ChooseTargetOutput, PrimaryElseFirstDrivenElseFirstConnected) {
  const struct {
    const char* name;
    unsigned long primary;
    std::vector<OutputState> outputs;
    unsigned long expected;
  } rows[] = {
      {"primary driven", 3, {{1, true, true}, {2, true, true}, {3, true, true}}, 3},
      {"no primary", 0, {{1, false, false}, {2, true, true}, {3, true, true}}, 2},
      {"primary off: a driven one", 1, {{1, true, false}, {2, true, true}}, 2},
      {"none driven: the primary", 2, {{1, true, false}, {2, true, false}}, 2},
      {"none driven, no primary", 0, {{1, false, true}, {2, true, false}, {3, true, false}}, 2},
      {"primary unplugged", 1, {{1, false, true}, {2, true, true}}, 2},
      {"nothing connected", 1, {{1, false, true}}, 0},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ChooseTargetOutput(row.primary, row.outputs), row.expected) << row.name;
}

TEST(ReadChangeRequest, FlagsDepthAndFields) {
  constexpr uint32_t all = api::DmPelsWidth | api::DmPelsHeight | api::DmBitsPerPel | kDmDisplayFrequency;
  const struct {
    const char* name;
    uint32_t fields;
    int32_t depth, flags;
    int32_t refused;
    bool width, test;
    double rate;
  } rows[] = {
      {"stored", all, 32, api::CdsUpdateRegistry, api::DispChangeSuccessful, true, false, 75},
      {"tested", all, 32, kCdsTest, api::DispChangeSuccessful, true, true, 75},
      {"other flag", all, 32, 4, api::DispChangeBadFlags},
      {"other flag beside test", all, 32, kCdsTest | 0x10, api::DispChangeBadFlags},
      {"other depth", all, 16, 0, api::DispChangeBadMode},
      {"depth not given", all & ~api::DmBitsPerPel, 16, 0, api::DispChangeSuccessful, true, false, 75},
      {"size and rate not given", api::DmBitsPerPel, 32, 0, api::DispChangeSuccessful, false, false, 0},
  };
  for (const auto& row : rows) {
    DisplayModeRecord record{};
    record.dmFields = row.fields;
    record.dmBitsPerPel = row.depth;
    record.dmPelsWidth = 1024;
    record.dmPelsHeight = 768;
    record.dmDisplayFrequency = 75;
    const ChangeRequest request = ReadChangeRequest(record, row.flags, 32);
    EXPECT_EQ(request.refused, row.refused) << row.name;
    if (row.refused != api::DispChangeSuccessful) continue;
    EXPECT_EQ(request.width, row.width ? std::optional<int32_t>(1024) : std::nullopt) << row.name;
    EXPECT_EQ(request.height, row.width ? std::optional<int32_t>(768) : std::nullopt) << row.name;
    EXPECT_EQ(request.test, row.test) << row.name;
    EXPECT_EQ(request.rate, row.rate) << row.name;
  }
}

TEST(ListedModes, IndexZeroReadsAfreshLaterIndexesKeepTheList) {
  ModeList now{"DUMMY0", {{"a", 640, 480, 60, 0}, {"b", 800, 600, 75, 2}}};
  int reads = 0;
  ListedModes listed;
  const auto enumerate = [&](int32_t index, DisplayModeRecord& record) {
    return listed.Enumerate(index, 24, record, [&] {
      ++reads;
      return now;
    });
  };
  // index, then what the output lists from the next row on; expected result, reads so far, width
  const struct {
    int32_t index;
    std::optional<ModeList> then;
    int32_t result, reads, width;
  } rows[] = {
      {-2, std::nullopt, 0, 0, 0},
      {1, ModeList{"DUMMY1", {{"c", 1024, 768, 60, 0}}}, 1, 1, 800},  // nothing kept yet: read
      {1, std::nullopt, 1, 1, 800},                                   // kept: the old list still
      {0, std::nullopt, 1, 2, 1024},                                  // index 0: the new list
      {1, std::nullopt, 0, 2, 0},                                     // past its end
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    DisplayModeRecord record{};
    EXPECT_EQ(enumerate(rows[i].index, record), rows[i].result) << "row " << i;
    EXPECT_EQ(reads, rows[i].reads) << "row " << i;
    EXPECT_EQ(record.dmPelsWidth, rows[i].width) << "row " << i;
    if (rows[i].then) now = *rows[i].then;
  }
  DisplayModeRecord record{};
  ASSERT_EQ(enumerate(0, record), 1);
  EXPECT_STREQ(record.dmDeviceName, "DUMMY1");
  EXPECT_EQ(record.dmBitsPerPel, 24);
  EXPECT_EQ(record.dmDisplayFrequency, 60u);
  EXPECT_EQ(listed.Listed(), now);
  now.modes[0].displayFlags = 2;
  listed.Forget();
  ASSERT_EQ(enumerate(0, record), 1);  // after Forget any index reads afresh
  EXPECT_EQ(record.dmDisplayFlags, 2u);
}

TEST(KeptState, ReadAgainOnlyWhenForgottenOrReadBeforeEventsRan) {
  // events: whether events can run at this call; forget: Forget() before it. Expected: read afresh.
  const struct {
    bool events, forget, reads;
  } rows[] = {
      {false, false, true},  {false, false, false},
      {true, false, true},  // read before events: stale once they run
      {true, false, false},  {true, true, true},
      {false, false, false},
  };
  KeptState<int> kept;
  int reads = 0;
  for (size_t i = 0; i < std::size(rows); ++i) {
    if (rows[i].forget) kept.Forget();
    bool fresh = false;
    const int* state = kept.Get(
        rows[i].events, [&] { return std::optional<int>(++reads); }, &fresh);
    EXPECT_EQ(fresh, rows[i].reads) << "row " << i;
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(*state, reads) << "row " << i;
    EXPECT_TRUE(kept.Kept());
  }
  kept.Forget();
  EXPECT_EQ(kept.Get(true, [] { return std::optional<int>(); }), nullptr);  // no answer: nothing kept
  EXPECT_FALSE(kept.Kept());
}

TEST(PlanSwitch, EveryMonitorKeepsThePropertiesTheServiceTakesBack) {
  layout::Monitor first{"LVDS1",
                        {{"800x600@60", 800, 600, 60, false, true, false, {1}}},
                        {{"is-underscanning", true}, {"display-name", std::string("Built-in")}}};
  layout::Monitor second{"DP-1",
                         {{"1024x768@60", 1024, 768, 60, false, true, false, {1}}},
                         {{"color-mode", uint32_t{2}}, {"rgb-range", uint32_t{1}}}};
  first.modes.push_back({"640x480@60", 640, 480, 60, false, false, false, {1}});
  const layout::State state{{first, second},
                            {{0, 0, 1, 0, true, {"LVDS1"}}, {800, 0, 1, 0, false, {"DP-1"}}}};
  const layout::Plan plan = layout::PlanSwitch(state, 640, 480);
  ASSERT_TRUE(plan.config);
  const layout::Properties kept[] = {{{"enable_underscanning", true}},
                                     {{"color-mode", uint32_t{2}}, {"rgb-range", uint32_t{1}}}};
  for (size_t i = 0; i < 2; ++i)
    EXPECT_EQ(plan.config->logicalMonitors[i].monitors.at(0).properties, kept[i]) << "monitor " << i;
}

TEST(Describe, PrintsTheConfigurationAsGdbusWould) {
  const layout::Config config{{{0,
                                0,
                                1.502347469329834,
                                0,
                                true,
                                {{"LVDS1", "2560x1600@60.000", {{"enable_underscanning", true}}},
                                 {"LVDS2", "2560x1600@60.000", {{"color-mode", uint32_t{1}}}}}},
                               {1704, 0, 1, 1, false, {{"DP-1", "1024x768@75.000", {}}}}},
                              1};
  EXPECT_EQ(
      layout::Describe(config),
      "[(0, 0, 1.502347469329834, 0, true, [('LVDS1', '2560x1600@60.000', {'enable_underscanning': true}), "
      "('LVDS2', '2560x1600@60.000', {'color-mode': 1})]), (1704, 0, 1, 1, false, [('DP-1', "
      "'1024x768@75.000', {})])] {'layout-mode': 1}");
  EXPECT_EQ(layout::Describe({}), "[] {}");
}

TEST(StorePutBack, TheDaemonsWriteUndoneOnceItIsQuiet) {
  const StoreFiles before{{"a1", "1024x768"}, {"outputs/o1", "x"}};
  const StoreRepair repair = PutBack(before, {{"a1", "800x600"}, {"outputs/o1", "x"}, {"b2", "new set"}});
  EXPECT_EQ(repair.write, (StoreFiles{{"a1", "1024x768"}}));
  EXPECT_EQ(repair.remove, std::vector<std::string>{"b2"});
  EXPECT_EQ(PutBack(before, {}).write, before);  // removed by the daemon: written again
  EXPECT_TRUE(PutBack(before, before).write.empty());
  // clang-format off
  struct { int elapsed; std::optional<int> lastWrite; bool now; } rows[] = {
      {400, std::nullopt, false}, {kStoreWaitMs, std::nullopt, true},  // never written: nothing to wait for
      {1200, 300, false}, {1300, 300, true}, {4500, 3900, false}, {4900, 3900, true}};  // quiet after a write
  // clang-format on
  for (const auto& row : rows)
    EXPECT_EQ(PutBackNow(row.elapsed, row.lastWrite), row.now)
        << row.elapsed << " " << row.lastWrite.value_or(-1);
}

}  // namespace
