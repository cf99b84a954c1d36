#include "fake/fake_platform.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <stdexcept>
#include <utility>

#include "app/runtime_error.h"

DisplayModeRecord Mode(int32_t width, int32_t height, int32_t depth, uint32_t frequency) {
  DisplayModeRecord r{};
  r.dmSize = sizeof(DisplayModeRecord);
  r.dmFields = 0x5C0000;  // width, height, depth and frequency are valid
  r.dmPelsWidth = width;
  r.dmPelsHeight = height;
  r.dmBitsPerPel = depth;
  r.dmDisplayFrequency = frequency;
  return r;
}

int32_t FakeDisplay::Enumerate(int32_t modeNum, DisplayModeRecord& record) {
  if (modeNum == api::EnumCurrentSettings) return record = current, 1;
  if (modeNum < 0 || modeNum >= static_cast<int32_t>(modes.size())) return 0;  // record untouched
  record = modes[static_cast<size_t>(modeNum)];
  return 1;
}

int32_t FakeDisplay::Change(DisplayModeRecord& record, int32_t flags) {
  applied.push_back(record);
  appliedFlags.push_back(flags);
  const int32_t result = changeResults.empty() ? 0 : changeResults.front();
  if (!changeResults.empty()) changeResults.erase(changeResults.begin());
  if (result == 0) current = record;
  return result;
}

int32_t FakeShell::NotifyIcon(int32_t message, NotifyIconBuffer& data) {
  calls.emplace_back(message, data);
  return 1;
}

int FakeShell::VisibleIcons() const {
  std::map<std::pair<int32_t, int32_t>, int> shown;
  for (const auto& [message, data] : calls) {
    const auto key = std::make_pair(api::nid::Read(data, api::nid::hWnd), api::nid::Read(data, api::nid::uID));
    if (message == api::NimAdd) shown[key] = 1;
    if (message == api::NimDelete) shown.erase(key);
  }
  return static_cast<int>(shown.size());
}

int FakeShell::Count(int32_t message) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const auto& c) { return c.first == message; }));
}

int32_t FakeSystem::SetForegroundWindow(int32_t hWnd) {
  foreground.push_back(hWnd);
  return 1;
}

int32_t FakeSystem::SystemParameters(int32_t action, int32_t uiParam, int32_t fWinIni) {
  if (action != api::SpiSetScreenSaveActive || fWinIni != api::SpifUpdateIniFile) return 0;
  saverActive.push_back(uiParam);
  return spiResult;
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
  launches.push_back(commandLine + u"|" + std::u16string(1, static_cast<char16_t>(u'0' + windowStyle)));
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

namespace {
std::string Convert(const char* to, const char* from, const char* data, size_t size) {
  iconv_t cd = iconv_open(to, from);
  std::string out(size * 4 + 4, '\0');
  char* in = const_cast<char*>(data);
  char* o = out.data();
  size_t inLeft = size, outLeft = out.size();
  const size_t rc = iconv(cd, &in, &inLeft, &o, &outLeft);
  const int error = errno;
  iconv_close(cd);
  // A double-byte character cut at the end of a fixed field converts as far as it is whole.
  if (rc == static_cast<size_t>(-1) && error != EINVAL) throw std::runtime_error("iconv");
  out.resize(out.size() - outLeft);
  return out;
}
}  // namespace

std::string FakeRuntime::ToAnsi(std::u16string_view text) {
  return Convert("CP932", "UTF-16LE", reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::u16string FakeRuntime::FromAnsi(std::string_view bytes) {
  const std::string wide = Convert("UTF-16LE", "CP932", bytes.data(), bytes.size());
  return std::u16string(reinterpret_cast<const char16_t*>(wide.data()), wide.size() / 2);
}

int ExitStatusOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const ProgramEnded& e) {
    return e.exitCode;
  }
  return -1;
}
