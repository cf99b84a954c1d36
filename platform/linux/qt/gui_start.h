#pragma once
#include <QApplication>
#include <functional>
#include <memory>
#include <vector>

namespace linuxp {

// Qt's GUI, brought up the first time something must be shown or the event loop must run: the
// application object with its platform connection (X server or Wayland compositor), the program's
// name, icon and font. Until then the program runs without it, so a "/s" run that shows nothing
// never starts it. Everything that needs the GUI asks for it through Ensure.
class GuiStart {
 public:
  // argc and argv as main has them: Qt takes its own options from them when it starts.
  GuiStart(int& argc, char** argv) : argc_(argc), argv_(argv) {}
  GuiStart(const GuiStart&) = delete;
  GuiStart& operator=(const GuiStart&) = delete;

  // Brings the GUI up, once; then runs each of onStarted, in order.
  void Ensure();
  bool Started() const { return app_ != nullptr; }

  std::vector<std::function<void()>> onStarted;

 private:
  int& argc_;
  char** argv_;
  std::unique_ptr<QApplication> app_;
};

}  // namespace linuxp
