// menu_reader.so: loaded into velmora (X11 or Wayland) by LD_PRELOAD for the end-to-end tests only. Whenever
// the file named by VELMORA_READER_REQUEST appears, it removes it and writes, in velmora's user-interface
// thread, what the user sees to that name + ".out" as JSON (written aside and renamed, so that a reader sees
// all of it or nothing): {"menu": the open popup menu's items ("-" for a separator, "* " before a ticked
// caption), "tip": the tray icon's tooltip, or null, "box": the open message box's text and the detail under
// it, or null, "titleBar": {"title", "buttons"} of the title bar velmora draws itself on the box or the
// active window, where it draws one}.
#include <xcb/xcb.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace {

void Answer(const QString& request) {
  QJsonArray items;
  if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
    for (QAction* a : menu->actions())
      items.append(a->isSeparator() ? "-" : (a->isChecked() ? "* " : "") + a->text());
  }
  QJsonObject shown{{"menu", items}, {"tip", QJsonValue::Null}, {"box", QJsonValue::Null}};
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal->objectName() == QLatin1String("msgBox"))
    shown["box"] = modal->property("boxText").toString();
  // The title bar velmora draws itself (on Wayland): its title, or "cut" where the label is narrower than
  // its text; and the buttons on it.
  QWidget* window = modal ? modal : QApplication::activeWindow();
  if (auto* title = window ? window->findChild<QLabel*>(QStringLiteral("title")) : nullptr) {
    const bool whole = title->width() >= title->fontMetrics().horizontalAdvance(title->text());
    QJsonArray buttons;
    for (auto* b : title->parentWidget()->findChildren<QAbstractButton*>()) buttons.append(b->objectName());
    shown["titleBar"] = QJsonObject{{"title", whole ? title->text() : "cut"}, {"buttons", buttons}};
  }
  // Qt draws the icon of an XEmbed tray in a widget of this class, which carries the tooltip.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (QLatin1String(w->metaObject()->className()) == QLatin1String("QSystemTrayIconSys"))
      shown["tip"] = w->toolTip();
  QFile part(request + ".part");
  if (part.open(QIODevice::WriteOnly)) part.write(QJsonDocument(shown).toJson());
  part.close();
  QFile::rename(request + ".part", request + ".out");
}

// With VELMORA_READER_RETAIN set, the X server keeps velmora's windows after its connection closes: what is
// gone after velmora has ended, velmora took away itself.
void RetainWindows() {
  const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11) return;
  xcb_set_close_down_mode(x11->connection(), XCB_CLOSE_DOWN_RETAIN_PERMANENT);
  xcb_flush(x11->connection());
}

// Runs as the application object is made: looks for a request every 50 ms, in its event loops too.
void StartPolling() {
  const QString request = qEnvironmentVariable("VELMORA_READER_REQUEST");
  if (request.isEmpty()) return;
  auto* timer = new QTimer(QCoreApplication::instance());
  QObject::connect(timer, &QTimer::timeout, [request] {
    static bool retain = qEnvironmentVariableIsSet("VELMORA_READER_RETAIN");
    if (std::exchange(retain, false)) RetainWindows();
    if (QFile::remove(request)) Answer(request);
  });
  timer->start(50);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartPolling)
