#include "title_bar.h"

#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace linuxp {
namespace {

constexpr int kHeight = 30;

}  // namespace

bool TitleBar::Needed() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

TitleBar::TitleBar(QDialog& dialog) : QWidget(&dialog) {
  setObjectName(QStringLiteral("titleBar"));
  setFixedHeight(kHeight);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 0, 6, 0);
  auto* close = new QToolButton(this);
  close->setObjectName(QStringLiteral("closeButton"));
  close->setAutoRaise(true);
  close->setFocusPolicy(Qt::NoFocus);
  close->setText(QStringLiteral("✕"));
  close->setFixedSize(kHeight - 6, kHeight - 6);
  connect(close, &QToolButton::clicked, &dialog, &QWidget::close);
  auto* title = new QLabel(dialog.windowTitle(), this);
  title->setObjectName(QStringLiteral("title"));
  title->setTextFormat(Qt::PlainText);
  title->setAlignment(Qt::AlignCenter);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  // As wide as the button on the right, so that the title sits in the middle of the bar; never cut,
  // since the bar's minimum width, and with it the dialog's, takes in the whole title.
  row->addSpacing(close->width());
  row->addWidget(title, 1);
  row->addWidget(close);
}

void TitleBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && window()->windowHandle())
    window()->windowHandle()->startSystemMove();
}

void TitleBar::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window).darker(108));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(0, height() - 1, width(), height() - 1);
}

QWidget* DialogBody(QDialog& dialog) {
  if (!TitleBar::Needed()) return &dialog;
  dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  auto* outer = new QVBoxLayout(&dialog);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSizeConstraint(QLayout::SetFixedSize);
  auto* frame = new QFrame(&dialog);
  frame->setStyleSheet(QStringLiteral("QFrame#dialogFrame { border: 1px solid palette(dark); }"));
  frame->setObjectName(QStringLiteral("dialogFrame"));
  outer->addWidget(frame);
  auto* inner = new QVBoxLayout(frame);
  inner->setContentsMargins(0, 0, 0, 0);
  inner->setSpacing(0);
  inner->addWidget(new TitleBar(dialog));
  auto* body = new QWidget(frame);
  inner->addWidget(body);
  return body;
}

}  // namespace linuxp
