#include "kept_scales.h"

#include <QSettings>
#include <QString>

#include "qt/settings_file.h"

namespace linuxp {
namespace {

QString Key(const std::string& connector, const char* name) {
  return QStringLiteral("scale/%1/%2").arg(QString::fromStdString(connector), QLatin1String(name));
}

}  // namespace

std::optional<layout::KeptScale> KeptScales::Read(const std::string& connector) const {
  const QSettings file = SettingsFile();
  bool wantedOk = false, givenOk = false;
  const double wanted = file.value(Key(connector, "wanted")).toDouble(&wantedOk);
  const double given = file.value(Key(connector, "given")).toDouble(&givenOk);
  if (!wantedOk || !givenOk) return std::nullopt;
  return layout::KeptScale{connector, wanted, given};
}

void KeptScales::Write(const std::string& connector, const std::optional<layout::KeptScale>& kept) {
  QSettings file = SettingsFile();
  if (!kept) {
    file.remove(QStringLiteral("scale/%1").arg(QString::fromStdString(connector)));
    return;
  }
  file.setValue(Key(connector, "wanted"), kept->wanted);
  file.setValue(Key(connector, "given"), kept->given);
}

}  // namespace linuxp
