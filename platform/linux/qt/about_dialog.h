#pragma once
#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace linuxp {

// The form as the About window: 313x169 pixels of client area with the program icon, the
// name, the version, the notice and an OK button. No taskbar entry; hidden until shown.
class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  AboutDialog();

  // OK, Enter and Esc.
  std::function<void()> onOk;
  // The close box, Alt+F4 or a close request from another program.
  std::function<void()> onCloseRequest;

  void SetTexts(const QString& version, const QString& notice);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  QLabel* version_;
  QLabel* notice_;
  QPushButton* ok_;
};

// The first installed family of the given ones; the last when none is.
QString FirstInstalledFamily(const QStringList& families);

}  // namespace linuxp
