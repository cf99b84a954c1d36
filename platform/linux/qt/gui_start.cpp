#include "gui_start.h"

#include <QFontDatabase>

#include "program_icon.h"

namespace linuxp {

void GuiStart::Ensure() {
  if (app_) return;
  app_ = std::make_unique<QApplication>(argc_, argv_);
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
  for (const auto& started : onStarted) started();
}

}  // namespace linuxp
