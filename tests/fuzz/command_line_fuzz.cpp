// Feeds arbitrary bytes as the command-line text through the whole start-up and the "/s" path,
// over the fake platform, and checks what the program must do whatever the text:
// - with "/s" in the text the program always ends, without it it stays resident untouched;
// - the tray icon is added once and removed before the end;
// - at most one message box, and only one of the program's own texts: the syntax box, the
//   general error box, or one of the display-change messages, each with its own button value
//   and the exit status that belongs to it;
// - at most one mode applied, always one the menu offers, with the mode fields only;
// - the menu is left as start-up built it: ticks only on mode items, the command block intact.
// The bytes are read twice: as UTF-16 code units (little-endian pairs), and as UTF-8 decoded to
// UTF-16 so that mostly-ASCII inputs and the text seeds reach the number reading directly.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "app/exit_status.h"
#include "app/runtime_error.h"
#include "display/mode_change.h"
#include "fake/fake_platform.h"
#include "menu/mode_menu.h"
#include "ui/frm_main.h"

namespace {

const std::u16string kSyntaxBox =
    u"パラメータの構文が間違っています。\r\nReadme.txtで設定方法をご確認ください。";
const std::u16string kOverflowDescription = u"オーバーフローしました。";

struct Offered {
  int32_t width, height, depth;
};
// The menu the listing below produces: 0 640x480x16, 1 1024x768x16, 2 "-", 3 800x600x32.
const Offered kMenuModes[] = {{640, 480, 16}, {1024, 768, 16}, {0, 0, 0}, {800, 600, 32}};
constexpr int16_t kCommandBase = 4;

[[noreturn]] void Fail(const char* what, const std::u16string& command) {
  std::fprintf(stderr, "\ninvariant broken: %s\ncommand (%zu UTF-16 units):", what, command.size());
  for (char16_t c : command.substr(0, 200)) std::fprintf(stderr, " %04X", static_cast<unsigned>(c));
  std::fprintf(stderr, "%s\n", command.size() > 200 ? " ..." : "");
  std::abort();
}

#define CHECK(cond)                    \
  do {                                 \
    if (!(cond)) Fail(#cond, command); \
  } while (0)

std::u16string FromUtf16Units(const uint8_t* data, size_t size) {
  std::u16string out(size / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  return out;
}

// UTF-8 to UTF-16; a byte that starts no valid sequence becomes U+FFFD.
std::u16string FromUtf8(const uint8_t* data, size_t size) {
  std::u16string out;
  size_t i = 0;
  while (i < size) {
    const uint8_t b = data[i];
    uint32_t cp = 0xFFFD;
    size_t need = 0;
    if (b < 0x80)
      cp = b;
    else if ((b & 0xE0) == 0xC0)
      cp = b & 0x1F, need = 1;
    else if ((b & 0xF0) == 0xE0)
      cp = b & 0x0F, need = 2;
    else if ((b & 0xF8) == 0xF0)
      cp = b & 0x07, need = 3;
    size_t k = 1;
    for (; k <= need && i + k < size && (data[i + k] & 0xC0) == 0x80; ++k)
      cp = (cp << 6) | (data[i + k] & 0x3F);
    if (k <= need) cp = 0xFFFD, k = 1;  // cut or malformed sequence: one replacement, go on after the lead
    i += k;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

bool StartsWith(const std::u16string& s, const std::u16string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// The general error box: five lines, the source, a decimal number, a description, the version.
// Returns the error number, or -1 when the text does not have that shape.
int64_t GeneralBoxNumber(const std::u16string& text, std::u16string* description) {
  const std::u16string head = u"エラーです。\r\nオブジェクト : ";
  const std::u16string numberLabel = u"\r\nエラー番号   : ";
  const std::u16string tail = u"\r\nVer 1.90";
  if (!StartsWith(text, head) || text.size() < head.size() + tail.size() ||
      text.compare(text.size() - tail.size(), tail.size(), tail) != 0)
    return -1;
  const size_t labelAt = text.find(numberLabel, head.size());
  if (labelAt == std::u16string::npos) return -1;
  size_t at = labelAt + numberLabel.size();
  int64_t number = 0;
  size_t digits = 0;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9' && digits < 10; ++at, ++digits)
    number = number * 10 + (text[at] - u'0');
  if (digits == 0 || text.compare(at, 2, u"\r\n") != 0) return -1;
  const size_t descStart = at + 2;
  const size_t descEnd = text.size() - tail.size();
  if (descEnd <= descStart) return -1;
  *description = text.substr(descStart, descEnd - descStart);
  if (description->find(u"\r\n") != std::u16string::npos) return -1;
  return number;
}

// Every code the display can answer to an apply, the documented ones and a few beyond.
constexpr int32_t kChangeResults[] = {0, 1, -1, -2, -3, -4, -5, 2, -6, INT32_MAX, INT32_MIN};

void RunOnce(const std::u16string& command, int32_t result) {
  FakePlatform fake;
  fake.display.modes = {Mode(1024, 768, 16), Mode(640, 400, 16),     Mode(800, 600, 32, 60),
                        Mode(640, 480, 16),  Mode(800, 600, 32, 75), Mode(1024, 768, 4)};
  fake.display.current = Mode(800, 600, 32);
  fake.display.changeResults = {result};
  fake.runtime.command = command;
  frmMain form(fake.platform());

  bool ended = false;
  int exitCode = -1;
  try {
    form.Start();
  } catch (const ProgramEnded& e) {
    ended = true;
    exitCode = e.exitCode;
  } catch (...) {
    Fail("an exception escaped the start-up", command);
  }

  // The menu is the one start-up built, whatever the command line did.
  CHECK(form.CommandBase == kCommandBase);
  CHECK(form.mnuDisplayMode.UBound() == kCommandBase + 7);
  int ticks = 0;
  for (int16_t i = 0; i < kCommandBase; ++i) {
    const Offered& m = kMenuModes[i];
    CHECK(form.mnuDisplayMode.Caption(i) == (m.width ? ModeCaption(m.width, m.height, m.depth) : u"-"));
    CHECK(!form.mnuDisplayMode.Checked(i) || m.width != 0);  // a separator is never ticked
    ticks += form.mnuDisplayMode.Checked(i) ? 1 : 0;
  }
  CHECK(ticks <= 1);
  for (int16_t k = 0; k <= 7; ++k) {
    const int16_t at = static_cast<int16_t>(kCommandBase + k);
    CHECK(form.mnuDisplayMode.Caption(at) ==
          (k == 0 ? std::u16string(u"-") : std::u16string(kCommandCaptions[k - 1])));
    CHECK(!form.mnuDisplayMode.Checked(at));
  }
  CHECK(fake.runtime.shown.empty());  // no window but message boxes
  CHECK(fake.runtime.popups.empty());
  CHECK(!fake.shell.calls.empty() && fake.shell.calls.front().first == api::NimAdd);

  const bool hasSwitch = command.find(u"/s") != std::u16string::npos;
  CHECK(ended == hasSwitch);
  if (!hasSwitch) {
    CHECK(fake.shell.Count(api::NimAdd) == 1 && fake.shell.Count(api::NimDelete) == 0);
    CHECK(fake.runtime.boxes.empty());
    CHECK(fake.display.applied.empty());
    return;
  }

  // The "/s" path: the icon is gone, at most one box, at most one mode applied.
  CHECK(fake.shell.Count(api::NimAdd) == 1 && fake.shell.Count(api::NimDelete) == 1);
  CHECK(fake.shell.calls.back().first == api::NimDelete);
  CHECK(!form.HasTray());
  CHECK(fake.runtime.boxes.size() <= 1);
  CHECK(fake.display.applied.size() <= 1);

  const bool applied = fake.display.applied.size() == 1;
  if (applied) {
    const DisplayModeRecord& r = fake.display.applied[0];
    bool offered = false;
    for (const Offered& m : kMenuModes)
      offered = offered || (m.width != 0 && r.dmPelsWidth == m.width && r.dmPelsHeight == m.height &&
                            r.dmBitsPerPel == m.depth);
    CHECK(offered);
    CHECK(r.dmFields == (api::DmBitsPerPel | api::DmPelsWidth | api::DmPelsHeight));
    CHECK(fake.display.appliedFlags[0] == api::CdsUpdateRegistry);
  }

  // Without a comma the width text cannot be taken: always the syntax box.
  if (command.find(u',') == std::u16string::npos) {
    CHECK(fake.runtime.boxes.size() == 1);
    CHECK(fake.runtime.boxes[0].first == kSyntaxBox);
  }

  if (fake.runtime.boxes.empty()) {
    if (applied) {
      CHECK(ChangeResultMessage(result) == nullptr);
      CHECK(exitCode == (result == 0 ? kExitOk : kExitNotApplied));
    } else {
      CHECK(exitCode == kExitNoMatch);
    }
    return;
  }

  const auto& [prompt, buttons] = fake.runtime.boxes[0];
  std::u16string description;
  if (prompt == kSyntaxBox) {
    CHECK(buttons == vbCritical);
    CHECK(!applied);
    CHECK(exitCode == kExitSyntax);
  } else if (const int64_t number = GeneralBoxNumber(prompt, &description); number >= 0) {
    CHECK(buttons == vbCritical);
    CHECK(!applied);
    CHECK(exitCode == kExitError);
    // Over the fake platform the only error besides the syntax error is a number out of range.
    CHECK(number == kErrOverflow);
    CHECK(description == kOverflowDescription);
    CHECK(prompt.find(u"オブジェクト : Velmora\r\n") != std::u16string::npos);
  } else {
    // Otherwise it must be the display-change message for the code the display returned.
    CHECK(applied);
    CHECK(ChangeResultMessage(result) != nullptr && prompt == ChangeResultMessage(result));
    CHECK(buttons == vbOKOnly);
    CHECK(exitCode == (result == api::DispChangeRestart ? kExitRestart : kExitNotApplied));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t result = kChangeResults[size % std::size(kChangeResults)];
  RunOnce(FromUtf8(data, size), result);
  RunOnce(FromUtf16Units(data, size), result);
  return 0;
}
