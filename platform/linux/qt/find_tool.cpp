#include "find_tool.h"

#include <QStandardPaths>
#include <QStringList>
#include <cstdlib>
#include <string>

#include "rules/search_folders.h"

namespace linuxp {
namespace {

// Where programs are looked for when PATH is not set, as the C library does.
constexpr char kDefaultPath[] = "/usr/bin:/bin";

}  // namespace

QString FindTool(const QString& name) {
  const char* path = std::getenv("PATH");
  QStringList folders;
  for (const std::string& folder : SearchFolders(path ? path : kDefaultPath))
    folders << QString::fromLocal8Bit(folder.c_str());
  if (folders.isEmpty()) return {};  // findExecutable would search PATH itself, relative entries and all
  return QStandardPaths::findExecutable(name, folders);
}

}  // namespace linuxp
