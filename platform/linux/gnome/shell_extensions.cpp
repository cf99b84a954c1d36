#include "shell_extensions.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>

namespace linuxp::shell_extensions {
namespace {

QDBusMessage Call(const QString& method) {
  return QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell"),
                                        QStringLiteral("org.gnome.Shell.Extensions"), method);
}

}  // namespace

std::optional<std::vector<ShellExtension>> List(const QDBusConnection& bus) {
  const QDBusMessage reply = bus.call(Call(QStringLiteral("ListExtensions")), QDBus::Block, 5000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
  // a{sa{sv}}: uuid -> the extension's properties
  const auto all = qdbus_cast<QMap<QString, QVariantMap>>(reply.arguments().first());
  std::vector<ShellExtension> found;
  for (auto it = all.begin(); it != all.end(); ++it)
    found.push_back({it.key().toStdString(), it->value(QStringLiteral("name")).toString().toStdString(),
                     static_cast<int>(it->value(QStringLiteral("state")).toDouble())});
  return found;
}

bool Enable(const QDBusConnection& bus, const std::string& uuid) {
  QDBusMessage call = Call(QStringLiteral("EnableExtension"));
  call << QString::fromStdString(uuid);
  const QDBusReply<bool> reply = bus.call(call, QDBus::Block, 5000);
  return reply.isValid() && reply.value();
}

}  // namespace linuxp::shell_extensions
