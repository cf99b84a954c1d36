#include "platform/win32/win_display_settings.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/win32/windows_api.h"

namespace win32 {
namespace {

// The display calls stay ANSI: the record's only texts, the device and form names, are ASCII.
static_assert(sizeof(DisplayModeRecord) <= sizeof(DEVMODEA));
static_assert(offsetof(DEVMODEA, dmPelsWidth) == offsetof(DisplayModeRecord, dmPelsWidth));
static_assert(offsetof(DEVMODEA, dmDisplayFrequency) == offsetof(DisplayModeRecord, dmDisplayFrequency));

// The record travels in a zeroed full-size DEVMODEA, followed by as many zero bytes as the
// record's dmDriverExtra announces, so the service never reads past the buffer. dmSize is
// left as the record has it: the first enumeration goes out with 0 and the service fills it.
class ModeBuffer {
 public:
  explicit ModeBuffer(const DisplayModeRecord& record) : bytes_(sizeof(DEVMODEA) + record.dmDriverExtra) {
    std::memcpy(bytes_.data(), &record, sizeof record);
  }
  DEVMODEA* get() { return reinterpret_cast<DEVMODEA*>(bytes_.data()); }
  void CopyTo(DisplayModeRecord& record) const { std::memcpy(&record, bytes_.data(), sizeof record); }

 private:
  std::vector<unsigned char> bytes_;
};

}  // namespace

int32_t WinDisplaySettings::Enumerate(int32_t modeNum, DisplayModeRecord& record) {
  ModeBuffer buffer(record);
  const BOOL found = EnumDisplaySettingsA(nullptr, static_cast<DWORD>(modeNum), buffer.get());
  buffer.CopyTo(record);
  return found;
}

int32_t WinDisplaySettings::Change(DisplayModeRecord& record, int32_t flags) {
  ModeBuffer buffer(record);
  const LONG result = ChangeDisplaySettingsA(buffer.get(), static_cast<DWORD>(flags));
  buffer.CopyTo(record);
  return result;
}

}  // namespace win32
