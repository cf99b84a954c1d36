#include "fake/fake_platform.h"

#include <algorithm>
#include <utility>

#include "app/runtime_error.h"

DisplayModeRecord Mode(int32_t width, int32_t height, int32_t depth, uint32_t frequency) {
  DisplayModeRecord r{};
  r.dmSize = sizeof(DisplayModeRecord);
  r.dmFields = 0x5C0000;  // width, height, depth and frequency are valid
  r.dmPelsWidth = width, r.dmPelsHeight = height, r.dmBitsPerPel = depth, r.dmDisplayFrequency = frequency;
  return r;
}

int32_t FakeDisplay::Enumerate(int32_t modeNum, DisplayModeRecord& record) {
  if (modeNum == api::EnumCurrentSettings) return record = current, 1;
  if (modeNum < 0 || modeNum >= static_cast<int32_t>(modes.size())) return 0;  // record untouched
  return record = modes[static_cast<size_t>(modeNum)], 1;
}

int32_t FakeDisplay::Change(DisplayModeRecord& record, int32_t flags) {
  applied.push_back(record);
  appliedFlags.push_back(flags);
  const int32_t result = changeResults.empty() ? 0 : changeResults.front();
  if (!changeResults.empty()) changeResults.erase(changeResults.begin());
  if (result == 0) current = record;
  return result;
}

int FakeShell::Count(int32_t message) const {
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(), [&](const auto& c) { return c.first == message; }));
}

int32_t FakeSystem::SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) {
  if (action != api::SpiSetScreenSaveActive || fWinIni != api::SpifUpdateIniFile) return 0;
  return saverActive.push_back(uiParam), spiResult;
}

int32_t FakeRuntime::MsgBox(const std::u16string& prompt, int32_t buttons) {
  boxes.emplace_back(prompt, buttons);
  if (onMsgBox) onMsgBox();
  return 1;
}

void FakeRuntime::DoEvents() {
  if (auto pending = std::exchange(onDoEvents, nullptr)) pending();
}

int32_t FakeRuntime::Shell(const std::u16string& commandLine, int32_t windowStyle) {
  launches.push_back(commandLine + u"|" + char16_t(u'0' + windowStyle));
  if (launchFails) throw ProgramError(kErrFileNotFound);
  return 4242;
}

int32_t FakeRuntime::PopupMenu(const MenuArray& menu) {
  popups.push_back(menu.Elements());
  return onPopup ? onPopup(menu) : -1;
}

void FakeRuntime::ShowForm(const std::u16string& version, const std::u16string& notice) {
  shown.push_back(version + u"|" + notice);
}

std::string FakeRuntime::ToAnsi(std::u16string_view text) {
  std::string out;
  for (char16_t c : text)
    if (c < 0x80)
      out += static_cast<char>(c);
    else
      out += {'\x80', static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  return out;
}

std::u16string FakeRuntime::FromAnsi(std::string_view bytes) {
  std::u16string out;
  for (size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] != '\x80')
      out += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]));
    else if (i + 2 < bytes.size())
      out +=
          static_cast<char16_t>(static_cast<uint8_t>(bytes[i + 1]) << 8 | static_cast<uint8_t>(bytes[i + 2])),
          i += 2;
    else
      break;  // a character cut by the end of the field
  return out;
}

int ExitStatusOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const ProgramEnded& e) {
    return e.exitCode;
  }
  return -1;
}
