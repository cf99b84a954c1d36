#pragma once
#include <QDialog>
#include <QString>

namespace linuxp {

// The program's message box: the title "Velmora", the text and any detail under it, and OK (for a
// critical message with the critical icon) or the question's はい and いいえ. A dialog's title bar on
// every desktop: the whole title and a close button only (see TitleBar).
class MessageBox : public QDialog {
  Q_OBJECT
 public:
  enum class Kind { kMessage, kCritical, kQuestion };
  MessageBox(Kind kind, const QString& text, const QString& detail, QWidget* parent = nullptr);

  // Shows the box and waits: true for OK or はい, false for いいえ, Esc or the close box of a question.
  bool Ask();
};

}  // namespace linuxp
