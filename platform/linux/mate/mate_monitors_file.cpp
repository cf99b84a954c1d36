#include "mate_monitors_file.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include "rules/mate_monitors.h"

namespace linuxp {

bool StoreInMateMonitors(const std::vector<OutputPlacement>& outputs) {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString path = folder + QStringLiteral("/monitors.xml");
  QFile existing(path);
  const std::string before =
      existing.open(QIODevice::ReadOnly) ? existing.readAll().toStdString() : std::string();
  QSaveFile file(path);  // written aside, then put in place whole
  if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly)) return false;
  const std::string after = MergeMateMonitors(before, outputs);
  file.write(after.data(), static_cast<qint64>(after.size()));
  return file.commit();
}

}  // namespace linuxp
