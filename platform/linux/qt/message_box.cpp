#include "message_box.h"

#include <QGridLayout>
#include <QHBoxLayout>
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
  // The buttons in the middle, the first one the default: OK, or はい before いいえ.
  auto* row = new QHBoxLayout;
  row->addStretch();
  const auto add = [&](const QString& caption, void (QDialog::*answer)()) {
    auto* button = new QPushButton(caption, this);
    button->setMinimumWidth(88);
    connect(button, &QPushButton::clicked, this, answer);
    row->addWidget(button);
    return button;
  };
  QPushButton* first =
      add(kind == Kind::kQuestion ? QStringLiteral("はい(&Y)") : QStringLiteral("OK"), &QDialog::accept);
  if (kind == Kind::kQuestion) add(QStringLiteral("いいえ(&N)"), &QDialog::reject);
  first->setDefault(true);
  first->setFocus();
  row->addStretch();
  grid->addLayout(row, 2, 0, 1, 2);
  grid->setRowMinimumHeight(2, first->sizeHint().height() + 12);
  // Wide enough for the title and a window manager's buttons beside it.
  message->setMinimumWidth(qMax(200, fontMetrics().horizontalAdvance(windowTitle()) + 70));
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

bool MessageBox::Ask() { return exec() == QDialog::Accepted; }

}  // namespace linuxp
