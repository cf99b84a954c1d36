#include "gnome_system_calls.h"

#include <QDBusMessage>
#include <QProcess>
#include <optional>

#include "qt/find_tool.h"
#include "qt/settings_file.h"

namespace linuxp {
namespace {

constexpr unsigned kDefaultDelay = 300;  // GNOME's own default, seconds
constexpr int kToolTimeoutMs = 5000;
const QStringList kIdleDelay = {QStringLiteral("org.gnome.desktop.session"), QStringLiteral("idle-delay")};

// Runs gsettings with these arguments; its standard output, nothing when it failed.
std::optional<QString> GSettings(const QStringList& arguments) {
  const QString tool = FindTool(QStringLiteral("gsettings"));
  if (tool.isEmpty()) return std::nullopt;
  QProcess process;
  process.start(tool, arguments);
  if (!process.waitForFinished(kToolTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0)
    return std::nullopt;
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The idle delay in seconds; gsettings prints it as "uint32 300".
std::optional<unsigned> IdleDelay() {
  const std::optional<QString> shown = GSettings(QStringList{QStringLiteral("get")} + kIdleDelay);
  bool ok = false;
  const unsigned delay = shown ? shown->section(QLatin1Char(' '), -1).toUInt(&ok) : 0;
  return ok ? std::optional<unsigned>(delay) : std::nullopt;
}

}  // namespace

int32_t GnomeSystemCalls::SetForegroundWindow(int32_t /*hWnd*/) {
  if (activateForm) activateForm();
  return 1;
}

void GnomeSystemCalls::StartScreenSaver() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver"),
      QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("SetActive"));
  call << true;
  bus_.send(call);  // no answer is awaited: the saver shows or it does not
}

int32_t GnomeSystemCalls::SystemParameters(int32_t action, int32_t uiParam, int32_t /*fWinIni*/) {
  if (action != api::SpiSetScreenSaveActive) return 0;
  const std::optional<unsigned> delay = IdleDelay();
  if (!delay) return 0;
  // The user's own delay is kept in velmora's settings file while blanking is off, so that a later run,
  // or a later session, gives it back.
  QSettings file = SettingsFile();
  const QString kept = QStringLiteral("screensaver/idle-delay");
  unsigned wanted = 0;
  if (uiParam == 0) {
    if (*delay > 0) file.setValue(kept, *delay);
  } else {
    const unsigned saved = file.value(kept).toUInt();
    wanted = *delay > 0 ? *delay : (saved > 0 ? saved : kDefaultDelay);
  }
  GSettings(QStringList{QStringLiteral("set")} + kIdleDelay + QStringList{QString::number(wanted)});
  return IdleDelay() == wanted ? 1 : 0;
}

}  // namespace linuxp
