// Micro-benchmarks of the start-up logic over the fake platform.
//
//   build/host/bench/velmora_bench
//
// Listing sizes are the number of records the fake driver lists; the catalogue keeps about a
// third of them (each mode is listed at two to four refresh rates).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/exit_status.h"
#include "bench/mode_listing.h"
#include "display/mode_catalogue.h"
#include "fake/fake_platform.h"
#include "menu/mode_menu.h"
#include "ui/frm_main.h"

namespace {

// The listing sizes the scaling benchmarks run at, in microseconds, with the fitted complexity.
void ListingSizes(benchmark::internal::Benchmark* b) {
  for (int64_t size : {50, 500, 1000, 2000, 5000}) b->Arg(size);
  b->Unit(benchmark::kMicrosecond)->Complexity();
}

void ListingCounters(benchmark::State& state, const std::vector<DisplayModeRecord>& listing) {
  state.counters["listed"] = static_cast<double>(listing.size());
  state.counters["distinct"] = static_cast<double>(DistinctUsableModes(listing));
}

// Catalogue phase: enumeration, filter, duplicate test, trim, the two exchange sorts.
void BM_Catalogue(benchmark::State& state) {
  FakeDisplay display;
  display.modes = ModeListing(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    ModeTable table = BuildCatalogue(display);
    benchmark::DoNotOptimize(table.data());
  }
  ListingCounters(state, display.modes);
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Catalogue)->Apply(ListingSizes);

// Menu phase: mode items, separators, MenuModeIndex and the command block, from a sorted catalogue.
void BM_Menu(benchmark::State& state) {
  FakeDisplay display;
  display.modes = ModeListing(static_cast<std::size_t>(state.range(0)));
  const ModeTable table = BuildCatalogue(display);
  for (auto _ : state) {
    MenuArray menu;
    std::vector<int32_t> menuModeIndex;
    const int16_t commandBase = BuildMenu(table, menu, menuModeIndex);
    benchmark::DoNotOptimize(commandBase);
    benchmark::DoNotOptimize(menu.Elements().data());
  }
  ListingCounters(state, display.modes);
  state.counters["items"] = static_cast<double>(table.size());
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Menu)->Apply(ListingSizes);

// The whole start-up logic without "/s": About labels, tray icon, catalogue, menu, tick and tooltip.
void BM_StartUp(benchmark::State& state) {
  FakePlatform fake;
  fake.display.modes = ModeListing(static_cast<std::size_t>(state.range(0)));
  fake.display.current = Mode(1024, 768, 32);
  for (auto _ : state) {
    fake.shell.calls.clear();
    frmMain form(fake.platform());
    form.Start();
    benchmark::DoNotOptimize(form.MenuModeIndex.data());
  }
  ListingCounters(state, fake.display.modes);
}
BENCHMARK(BM_StartUp)->Arg(500)->Unit(benchmark::kMicrosecond);

// The same start-up with "/s1024,768,16": reading the three numbers, looking the caption up in
// the menu, applying the mode, unloading; ends in ProgramEnded.
void BM_StartUpWithSwitch(benchmark::State& state) {
  FakePlatform fake;
  fake.display.modes = ModeListing(static_cast<std::size_t>(state.range(0)));
  const DisplayModeRecord start = Mode(1024, 768, 32);
  fake.runtime.command = u"/s1024,768,16";
  int ended = 0;
  for (auto _ : state) {
    fake.display.applied.clear();
    fake.display.appliedFlags.clear();
    fake.shell.calls.clear();
    fake.display.current = start;
    frmMain form(fake.platform());
    try {
      form.Start();
    } catch (const ProgramEnded& e) {
      ended += e.exitCode == kExitOk ? 1 : 0;
    }
  }
  if (ended != static_cast<int>(state.iterations()))
    state.SkipWithError("the /s path did not apply the mode");
  ListingCounters(state, fake.display.modes);
}
BENCHMARK(BM_StartUpWithSwitch)->Arg(500)->Unit(benchmark::kMicrosecond);

// The "/s" path alone on a built form (500 listed modes): reading, look-up, ChangeMode, unload.
void BM_CommandLinePath(benchmark::State& state) {
  FakePlatform fake;
  fake.display.modes = ModeListing(static_cast<std::size_t>(state.range(0)));
  fake.display.current = Mode(1024, 768, 32);
  fake.runtime.command = u"/s1024,768,16";
  frmMain form(fake.platform());
  form.Tray().Init(fake.runtime.FormHwnd(), fake.runtime.miniIcon, u"Velmora", 1);
  form.BuildModeMenu();
  for (auto _ : state) {
    fake.display.applied.clear();
    fake.display.appliedFlags.clear();
    fake.shell.calls.clear();
    fake.display.current = Mode(1024, 768, 32);
    try {
      form.CommandLineMode();
    } catch (const ProgramEnded&) {
    }
  }
  if (fake.display.applied.empty()) state.SkipWithError("no mode applied");
  state.counters["menu_items"] = static_cast<double>(form.MenuModeIndex.size());
}
BENCHMARK(BM_CommandLinePath)->Arg(500)->Unit(benchmark::kMicrosecond);

// ShowCurrentMode on a menu whose mode area holds 200 items: 198 modes (66 sizes at 8, 16 and
// 32 bits) and the 2 separators between the depth groups.
void BM_ShowCurrentMode(benchmark::State& state) {
  FakePlatform fake;
  fake.display.current = Mode(1024, 768, 32);
  frmMain form(fake.platform());
  ModeTable table;
  for (int32_t depth : {8, 16, 32})
    for (int32_t k = 0; k < 66; ++k)
      table.push_back({640 + 16 * k, 480 + 8 * k, depth, static_cast<int32_t>(table.size())});
  table[static_cast<size_t>(2 * 66 + 24)] = {1024, 768, 32, 2 * 66 + 24};  // the mode in force is in the menu
  form.CommandBase = BuildMenu(table, form.mnuDisplayMode, form.MenuModeIndex);
  form.Tray().Init(fake.runtime.FormHwnd(), fake.runtime.miniIcon, u"Velmora", 1);
  for (auto _ : state) {
    fake.shell.calls.clear();
    form.ShowCurrentMode();
  }
  int ticked = 0;
  for (const auto& e : form.mnuDisplayMode.Elements()) ticked += e.checked ? 1 : 0;
  if (ticked != 1) state.SkipWithError("expected exactly one ticked item");
  state.counters["mode_area"] = static_cast<double>(form.MenuModeIndex.size());
  state.counters["menu_items"] = static_cast<double>(form.mnuDisplayMode.Elements().size());
}
BENCHMARK(BM_ShowCurrentMode)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
