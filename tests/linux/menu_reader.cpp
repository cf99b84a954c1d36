// menu_reader.so: loaded into velmora (X11 or Wayland) by LD_PRELOAD for the end-to-end tests only. Whenever
// the file named by VELMORA_READER_REQUEST appears, it removes it and writes, in velmora's user-interface
// thread, what the user sees to that name + ".out" as JSON (written aside and renamed, so that a reader sees
// all of it or nothing): {"menu": the open popup menu's items ("-" for a separator, "* " before a ticked
// caption), "tip": the tray icon's tooltip, or null, "box": the open message box's text and the detail under
// it, or null}.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace {

void Answer(const QString& request) {
  QJsonArray items;
  if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
    for (QAction* a : menu->actions())
      items.append(a->isSeparator() ? "-" : (a->isChecked() ? "* " : "") + a->text());
  }
  QJsonObject shown{{"menu", items}, {"tip", QJsonValue::Null}, {"box", QJsonValue::Null}};
  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
    shown["box"] = box->text() + "\n" + box->informativeText();
  // Qt draws the icon of an XEmbed tray in a widget of this class, which carries the tooltip.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (QLatin1String(w->metaObject()->className()) == QLatin1String("QSystemTrayIconSys"))
      shown["tip"] = w->toolTip();
  QFile part(request + ".part");
  if (part.open(QIODevice::WriteOnly)) part.write(QJsonDocument(shown).toJson());
  part.close();
  QFile::rename(request + ".part", request + ".out");
}

// Runs as the application object is made: looks for a request every 50 ms, in its event loops too.
void StartPolling() {
  const QString request = qEnvironmentVariable("VELMORA_READER_REQUEST");
  if (request.isEmpty()) return;
  auto* timer = new QTimer(QCoreApplication::instance());
  QObject::connect(timer, &QTimer::timeout, [request] {
    if (QFile::remove(request)) Answer(request);
  });
  timer->start(50);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartPolling)
