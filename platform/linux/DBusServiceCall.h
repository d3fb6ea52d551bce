#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>

#include <optional>

namespace platform {

// A method of a service on the bus that is asked without being started for
// it: whether the service runs is the user's choice, or it has just ended.
struct DBusServiceMethod {
    QString service;
    QString path;
    QString interface;
    QString method;
};

// Calls the method and waits for the answer (3 seconds at most). The reply
// when it is one and has the expected signature; else none, and *failure
// says why: "failed <method>: <error>" or
// "answered <method> with "<signature>", not "<expected>"".
std::optional<QDBusMessage> callService(const QDBusConnection& bus, const DBusServiceMethod& method,
                                        const QVariantList& arguments, const QString& signature, QString* failure);

} // namespace platform
