#pragma once
#include <QString>

namespace linuxp {

// A tool's full path, from the absolute PATH entries only; empty if it is not installed. Started
// by that path, it is not looked up again.
QString FindTool(const QString& name);

}  // namespace linuxp
