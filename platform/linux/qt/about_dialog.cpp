#include "about_dialog.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/version.h"
#include "program_icon.h"
#include "title_bar.h"

namespace linuxp {
namespace {

// The Japanese UI face of the Windows build; IPA's proportional gothic where that is missing.
QFont GothicFont(int pixelSize, bool bold) {
  QFont font(FirstInstalledFamily({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                                   QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                   QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック")}));
  font.setPixelSize(pixelSize);  // points at 96 dots per inch: 12 pt = 16 px, 9.75 pt = 13 px
  font.setBold(bold);
  return font;
}

}  // namespace

QString FirstInstalledFamily(const QStringList& families) {
  const QStringList installed = QFontDatabase::families();
  for (const QString& family : families) {
    if (installed.contains(family, Qt::CaseInsensitive)) return family;
  }
  return families.isEmpty() ? QString() : families.last();
}

AboutDialog::AboutDialog()
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromUtf16(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
  setWindowIcon(ProgramIcon());
  setSizeGripEnabled(false);
  // The client area; below the program's own title bar where it draws one.
  QWidget* body = DialogBody(*this);
  body->setFixedSize(313, 169);

  // Icon: 32x32 picture inside a 2-pixel sunken border.
  auto* icon = new QLabel(body);
  icon->setObjectName(QStringLiteral("picICON"));
  icon->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  icon->setLineWidth(2);
  icon->setAlignment(Qt::AlignCenter);
  icon->setPixmap(ProgramIconImage(32));
  icon->setGeometry(8, 8, 36, 36);

  ok_ = new QPushButton(QStringLiteral("OK"), body);
  ok_->setObjectName(QStringLiteral("cmdOK"));
  ok_->setFont(GothicFont(16, false));
  ok_->setGeometry(112, 136, 89, 25);
  ok_->setDefault(true);
  ok_->setAutoDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] {
    if (onOk) onOk();
  });

  auto* name = new QLabel(QStringLiteral("Velmora"), body);
  name->setObjectName(QStringLiteral("lblSoftName"));
  name->setTextFormat(Qt::PlainText);
  name->setFont(GothicFont(16, true));
  name->move(56, 16);
  name->adjustSize();

  version_ = new QLabel(QStringLiteral("Ver"), body);
  version_->setObjectName(QStringLiteral("lblVersion"));
  version_->setTextFormat(Qt::PlainText);
  QFont ui = font();
  ui.setPixelSize(12);  // 9 pt
  version_->setFont(ui);
  version_->move(144, 20);
  version_->adjustSize();

  notice_ = new QLabel(body);
  notice_->setObjectName(QStringLiteral("lblCopyright"));
  notice_->setTextFormat(Qt::PlainText);
  notice_->setFont(GothicFont(13, false));
  notice_->setWordWrap(true);
  notice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  notice_->setGeometry(16, 56, 281, 73);

  ok_->setFocus();
}

void AboutDialog::SetTexts(const QString& version, const QString& notice) {
  version_->setText(version);
  version_->adjustSize();  // grows to the right from its left edge
  QString lines = notice;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));  // the CR LF pairs end the lines
  notice_->setText(lines);
}

void AboutDialog::closeEvent(QCloseEvent* event) {
  // The form decides: a close request from the window is refused and only hides it.
  event->ignore();
  if (onCloseRequest) onCloseRequest();
}

void AboutDialog::reject() {
  if (onOk) onOk();
}

}  // namespace linuxp
