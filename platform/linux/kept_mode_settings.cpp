#include "kept_mode_settings.h"

#include <QString>
#include <cstdio>

#include "qt/settings_file.h"
#include "rules/mode_record.h"

namespace linuxp {
namespace {

QString Key(const DisplayModeRecord& current) {
  return QStringLiteral("mode/%1").arg(QString::fromUtf8(current.dmDeviceName));
}

// "WIDTHxHEIGHT@HERTZ" as the settings file keeps it.
std::optional<KeptMode> Read(const DisplayModeRecord& current) {
  KeptMode mode;
  const QString text = SettingsFile().value(Key(current)).toString();
  if (std::sscanf(text.toLatin1().constData(), "%dx%d@%u", &mode.width, &mode.height, &mode.frequency) != 3)
    return std::nullopt;
  return mode;
}

}  // namespace

int32_t KeptModeSettings::Change(DisplayModeRecord& record, int32_t flags) {
  const int32_t result = inner_.Change(record, flags);
  DisplayModeRecord current{};
  if (result != api::DispChangeSuccessful || !keeping_ || !(flags & api::CdsUpdateRegistry) ||
      (flags & kCdsTest))
    return result;
  if (storeInDesktop_) return storeInDesktop_() ? result : api::DispChangeNotUpdated;
  if (!inner_.Enumerate(api::EnumCurrentSettings, current)) return result;
  SettingsFile().setValue(Key(current), QStringLiteral("%1x%2@%3")
                                            .arg(current.dmPelsWidth)
                                            .arg(current.dmPelsHeight)
                                            .arg(current.dmDisplayFrequency));
  return result;
}

void KeptModeSettings::ApplyKept() {
  DisplayModeRecord current{};
  if (!inner_.Enumerate(api::EnumCurrentSettings, current)) return;
  const std::optional<KeptMode> kept = Read(current);
  bool offered = false;
  DisplayModeRecord listed{};
  for (int32_t i = 0; kept && inner_.Enumerate(i, listed); ++i)
    offered |= listed.dmPelsWidth == kept->width && listed.dmPelsHeight == kept->height;
  switch (AtStart(kept, current.dmPelsWidth, current.dmPelsHeight, offered)) {
    case KeptModeStep::kApply: {
      DisplayModeRecord wanted = current;
      wanted.dmPelsWidth = kept->width;
      wanted.dmPelsHeight = kept->height;
      wanted.dmDisplayFrequency = kept->frequency;
      wanted.dmFields = api::DmPelsWidth | api::DmPelsHeight | kDmDisplayFrequency;
      if (inner_.Change(wanted, 0) != api::DispChangeSuccessful) SettingsFile().remove(Key(current));
      break;
    }
    case KeptModeStep::kDrop: SettingsFile().remove(Key(current)); break;
    case KeptModeStep::kNothing: break;
  }
}

void KeptModeSettings::DisplayChanged() {
  DisplayModeRecord current{};
  if (!inner_.Enumerate(api::EnumCurrentSettings, current)) return;
  if (AfterChange(Read(current), current.dmPelsWidth, current.dmPelsHeight) == KeptModeStep::kDrop)
    SettingsFile().remove(Key(current));
}

}  // namespace linuxp
