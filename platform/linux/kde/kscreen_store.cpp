#include "kscreen_store.h"

#include <QDBusMessage>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include "rules/mode_record.h"
#include "rules/store_put_back.h"

namespace linuxp {
namespace {

QString Folder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/kscreen/");
}

StoreFiles Read() {
  StoreFiles files;
  QDirIterator it(Folder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    QFile file(it.next());
    if (file.open(QIODevice::ReadOnly))
      files.emplace(QDir(Folder()).relativeFilePath(file.fileName()).toStdString(),
                    file.readAll().toStdString());
  }
  return files;
}

bool Write(const StoreRepair& repair) {
  bool written = true;
  for (const auto& [path, contents] : repair.write) {
    const QString name = Folder() + QString::fromStdString(path);
    QSaveFile file(name);
    written = written && QDir().mkpath(QFileInfo(name).path()) && file.open(QIODevice::WriteOnly) &&
              file.write(contents.data(), static_cast<qint64>(contents.size())) ==
                  static_cast<qint64>(contents.size()) &&
              file.commit();
  }
  for (const std::string& path : repair.remove)
    written = QFile::remove(Folder() + QString::fromStdString(path)) && written;
  return written;
}

// Whether KScreen's daemon runs in the session, as a module of KDE's daemon host (kded5, or kded6).
bool DaemonRuns(const QDBusConnection& bus) {
  for (const char* name : {"org.kde.kded5", "org.kde.kded6"}) {
    const QString host = QString::fromLatin1(name);
    QDBusMessage call =
        QDBusMessage::createMethodCall(host, QStringLiteral("/kded"), host, QStringLiteral("loadedModules"));
    call.setAutoStartService(false);  // asks the one running; never starts one
    const QDBusMessage reply = bus.call(call);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
        reply.arguments().first().toStringList().contains(QStringLiteral("kscreen")))
      return true;
  }
  return false;
}

}  // namespace

int32_t KScreenSessionOnly::Change(DisplayModeRecord& record, int32_t flags) {
  if ((keeping_ && (flags & api::CdsUpdateRegistry)) || (flags & kCdsTest) || !DaemonRuns(bus_))
    return inner_.Change(record, flags);
  const StoreFiles before = Read();
  const int32_t result = inner_.Change(record, flags);
  if (result != api::DispChangeSuccessful) return result;
  QElapsedTimer clock;
  clock.start();
  StoreFiles seen = before;
  std::optional<int> lastWrite;
  while (!PutBackNow(static_cast<int>(clock.elapsed()), lastWrite)) {
    QThread::msleep(50);
    StoreFiles now = Read();
    if (now != seen) lastWrite = static_cast<int>(clock.elapsed());
    seen = std::move(now);
  }
  return Write(PutBack(before, seen)) ? result : api::DispChangeNotUpdated;
}

}  // namespace linuxp
