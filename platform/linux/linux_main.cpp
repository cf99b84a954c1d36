// velmora for Linux desktops: builds the platform over Qt and either the desktop's display
// configuration service (displayconfig/) or XRandR (x11/), loads frmMain hidden and runs the event loop. "/s
// w,h,d" applies a mode and ends during start-up, as on Windows, without bringing up Qt's GUI unless it shows
// a box.
#include <unistd.h>

#include <QApplication>
#include <QDBusConnection>
#include <QSystemTrayIcon>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/exit_status.h"
#include "displayconfig/display_config_settings.h"
#include "gnome/gnome_system_calls.h"
#include "kde/kscreen_store.h"
#include "kept_mode_settings.h"
#include "mate/mate_monitors_file.h"
#include "qt/about_dialog.h"
#include "qt/gui_start.h"
#include "qt/qt_gui_runtime.h"
#include "qt/qt_tray_shell.h"
#include "qt/signal_relay.h"
#include "rules/desktop.h"
#include "tray_host_wait.h"
#include "ui/frm_main.h"
#include "x11/randr_watch.h"
#include "x11/x_display_settings.h"
#include "x11/x_system_calls.h"
#include "x11/x_window_hints.h"
#include "xfce/xfconf_displays.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv, argv + argc);  // before Qt takes its own options

  const QDBusConnection bus = QDBusConnection::sessionBus();
  std::vector<bool> owned;
  for (const linuxp::DisplayConfigService* service : linuxp::kDisplayConfigServices)
    owned.push_back(linuxp::displayconfig::Offered(bus, *service));
  const linuxp::Session session{
      linuxp::ChooseDisplayConfig(owned, qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString()),
      qEnvironmentVariableIsSet("WAYLAND_DISPLAY")};
  const bool busConfig = linuxp::ChooseDisplayBackend(session) == linuxp::DisplayBackend::kDisplayConfig;
  const bool gnomeServices = linuxp::GnomeSessionServices(session);
  std::string problem;
  // Declared first, so it outlives everything that uses it. An end through runtime.End() (std::exit)
  // skips this owner: the process's exit closes the connection then.
  linuxp::XDisplayPtr x;
  if (!gnomeServices) {
    if (linuxp::OnlyXWayland(session))
      std::fprintf(
          stderr,
          "velmora: this Wayland session offers no display configuration velmora can change (only "
          "GNOME's and Cinnamon's do); the modes shown are XWayland's, and XWayland cannot switch the real "
          "mode.\n");
    x = linuxp::OpenXDisplay(problem);
    if (!x) {
      std::fprintf(stderr, "velmora: %s\n", problem.c_str());
      return kExitError;
    }
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", linuxp::QtPlatform(session));
  // Qt's GUI comes up only when something is to be shown or the event loop is to run.
  linuxp::GuiStart gui(argc, argv);

  std::optional<linuxp::DisplayConfigSettings> busDisplay;
  std::optional<linuxp::XDisplaySettings> xDisplay;
  std::optional<linuxp::GnomeSystemCalls> gnomeSystem;
  std::optional<linuxp::XSystemCalls> xSystem;
  if (busConfig)
    busDisplay.emplace(bus, *session.displayConfig);
  else
    xDisplay.emplace(x.get());
  if (gnomeServices)
    gnomeSystem.emplace(bus);
  else
    xSystem.emplace(x.get());
  // Where neither the desktop's display service nor a settings daemon keeps the choice, velmora does; on KDE
  // the daemon keeps every change, and a switch for the session only is taken back from its store.
  std::optional<linuxp::KeptModeSettings> keptMode;
  std::optional<linuxp::KScreenSessionOnly> kscreen;
  const linuxp::ChoiceKeeper keeper =
      linuxp::WhoKeepsChoice(qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString());
  if (!busConfig && keeper == linuxp::ChoiceKeeper::kVelmora) keptMode.emplace(*xDisplay);
  if (!busConfig && keeper == linuxp::ChoiceKeeper::kXfconf)
    keptMode.emplace(*xDisplay, [&] { return linuxp::StoreInXfconf(bus, xDisplay->Outputs()); });
  if (!busConfig && keeper == linuxp::ChoiceKeeper::kMateMonitors)
    keptMode.emplace(*xDisplay, [&] { return linuxp::StoreInMateMonitors(xDisplay->Outputs()); });
  if (!busConfig && keeper == linuxp::ChoiceKeeper::kKScreen) kscreen.emplace(*xDisplay, bus);
  DisplaySettings& display = busConfig  ? static_cast<DisplaySettings&>(*busDisplay)
                             : keptMode ? static_cast<DisplaySettings&>(*keptMode)
                             : kscreen  ? static_cast<DisplaySettings&>(*kscreen)
                                        : *xDisplay;
  SystemCalls& system = gnomeServices ? static_cast<SystemCalls&>(*gnomeSystem) : *xSystem;
  linuxp::QtGuiRuntime runtime(arguments, gui);
  linuxp::QtTrayShell shell(runtime);
  frmMain form(Platform{display, shell, system, runtime});

  // Each of the desktop's events is one of the form's entry points.
  shell.onPointer = [&](int32_t message, int32_t code) {
    if (message != api::WmMouseMove) return;  // the form hears its icon only as pointer moves
    // The X server tells of no mode deleted from an output: a press looks before the menu opens.
    if (xDisplay && xDisplay->ListChanged()) form.DisplayChanged();
    const int16_t button = code == api::WmRButtonDown ? 2 : 1;
    form.MouseMove(button, 0, static_cast<float>(code) * runtime.TwipsPerPixelX(), 0.0f);
  };
  runtime.onMenuChoice = [&](int32_t index) { form.MenuClick(static_cast<int16_t>(index)); };
  runtime.onFormMade = [&](linuxp::AboutDialog& about) {
    about.onOk = [&] { form.OkClick(); };
    about.onCloseRequest = [&] { form.CloseRequest(vbFormControlMenu); };
  };
  runtime.beforeShow = [&](linuxp::AboutDialog& about) {
    if (x) linuxp::SkipTaskbar(x.get(), static_cast<unsigned long>(about.winId()));
  };
  const auto activateForm = [&] {
    linuxp::AboutDialog* about = runtime.Form();
    if (!about || !about->isVisible()) return;
    about->raise();
    about->activateWindow();
  };
  (gnomeServices ? gnomeSystem->activateForm : xSystem->activateForm) = activateForm;
  // The end of the session hangs up; a task manager terminates or interrupts.
  linuxp::SignalRelay relay(
      [&](int signal) { form.CloseRequest(signal == SIGHUP ? vbAppWindows : vbAppTaskManager); });

  // A mode set by another program or the desktop's settings, another monitor, modes added or taken
  // away: the tick and tooltip follow at once, the menu (the host's too) when the modes differ.
  auto displayChanged = [&] {
    if (keptMode) keptMode->DisplayChanged();
    form.DisplayChanged();
    runtime.FollowMenu(form.mnuDisplayMode);
  };
  std::optional<linuxp::RandrWatch> randrWatch;
  if (busConfig) {
    busDisplay->onChanged = displayChanged;  // mutter's MonitorsChanged, a kept or reverted switch too
    runtime.boxDetail = [&] { return busDisplay->TakeRefusal(); };
  } else {
    runtime.boxDetail = [&] { return QString::fromStdString(xDisplay->TakeRefusal()); };
  }
  // Once the GUI is up (a box, or the resident program's event loop), the program hears its events.
  gui.onStarted.push_back([&] {
    if (!x && QGuiApplication::platformName() == QLatin1String("xcb"))
      x = linuxp::OpenXDisplay(problem);  // only to keep the About window out of the taskbar
    if (!busConfig)
      randrWatch.emplace(x.get(), displayChanged);  // its notifier needs the event loop's thread
    relay.Listen();
    shell.ShowIcons();
  });

  // A switch from the command line lasts for the session and is not asked about; a choice from
  // the menu is stored, once the user keeps it.
  if (busConfig) busDisplay->SetMethod(linuxp::displayconfig::Method::kTemporary);
  form.Start();  // with "/s" on the command line this ends the program itself
  if (busConfig) busDisplay->SetMethod(linuxp::displayconfig::Method::kPersistent);
  // Still here, so resident: the GUI, the icon and the event loop.
  gui.Ensure();
  if (kscreen) kscreen->SetKeeping(true);
  if (keptMode) {
    keptMode->SetKeeping(true);  // a choice from the menu, from now on
    keptMode->ApplyKept();       // started at log-in: the choice kept last time
  }
  // Say why no icon shows yet, and wait for a tray.
  std::optional<linuxp::TrayHostWait> hostWait;
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    std::fprintf(stderr, "velmora: no system tray on this display yet; the icon appears when one starts.\n");
    hostWait.emplace(
        [&] {
          std::vector<char*> again;
          for (const std::string& argument : arguments) again.push_back(const_cast<char*>(argument.c_str()));
          again.push_back(nullptr);
          std::fflush(nullptr);
          ::execv("/proc/self/exe", again.data());  // every descriptor the program holds is close-on-exec
        },
        [&](int status) { runtime.End(status); });
  }
  return QApplication::exec();
}
