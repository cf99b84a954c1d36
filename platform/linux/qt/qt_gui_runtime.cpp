#include "qt_gui_runtime.h"

#include <QApplication>
#include <QByteArray>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QProcess>
#include <QStringConverter>
#include <cstdio>
#include <cstdlib>

#include "about_dialog.h"
#include "app/runtime_error.h"
#include "app/version.h"
#include "find_tool.h"
#include "gui_start.h"
#include "menu/menu_array.h"
#include "message_box.h"
#include "program_icon.h"

namespace linuxp {
namespace {

constexpr int32_t kMiniIconHandle = 1;

// The menu's elements as actions, each carrying its element index.
void FillMenu(QMenu& popup, const MenuArray& menu) {
  popup.clear();
  const auto& elements = menu.Elements();
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i].caption == u"-") {
      popup.addSeparator();
      continue;
    }
    // A TAB puts the rest of the caption in the column where menus show shortcut keys.
    QAction* action = popup.addAction(ToQString(elements[i].caption));
    action->setData(static_cast<int>(i));
    if (elements[i].checked) {
      action->setCheckable(true);
      action->setChecked(true);
    }
  }
}

// The captions of a menu's elements, in order.
std::vector<std::u16string> Captions(const MenuArray& menu) {
  std::vector<std::u16string> captions;
  for (const MenuArray::Element& e : menu.Elements()) captions.push_back(e.caption);
  return captions;
}

}  // namespace

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QtGuiRuntime::QtGuiRuntime(std::vector<std::string> arguments, GuiStart& gui)
    : arguments_(std::move(arguments)), gui_(gui) {}

QtGuiRuntime::~QtGuiRuntime() = default;

int32_t QtGuiRuntime::MsgBox(const std::u16string& prompt, int32_t buttons) {
  gui_.Ensure();
  MessageBox box(buttons & vbCritical ? MessageBox::Kind::kCritical : MessageBox::Kind::kMessage,
                 ToQString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                 boxDetail ? boxDetail() : QString(), form_ && form_->isVisible() ? form_.get() : nullptr);
  box.Ask();
  return 1;  // vbOK: the only button
}

std::u16string QtGuiRuntime::Command() {
  std::string joined;
  for (size_t i = 1; i < arguments_.size(); ++i) {
    if (i > 1) joined += ' ';
    joined += arguments_[i];
  }
  return FromUtf8(joined);
}

void QtGuiRuntime::DoEvents() {
  if (gui_.Started()) QCoreApplication::processEvents();
}

QStringList QtGuiRuntime::DisplaySettingsTool() {
  const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toUpper();
  struct Tool {
    const char* desktop;  // the desktop it belongs to; nullptr fits any
    QStringList command;
  };
  const Tool tools[] = {
      {"GNOME", {QStringLiteral("gnome-control-center"), QStringLiteral("display")}},
      {"XFCE", {QStringLiteral("xfce4-display-settings")}},
      {"KDE", {QStringLiteral("systemsettings"), QStringLiteral("kcm_kscreen")}},
      {"MATE", {QStringLiteral("mate-display-properties")}},
      {"X-CINNAMON", {QStringLiteral("cinnamon-settings"), QStringLiteral("display")}},
      {"LXQT", {QStringLiteral("lxqt-config-monitor")}},
      {nullptr, {QStringLiteral("arandr")}},
      {nullptr, {QStringLiteral("lxrandr")}},
  };
  for (const Tool& tool : tools) {
    if (tool.desktop && !desktop.contains(QLatin1String(tool.desktop))) continue;
    QStringList command = tool.command;
    command.first() = FindTool(command.first());
    if (!command.first().isEmpty()) return command;
  }
  return {};
}

int32_t QtGuiRuntime::Shell(const std::u16string& /*commandLine*/, int32_t /*windowStyle*/) {
  QStringList command = DisplaySettingsTool();
  qint64 pid = 0;
  if (command.isEmpty() || !QProcess::startDetached(command.takeFirst(), command, QString(), &pid))
    throw ProgramError(kErrFileNotFound);
  return static_cast<int32_t>(pid);
}

int32_t QtGuiRuntime::PopupMenu(const MenuArray& menu) {
  gui_.Ensure();
  if (hostMenu_) FillHostMenu(menu);
  // A Wayland client cannot place a popup of its own at the pointer: the host's menu is the only one.
  if (hostAsks || (hostMenu_ && QGuiApplication::platformName() != QLatin1String("xcb"))) return -1;
  QMenu popup;
  popup.setObjectName(QStringLiteral("mnuDisplay"));
  FillMenu(popup, menu);
  QAction* chosen = popup.exec(QCursor::pos());
  return chosen ? chosen->data().toInt() : -1;
}

void QtGuiRuntime::FollowMenu(const MenuArray& menu) {
  if (hostMenu_ && Captions(menu) != hostCaptions_) FillHostMenu(menu);
}

void QtGuiRuntime::FillHostMenu(const MenuArray& menu) {
  FillMenu(*hostMenu_, menu);
  hostCaptions_ = Captions(menu);
}

QMenu* QtGuiRuntime::HostMenu() {
  gui_.Ensure();
  if (!hostMenu_) {
    hostMenu_ = std::make_unique<QMenu>();
    hostMenu_->setObjectName(QStringLiteral("mnuDisplay"));
    QObject::connect(hostMenu_.get(), &QMenu::triggered, hostMenu_.get(), [this](QAction* action) {
      if (onMenuChoice) onMenuChoice(action->data().toInt());
    });
  }
  return hostMenu_.get();
}

void QtGuiRuntime::HideForm() {
  if (form_) form_->hide();
}

void QtGuiRuntime::ShowForm(const std::u16string& version, const std::u16string& notice) {
  gui_.Ensure();
  if (!form_) {
    form_ = std::make_unique<AboutDialog>();
    if (onFormMade) onFormMade(*form_);
  }
  form_->SetTexts(ToQString(version), ToQString(notice));
  if (!form_->isVisible() && beforeShow) beforeShow(*form_);
  form_->show();
  form_->raise();
  form_->activateWindow();
}

std::optional<Picture> QtGuiRuntime::MiniIconPicture() { return Picture{kMiniIconHandle}; }

std::u16string QtGuiRuntime::FromUtf8(std::string_view bytes) {
  const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

void QtGuiRuntime::End(int exitCode) {
  // Let the X server see what is still queued (the icon's removal) before the process goes.
  if (gui_.Started()) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(exitCode);
}

QIcon QtGuiRuntime::IconFor(int32_t handle) {
  if (handle != kMiniIconHandle) return {};
  if (miniIcon_.isNull()) miniIcon_ = QIcon(ProgramIconImage(16));  // a pixmap needs the GUI
  return miniIcon_;
}

}  // namespace linuxp
