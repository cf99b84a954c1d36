#pragma once
#include <cstddef>
#include <cstdint>

// The classic 124-byte DEVMODEA: everything up to and including dmDisplayFrequency.
// The program touches only dmFields and the three mode fields; the rest travels untouched
// from an enumeration to a later apply.
struct DisplayModeRecord {
  char dmDeviceName[32];
  uint16_t dmSpecVersion;
  uint16_t dmDriverVersion;
  uint16_t dmSize;
  uint16_t dmDriverExtra;
  uint32_t dmFields;
  uint8_t dmPositionOrPrinterFields[16];  // dmPosition, dmDisplayOrientation, dmDisplayFixedOutput
  int16_t dmColor;
  int16_t dmDuplex;
  int16_t dmYResolution;
  int16_t dmTTOption;
  int16_t dmCollate;
  char dmFormName[32];
  uint16_t dmLogPixels;
  int32_t dmBitsPerPel;
  int32_t dmPelsWidth;
  int32_t dmPelsHeight;
  uint32_t dmDisplayFlags;
  uint32_t dmDisplayFrequency;
};
static_assert(sizeof(DisplayModeRecord) == 124);
static_assert(offsetof(DisplayModeRecord, dmSize) == 36);
static_assert(offsetof(DisplayModeRecord, dmFields) == 40);
static_assert(offsetof(DisplayModeRecord, dmBitsPerPel) == 104);
static_assert(offsetof(DisplayModeRecord, dmPelsWidth) == 108);
static_assert(offsetof(DisplayModeRecord, dmPelsHeight) == 112);
static_assert(offsetof(DisplayModeRecord, dmDisplayFrequency) == 120);

// The values the display service speaks, named so that they never meet the Windows macros.
namespace api {
inline constexpr int32_t EnumCurrentSettings = -1;
inline constexpr uint32_t DmBitsPerPel = 0x40000;
inline constexpr uint32_t DmPelsWidth = 0x80000;
inline constexpr uint32_t DmPelsHeight = 0x100000;
inline constexpr int32_t CdsUpdateRegistry = 1;

inline constexpr int32_t DispChangeSuccessful = 0;
inline constexpr int32_t DispChangeRestart = 1;
inline constexpr int32_t DispChangeFailed = -1;
inline constexpr int32_t DispChangeBadMode = -2;
inline constexpr int32_t DispChangeNotUpdated = -3;
inline constexpr int32_t DispChangeBadFlags = -4;
inline constexpr int32_t DispChangeBadParam = -5;
}  // namespace api

// The display-settings service of the device the program runs on (device name always null).
class DisplaySettings {
 public:
  virtual ~DisplaySettings() = default;
  // EnumDisplaySettingsA(NULL, modeNum, record): nonzero while mode modeNum exists.
  // modeNum api::EnumCurrentSettings reads the mode in force.
  virtual int32_t Enumerate(int32_t modeNum, DisplayModeRecord& record) = 0;
  // ChangeDisplaySettingsA(record, flags): an api::DispChange* code.
  virtual int32_t Change(DisplayModeRecord& record, int32_t flags) = 0;
};
