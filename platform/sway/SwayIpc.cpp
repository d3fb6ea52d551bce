#include "platform/sway/SwayIpc.h"

#include "platform/PlatformLog.h"

#include <QJsonArray>

namespace platform {

std::shared_ptr<SwayIpc> SwayIpc::connect(const QString& path, QString* error)
{
    if (path.isEmpty()) {
        *error = QStringLiteral("sway's IPC socket is unknown: SWAYSOCK is not set");
        return nullptr;
    }
    std::shared_ptr<SwayIpc> ipc(new SwayIpc);
    QString why;
    const auto subscribed = [&] {
        const auto reply = ipc->m_events.request(I3IpcSocket::Subscribe, R"(["window","input"])", &why);
        return reply && reply->object().value(QLatin1String("success")).toBool();
    };
    if (!ipc->m_requests.open(path, &why) || !ipc->m_events.open(path, &why) || !subscribed()) {
        *error = QStringLiteral("Cannot use sway's IPC: ") + (why.isEmpty() ? QStringLiteral("subscription refused") : why);
        return nullptr;
    }
    QObject::connect(&ipc->m_events, &I3IpcSocket::eventReceived, ipc.get(),
                     [self = ipc.get()](quint32 type, const QJsonDocument& payload) {
                         if (type == I3IpcSocket::kWindowEvent)
                             emit self->windowEvent(payload.object());
                         else if (type == I3IpcSocket::kInputEvent)
                             emit self->inputEvent(payload.object());
                     });
    for (I3IpcSocket* socket : {&ipc->m_requests, &ipc->m_events})
        QObject::connect(socket, &I3IpcSocket::closed, ipc.get(), &SwayIpc::connectionFailed);
    return ipc;
}

std::optional<QJsonDocument> SwayIpc::request(quint32 type, const QByteArray& payload)
{
    if (m_lost)
        return std::nullopt;
    QString error;
    auto reply = m_requests.request(type, payload, &error);
    if (!reply && !m_lost)
        logError(QStringLiteral("sway's reply to request %1 is unusable: %2").arg(type).arg(error));
    return reply;
}

bool SwayIpc::runCommand(const QString& command)
{
    const auto reply = request(I3IpcSocket::RunCommand, command.toUtf8());
    if (!reply || !reply->isArray() || reply->array().isEmpty())
        return false;
    const QJsonArray results = reply->array();
    return std::all_of(results.begin(), results.end(),
                       [](const QJsonValue& result) { return result[QLatin1String("success")].toBool(); });
}

void SwayIpc::connectionFailed(const QString& reason)
{
    if (m_lost)
        return;
    m_lost = true;
    logError(QStringLiteral("Lost the connection to sway (%1); keyboard layouts and windows can no longer be "
                            "followed").arg(reason));
    emit lost();
}

} // namespace platform
