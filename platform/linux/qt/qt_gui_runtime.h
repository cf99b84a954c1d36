#pragma once
#include <QIcon>
#include <QMenu>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ports/gui_runtime.h"

namespace linuxp {

class AboutDialog;
class GuiStart;

// What the program asks of its GUI runtime, done with Qt Widgets. Text crosses the platform
// calls as UTF-8, the code page of the desktop. What shows something (a box, the menu, the About
// window) brings the GUI up first; the About window is made the first time it is shown.
class QtGuiRuntime : public GuiRuntime {
 public:
  // arguments: the process arguments as started, the program path first.
  QtGuiRuntime(std::vector<std::string> arguments, GuiStart& gui);
  ~QtGuiRuntime() override;

  // Runs once the About window is made, before it is first shown.
  std::function<void(AboutDialog& form)> onFormMade;
  // Runs before the form is shown, while its window is still unmapped.
  std::function<void(AboutDialog& form)> beforeShow;
  // The reason behind the result a message box reports (such as the compositor's refusal of a
  // mode), shown under the box's text; empty for none.
  std::function<QString()> boxDetail;
  // Receives the element index of an item chosen in the menu the tray host shows.
  std::function<void(int32_t index)> onMenuChoice;

  int32_t MsgBox(const std::u16string& prompt, int32_t buttons) override;
  // Reported as 15, so that a press code times the ratio decodes exactly.
  float TwipsPerPixelX() override { return 15.0f; }
  std::u16string Command() override;
  void DoEvents() override;
  // Starts the desktop's display-settings tool; the Windows command line names no tool here.
  int32_t Shell(const std::u16string& commandLine, int32_t windowStyle) override;
  int32_t PopupMenu(const MenuArray& menu) override;
  // A handle of the program's own: the window the form stands for is made only when first shown.
  int32_t FormHwnd() override { return kFormHandle; }
  void ShowForm(const std::u16string& version, const std::u16string& notice) override;
  void HideForm() override;
  std::optional<Picture> MiniIconPicture() override;
  [[noreturn]] void End(int exitCode) override;

  // The desktop's UTF-8 text as the program's.
  static std::u16string FromUtf8(std::string_view bytes);
  // The menu a StatusNotifierItem host shows for the icon itself (over D-Bus). Once asked for,
  // PopupMenu keeps it filled; while the host asks for it (hostAsks), and always on Wayland,
  // PopupMenu returns -1 instead of showing a popup of its own: the choice arrives later through
  // onMenuChoice.
  QMenu* HostMenu();
  bool hostAsks = false;
  // After the form rebuilt its menu (the display lists other modes): the host's menu, open or not,
  // shows the new items, so that no choice from it names an element of the old menu.
  void FollowMenu(const MenuArray& menu);

  // The icon a picture handle stands for (once the GUI is up).
  QIcon IconFor(int32_t handle);
  // The About window; nullptr until it is first shown.
  AboutDialog* Form() const { return form_.get(); }

  static constexpr int32_t kFormHandle = 1;

  // The display-settings tool this desktop offers: the program's full path and the arguments;
  // empty when none.
  static QStringList DisplaySettingsTool();

 private:
  // Fills the host's menu from the form's and remembers its captions.
  void FillHostMenu(const MenuArray& menu);

  std::vector<std::string> arguments_;
  GuiStart& gui_;
  std::unique_ptr<AboutDialog> form_;
  QIcon miniIcon_;
  std::unique_ptr<QMenu> hostMenu_;
  std::vector<std::u16string> hostCaptions_;  // the captions the host's menu was filled with
};

QString ToQString(std::u16string_view text);

}  // namespace linuxp
