#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QLocalSocket>
#include <QObject>

#include <optional>

namespace platform {

// One connection to a compositor that speaks the i3 IPC protocol (sway): a
// message is "i3-ipc", its payload's length and its type (both 32 bits, in
// the host's order) and a JSON payload. Requests wait for their reply; events
// (on a connection that subscribed to them) arrive on the event loop. The
// socket is closed with this object.
class I3IpcSocket : public QObject {
    Q_OBJECT
public:
    enum MessageType : quint32 {
        RunCommand = 0,
        Subscribe = 2,
        GetTree = 4,
        GetInputs = 100,
    };
    // Event types carry this bit.
    static constexpr quint32 kEventBit = 0x80000000u;
    static constexpr quint32 kWindowEvent = kEventBit | 3;
    static constexpr quint32 kInputEvent = kEventBit | 21;

    explicit I3IpcSocket(QObject* parent = nullptr);
    ~I3IpcSocket() override;

    bool open(const QString& path, QString* error);
    // Sends a request and waits (at most timeoutMs) for its reply; nothing,
    // with *error set, when the connection fails, the reply is not JSON or
    // does not come. A failed connection is closed.
    std::optional<QJsonDocument> request(quint32 type, const QByteArray& payload, QString* error,
                                         int timeoutMs = 2000);

signals:
    void eventReceived(quint32 type, const QJsonDocument& payload);
    // The compositor closed the connection, or broke the protocol.
    void closed(const QString& reason);

private:
    struct Message {
        quint32 type = 0;
        QByteArray payload;
    };

    void readAvailable();
    // The next whole message in the buffer; nothing when it is not all in,
    // or (with *error set) when the buffer does not hold a message.
    std::optional<Message> takeMessage(QString* error);
    void fail(const QString& reason);
    void deliverEvents();

    QLocalSocket m_socket;
    QByteArray m_buffer;
    QList<Message> m_events;
    bool m_inRequest = false;
    bool m_failed = false;
};

} // namespace platform
