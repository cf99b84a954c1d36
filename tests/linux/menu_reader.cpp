// menu_reader.so: loaded into the X11 velmora by LD_PRELOAD for the end-to-end tests only. Whenever the file
// named by VELMORA_READER_REQUEST appears, it removes it and writes, in velmora's user-interface thread, what
// the user sees to that name + ".out" (written aside and renamed, so that a reader sees all of it or
// nothing):
//   item TEXT     for each item of the open popup menu: "-" for a separator, "* " before a ticked caption
//   tip TOOLTIP                             for the tray icon
// A TAB in a text is written as \t, a line break as \n.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace {

QString Field(QString text) { return text.replace('\t', "\\t").replace('\n', "\\n"); }

void Answer(const QString& request) {
  QString out;
  if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
    for (QAction* a : menu->actions())
      out += "item " + (a->isSeparator() ? "-" : (a->isChecked() ? "* " : "") + Field(a->text())) + '\n';
  }
  // Qt draws the icon of an XEmbed tray in a widget of this class, which carries the tooltip.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (QLatin1String(w->metaObject()->className()) == QLatin1String("QSystemTrayIconSys"))
      out += QStringLiteral("tip ") + Field(w->toolTip()) + '\n';
  QFile part(request + ".part");
  if (part.open(QIODevice::WriteOnly)) part.write(out.toUtf8());
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
