// Runs one phase of the start-up logic once, for profiling how its work grows with the number
// of listed modes (bench/scaling.py runs it under callgrind):
//
//   velmora_work_counts catalogue|menu|startup|switch|showcurrent LISTED [REPEAT]
//
// Prints the heap allocations the phase made, which grow linearly when nothing re-copies.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "bench/mode_listing.h"
#include "display/mode_catalogue.h"
#include "fake/fake_platform.h"
#include "menu/mode_menu.h"
#include "ui/frm_main.h"

namespace {
bool counting = false;
std::size_t allocations = 0;
std::size_t allocatedBytes = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (counting) {
    ++allocations;
    allocatedBytes += size;
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

// The measured region: callgrind collects only inside these (--toggle-collect=Measured*).
extern "C" __attribute__((noinline)) void MeasuredCatalogue(FakeDisplay& display, ModeTable& out) {
  out = BuildCatalogue(display);
}
extern "C" __attribute__((noinline)) void MeasuredMenu(const ModeTable& table, MenuArray& menu,
                                                       std::vector<int32_t>& index) {
  BuildMenu(table, menu, index);
}
extern "C" __attribute__((noinline)) void MeasuredStartUp(frmMain& form) {
  try {
    form.Start();
  } catch (const ProgramEnded&) {
  }
}
extern "C" __attribute__((noinline)) void MeasuredShowCurrent(frmMain& form) { form.ShowCurrentMode(); }

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s catalogue|menu|startup|switch|showcurrent LISTED [REPEAT]\n", argv[0]);
    return 2;
  }
  const std::string phase = argv[1];
  const auto listed = static_cast<std::size_t>(std::strtoul(argv[2], nullptr, 10));
  const int repeat = argc > 3 ? std::atoi(argv[3]) : 1;

  FakePlatform fake;
  fake.display.modes = ModeListing(listed);
  fake.display.current = Mode(1024, 768, 32);
  if (phase == "switch") fake.runtime.command = u"/s1024,768,16";

  std::size_t items = 0;
  for (int r = 0; r < repeat; ++r) {
    fake.shell.calls.clear();
    if (phase == "catalogue") {
      ModeTable table;
      counting = true;
      MeasuredCatalogue(fake.display, table);
      counting = false;
      items = table.size();
    } else if (phase == "menu") {
      const ModeTable table = BuildCatalogue(fake.display);
      MenuArray menu;
      std::vector<int32_t> index;
      counting = true;
      MeasuredMenu(table, menu, index);
      counting = false;
      items = menu.Elements().size();
    } else if (phase == "startup" || phase == "switch") {
      frmMain form(fake.platform());
      counting = true;
      MeasuredStartUp(form);
      counting = false;
      items = form.mnuDisplayMode.Elements().size();
    } else if (phase == "showcurrent") {
      frmMain form(fake.platform());
      form.Tray().Init(fake.runtime.FormHwnd(), fake.runtime.miniIcon, u"Velmora", 1);
      form.BuildModeMenu();
      counting = true;
      MeasuredShowCurrent(form);
      counting = false;
      items = form.MenuModeIndex.size();
    } else {
      std::fprintf(stderr, "unknown phase %s\n", phase.c_str());
      return 2;
    }
  }
  std::printf("phase=%s listed=%zu distinct=%zu items=%zu allocations=%zu bytes=%zu\n", phase.c_str(), listed,
              DistinctUsableModes(fake.display.modes), items, allocations / static_cast<std::size_t>(repeat),
              allocatedBytes / static_cast<std::size_t>(repeat));
  return 0;
}
