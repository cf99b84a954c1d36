#pragma once
#include <QWidget>

class QDialog;

namespace linuxp {

// The title bar velmora draws itself where Qt would draw its own decoration: as a native Wayland
// client of GNOME, which leaves decorations to its clients, Qt's puts minimise and maximise buttons
// on every window and cuts a short window's title. This one shows the whole title and a close
// button only, as a dialog's title bar does; dragging it moves the window.
class TitleBar : public QWidget {
  Q_OBJECT
 public:
  explicit TitleBar(QDialog& dialog);

  // Whether this desktop leaves the windows' title bars to the program (a native Wayland client).
  static bool Needed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
};

// The widget that holds a dialog's content. Where TitleBar::Needed(), the dialog is made frameless
// and gets a one-pixel frame holding the title bar and, below it, the widget returned; elsewhere
// the desktop draws the title bar and the dialog holds its content itself.
QWidget* DialogBody(QDialog& dialog);

}  // namespace linuxp
