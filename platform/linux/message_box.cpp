#include "message_box.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "app/version.h"
#include "program_icon.h"
#include "title_bar.h"

namespace linuxp {

MessageBox::MessageBox(Kind kind, const QString& text, const QString& detail, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("msgBox"));
  setWindowTitle(QString::fromUtf16(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
  setWindowIcon(ProgramIcon());
  setProperty("boxText", detail.isEmpty() ? text : text + QLatin1Char('\n') + detail);  // read by the tests

  auto* grid = new QGridLayout(DialogBody(*this));
  grid->setContentsMargins(16, 16, 16, 12);
  grid->setHorizontalSpacing(14);
  if (kind == Kind::kCritical) {
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  }
  auto* message = new QLabel(text, this);
  message->setTextFormat(Qt::PlainText);
  message->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(message, 0, 1);
  if (!detail.isEmpty()) {
    auto* below = new QLabel(detail, this);
    below->setTextFormat(Qt::PlainText);
    below->setWordWrap(true);
    grid->addWidget(below, 1, 1);
  }
  auto* buttons = new QDialogButtonBox(this);
  buttons->setCenterButtons(true);
  if (kind == Kind::kQuestion) {
    QPushButton* yes = buttons->addButton(QStringLiteral("はい(&Y)"), QDialogButtonBox::YesRole);
    buttons->addButton(QStringLiteral("いいえ(&N)"), QDialogButtonBox::NoRole);
    yes->setDefault(true);
    yes->setFocus();
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::clicked, this, [this, yes](QAbstractButton* b) {
      if (b != yes) reject();
    });
  } else {
    QPushButton* ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  }
  grid->addWidget(buttons, 2, 0, 1, 2);
  grid->setRowMinimumHeight(2, buttons->sizeHint().height() + 8);
  // Wide enough for the title and a window manager's buttons beside it.
  message->setMinimumWidth(qMax(200, fontMetrics().horizontalAdvance(windowTitle()) + 70));
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

bool MessageBox::Ask() { return exec() == QDialog::Accepted; }

}  // namespace linuxp
