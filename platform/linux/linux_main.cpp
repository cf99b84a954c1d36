// velmora for X11 desktops: builds the platform over Qt and XRandR, loads frmMain hidden and
// runs the event loop. "/s w,h,d" applies a mode and ends during start-up, as on Windows.
#include <QApplication>
#include <QFontDatabase>
#include <QScreen>
#include <QSystemTrayIcon>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "about_dialog.h"
#include "app/exit_status.h"
#include "program_icon.h"
#include "qt_gui_runtime.h"
#include "qt_tray_shell.h"
#include "signal_relay.h"
#include "ui/frm_main.h"
#include "x_display_settings.h"
#include "x_system_calls.h"
#include "x_window_hints.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv, argv + argc);  // before Qt takes its own options

  std::string problem;
  // Declared first, so it outlives everything that uses it. An end through runtime.End() (std::exit)
  // skips this owner: the process's exit closes the connection then.
  const linuxp::XDisplayPtr x = linuxp::OpenXDisplay(problem);
  if (!x) {
    std::fprintf(stderr, "velmora: %s\n", problem.c_str());
    return kExitError;
  }
  // The tray icon, the menu and the About window live on the same X server as the modes.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");

  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // closing a message box or the About window ends nothing
  QApplication::setApplicationName(QStringLiteral("velmora"));
  QApplication::setWindowIcon(ProgramIcon());
  // One face for the digits and the Japanese of the menu and tooltip, where one that has both is
  // installed; otherwise the digits come from a Latin face and the rest from a fallback.
  for (const QString& family : {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")}) {
    if (!QFontDatabase::hasFamily(family)) continue;
    QFont font = QApplication::font();
    font.setFamily(family);
    QApplication::setFont(font);
    break;
  }

  linuxp::AboutDialog about;
  linuxp::XDisplaySettings display(x.get());
  linuxp::XSystemCalls system(x.get());
  linuxp::QtGuiRuntime runtime(arguments, about);
  linuxp::QtTrayShell shell(runtime);
  frmMain form(Platform{display, shell, system, runtime});

  // Each of the desktop's events is one of the form's entry points.
  shell.onPointer = [&](int32_t message, int32_t code) {
    if (message != api::WmMouseMove) return;  // the form hears its icon only as pointer moves
    const int16_t button = code == api::WmRButtonDown ? 2 : 1;
    form.MouseMove(button, 0, static_cast<float>(code) * runtime.TwipsPerPixelX(), 0.0f);
  };
  runtime.beforeShow = [&] { linuxp::SkipTaskbar(x.get(), static_cast<unsigned long>(about.winId())); };
  system.activateForm = [&] {
    if (!about.isVisible()) return;
    about.raise();
    about.activateWindow();
  };
  about.onOk = [&] { form.OkClick(); };
  about.onCloseRequest = [&] { form.CloseRequest(vbFormControlMenu); };
  // The end of the session hangs up; a task manager terminates or interrupts.
  linuxp::SignalRelay relay(
      [&](int signal) { form.CloseRequest(signal == SIGHUP ? vbAppWindows : vbAppTaskManager); });

  // A mode set by another program or the desktop's settings: the tick and tooltip follow at once.
  // Qt hears the X server's RandR notifications and resizes its screens.
  auto displayChanged = [&] { form.DisplayChanged(); };
  for (QScreen* screen : QGuiApplication::screens())
    QObject::connect(screen, &QScreen::geometryChanged, &app, displayChanged);
  QObject::connect(&app, &QGuiApplication::screenAdded, &app, [&](QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, &app, displayChanged);
    displayChanged();
  });

  form.Start();  // with "/s" on the command line this ends the program itself
  // Still here, so resident: say why no icon shows yet.
  if (!QSystemTrayIcon::isSystemTrayAvailable())
    std::fprintf(stderr, "velmora: no system tray on this display yet; the icon appears when one starts.\n");
  return QApplication::exec();
}
