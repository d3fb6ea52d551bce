#pragma once

#include "platform/sway/I3IpcSocket.h"

#include <QJsonObject>

#include <memory>

namespace platform {

// sway's IPC as the backends share it: one connection for requests, one
// subscribed to the window and input events. When either one fails the
// compositor is taken for gone: one log line, the lost() signal, and every
// later request fails at once.
class SwayIpc : public QObject {
    Q_OBJECT
public:
    // Connected to the socket at `path` ($SWAYSOCK); null with *error set
    // when it cannot be reached.
    static std::shared_ptr<SwayIpc> connect(const QString& path, QString* error);

    // The reply to a request; nothing when it fails (logged once when the
    // compositor is gone).
    std::optional<QJsonDocument> request(quint32 type, const QByteArray& payload = {});
    // Runs a sway command; true when every command in it succeeded.
    bool runCommand(const QString& command);
    bool isLost() const { return m_lost; }

signals:
    void windowEvent(const QJsonObject& event);
    void inputEvent(const QJsonObject& event);
    void lost();

private:
    SwayIpc() = default;
    void connectionFailed(const QString& reason);

    I3IpcSocket m_requests;
    I3IpcSocket m_events;
    bool m_lost = false;
};

} // namespace platform
