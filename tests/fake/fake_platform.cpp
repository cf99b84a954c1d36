#include "fake/fake_platform.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
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
  enumerated.push_back(modeNum);
  if (modeNum == ENUM_CURRENT_SETTINGS) {
    if (readCurrentFails) return 0;
    record = current;
    return 1;
  }
  if (modeNum < 0 || modeNum >= static_cast<int32_t>(modes.size())) return 0;  // record untouched
  record = modes[static_cast<size_t>(modeNum)];
  return 1;
}

int32_t FakeDisplay::Change(DisplayModeRecord& record, int32_t flags) {
  applied.push_back(record);
  appliedFlags.push_back(flags);
  int32_t result = 0;
  if (!changeResults.empty()) {
    result = changeResults.front();
    changeResults.erase(changeResults.begin());
  }
  if (result == 0) {
    current.dmPelsWidth = record.dmPelsWidth;
    current.dmPelsHeight = record.dmPelsHeight;
    current.dmBitsPerPel = record.dmBitsPerPel;
  }
  return result;
}

int32_t FakeShell::NotifyIcon(int32_t message, NotifyIconBuffer& data) {
  calls.push_back({message, data});
  return result;
}

int FakeShell::VisibleIcons() const {
  if (result == 0) return 0;
  std::map<std::pair<int32_t, int32_t>, bool> shown;
  for (const Call& c : calls) {
    int32_t hWnd, uID;
    std::memcpy(&hWnd, c.data.data() + 4, 4);
    std::memcpy(&uID, c.data.data() + 8, 4);
    const auto key = std::make_pair(hWnd, uID);
    if (c.message == NIM_ADD) shown[key] = true;
    if (c.message == NIM_DELETE) shown.erase(key);
  }
  return static_cast<int>(shown.size());
}

int32_t FakeSystem::SetForegroundWindow(int32_t hWnd) {
  foreground.push_back(hWnd);
  return 1;
}

int32_t FakeSystem::SystemParametersInfo(int32_t action, int32_t uiParam, int32_t fWinIni) {
  spiCalls.push_back({action, uiParam, fWinIni});
  return spiResult;
}

int32_t FakeRuntime::MsgBox(const std::u16string& prompt, int32_t buttons) {
  boxes.push_back({prompt, buttons});
  log.push_back("MsgBox");
  if (onMsgBox) onMsgBox();
  return 1;
}

void FakeRuntime::DoEvents() {
  ++doEventsCalls;
  if (onDoEvents) {
    auto pending = std::exchange(onDoEvents, nullptr);  // each scripted event is delivered once
    pending();
  }
}

int32_t FakeRuntime::Shell(const std::u16string& commandLine, int32_t windowStyle) {
  launches.push_back({commandLine, windowStyle});
  if (launchFails) throw ProgramError(kErrFileNotFound);
  return 4242;
}

int32_t FakeRuntime::PopupMenu(const MenuArray& menu) {
  popups.push_back(menu.Elements());
  log.push_back("Popup");
  return onPopup ? onPopup(menu) : -1;
}

void FakeRuntime::SetFormVisible(bool visible) {
  visibility.push_back(visible);
  log.push_back("Visible");
}

namespace {
std::string Convert(const char* to, const char* from, const char* data, size_t size) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open");
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
  std::u16string out(wide.size() / 2, u'\0');
  std::memcpy(out.data(), wide.data(), out.size() * 2);
  return out;
}

std::u16string U16(std::string_view utf8) {
  const std::string wide = Convert("UTF-16LE", "UTF-8", utf8.data(), utf8.size());
  std::u16string out(wide.size() / 2, u'\0');
  std::memcpy(out.data(), wide.data(), out.size() * 2);
  return out;
}
