// Feeds arbitrary bytes as the command-line text through start-up and the "/s" path over the fake
// platform, under the address and undefined-behaviour sanitizers. Whatever the text, the program
// never lets an exception escape, ends exactly when the text holds "/s" and then with one of its exit
// statuses, shows at most one box and applies at most one mode. What a given text does is the unit
// tests' business. The bytes are read twice: each byte as one UTF-16 unit (so that the text seeds reach
// the number reading), and each little-endian pair as one unit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

#include "fake/fake_platform.h"
#include "ui/frm_main.h"

namespace {

// Every code the display can answer to an apply, the documented ones and a few beyond.
constexpr int32_t kChangeResults[] = {0, 1, -1, -2, -3, -4, -5, 2, -6, INT32_MAX, INT32_MIN};

void RunOnce(const std::u16string& command, int32_t result) {
  FakePlatform fake;
  fake.display.modes = {Mode(1024, 768, 16), Mode(640, 480, 16), Mode(800, 600, 32, 60),
                        Mode(800, 600, 32, 75)};
  fake.display.current = Mode(800, 600, 32);
  fake.display.changeResults = {result};
  fake.runtime.command = command;
  frmMain form(fake.platform());
  const int status = ExitStatusOf([&] { form.Start(); });
  const bool ended = status != -1, hasSwitch = command.find(u"/s") != std::u16string::npos;
  if (ended != hasSwitch || status < -1 || status > 5 || fake.runtime.boxes.size() > 1 ||
      fake.display.applied.size() > 1 || form.HasTray() == ended)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t result = kChangeResults[size % std::size(kChangeResults)];
  RunOnce(std::u16string(data, data + size), result);
  std::u16string units(size / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  RunOnce(units, result);
  return 0;
}
