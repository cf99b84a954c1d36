#include "xfconf_displays.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QVariantMap>
#include <type_traits>

namespace linuxp {
namespace {

constexpr char kChannel[] = "displays";

QDBusMessage Call(const QString& method) {
  return QDBusMessage::createMethodCall(QStringLiteral("org.xfce.Xfconf"), QStringLiteral("/org/xfce/Xfconf"),
                                        QStringLiteral("org.xfce.Xfconf"), method);
}

XfconfProperties Existing(const QDBusConnection& bus, const QString& profile) {
  QDBusMessage call = Call(QStringLiteral("GetAllProperties"));
  call << QLatin1String(kChannel) << QStringLiteral("/%1").arg(profile);
  const QDBusMessage reply = bus.call(call);
  XfconfProperties existing;
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return existing;
  const auto all = qdbus_cast<QVariantMap>(reply.arguments().first());
  for (auto it = all.cbegin(); it != all.cend(); ++it) {
    const std::string path = it.key().toStdString();
    switch (it.value().metaType().id()) {
      case QMetaType::Bool: existing.emplace(path, it.value().toBool()); break;
      case QMetaType::Int: existing.emplace(path, static_cast<int32_t>(it.value().toInt())); break;
      case QMetaType::Double: existing.emplace(path, it.value().toDouble()); break;
      case QMetaType::QString: existing.emplace(path, it.value().toString().toStdString()); break;
      default: break;
    }
  }
  return existing;
}

QVariant ToVariant(const XfconfValue& value) {
  return std::visit(
      [](const auto& v) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>)
          return QVariant(QString::fromStdString(v));
        else
          return QVariant::fromValue(v);
      },
      value);
}

}  // namespace

bool StoreInXfconf(const QDBusConnection& bus, const std::vector<OutputPlacement>& outputs) {
  QDBusMessage get = Call(QStringLiteral("GetProperty"));
  get << QLatin1String(kChannel) << QStringLiteral("/ActiveProfile");
  const QDBusMessage active = bus.call(get);
  QString profile = active.type() == QDBusMessage::ReplyMessage && !active.arguments().isEmpty()
                        ? active.arguments().first().value<QDBusVariant>().variant().toString()
                        : QString();
  if (profile.isEmpty()) profile = QStringLiteral("Default");
  bool all = true;
  for (const auto& [path, value] : XfceEntries(profile.toStdString(), outputs, Existing(bus, profile))) {
    QDBusMessage set = Call(QStringLiteral("SetProperty"));
    set << QLatin1String(kChannel) << QString::fromStdString(path)
        << QVariant::fromValue(QDBusVariant(ToVariant(value)));
    all &= bus.call(set).type() == QDBusMessage::ReplyMessage;
  }
  return all;
}

}  // namespace linuxp
