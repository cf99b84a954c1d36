#include "fake/fake_platform.h"

#include "app/runtime_error.h"

DisplayModeRecord Mode(int32_t width, int32_t height, int32_t depth, uint32_t frequency) {
  DisplayModeRecord r{};
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

int32_t FakeRuntime::MsgBox(const std::u16string& prompt, int32_t buttons) {
  boxes.emplace_back(prompt, buttons);
  if (onMsgBox) onMsgBox();
  return 1;
}

int32_t FakeRuntime::Shell(const std::u16string& commandLine, int32_t windowStyle) {
  launches.push_back(commandLine + u"|" + char16_t(u'0' + windowStyle));
  if (launchFails) throw ProgramError(kErrFileNotFound);
  return 4242;
}

int32_t ErrorNumberOf(const std::function<void()>& run) try {
  return run(), 0;
} catch (const RuntimeError& e) {
  return e.Number();
}

int ExitStatusOf(const std::function<void()>& run) try { return run(), -1; } catch (const ProgramEnded& e) {
  return e.exitCode;
}
