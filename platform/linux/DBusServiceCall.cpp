#include "platform/linux/DBusServiceCall.h"

namespace platform {

namespace {

constexpr int kCallTimeoutMilliseconds = 3000;

} // namespace

std::optional<QDBusMessage> callService(const QDBusConnection& bus, const DBusServiceMethod& method,
                                        const QVariantList& arguments, const QString& signature, QString* failure)
{
    QDBusMessage message = QDBusMessage::createMethodCall(method.service, method.path, method.interface, method.method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    const QDBusMessage reply = bus.call(message, QDBus::Block, kCallTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *failure = QStringLiteral("failed %1: %2").arg(method.method, reply.errorMessage());
        return std::nullopt;
    }
    if (reply.signature() != signature) {
        *failure = QStringLiteral("answered %1 with \"%2\", not \"%3\"").arg(method.method, reply.signature(), signature);
        return std::nullopt;
    }
    return reply;
}

} // namespace platform
