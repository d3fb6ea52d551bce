#include "platform/sway/I3IpcSocket.h"

#include <QDeadlineTimer>
#include <QtEndian>

#include <cstring>

namespace platform {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr qsizetype kMagicSize = sizeof(kMagic) - 1;
constexpr qsizetype kHeaderSize = kMagicSize + 8;
// A tree of thousands of windows stays far below this.
constexpr quint32 kMaxPayload = 64 * 1024 * 1024;

} // namespace

I3IpcSocket::I3IpcSocket(QObject* parent)
    : QObject(parent)
{
    connect(&m_socket, &QLocalSocket::readyRead, this, [this] {
        if (!m_inRequest)
            readAvailable();
    });
    connect(&m_socket, &QLocalSocket::disconnected, this,
            [this] { fail(QStringLiteral("the compositor closed the connection")); });
}

I3IpcSocket::~I3IpcSocket()
{
    m_socket.disconnect(this);
    m_socket.abort();
}

bool I3IpcSocket::open(const QString& path, QString* error)
{
    m_socket.connectToServer(path);
    if (!m_socket.waitForConnected(2000)) {
        *error = QStringLiteral("cannot connect to %1: %2").arg(path, m_socket.errorString());
        return false;
    }
    return true;
}

std::optional<QJsonDocument> I3IpcSocket::request(quint32 type, const QByteArray& payload, QString* error,
                                                  int timeoutMs)
{
    if (m_failed || m_socket.state() != QLocalSocket::ConnectedState) {
        *error = QStringLiteral("not connected");
        return std::nullopt;
    }
    QByteArray message(kMagic, kMagicSize);
    const quint32 header[2] = {quint32(payload.size()), type};
    message.append(reinterpret_cast<const char*>(header), sizeof(header));
    message.append(payload);
    m_socket.write(message);

    // Events that come before the reply wait for the event loop.
    m_inRequest = true;
    std::optional<Message> reply;
    QString protocolError;
    for (QDeadlineTimer deadline(timeoutMs);;) {
        m_buffer.append(m_socket.readAll());
        while (std::optional<Message> next = takeMessage(&protocolError)) {
            if (!(next->type & kEventBit)) {
                reply = std::move(next);
                break;
            }
            m_events.append(std::move(*next));
        }
        if (reply || !protocolError.isEmpty())
            break;
        if (m_socket.state() != QLocalSocket::ConnectedState) {
            protocolError = QStringLiteral("the compositor closed the connection");
            break;
        }
        if (deadline.hasExpired()) {
            protocolError = QStringLiteral("no reply within %1 ms").arg(timeoutMs);
            break;
        }
        m_socket.waitForReadyRead(int(deadline.remainingTime()));
    }
    m_inRequest = false;
    if (!m_events.isEmpty())
        QMetaObject::invokeMethod(this, &I3IpcSocket::deliverEvents, Qt::QueuedConnection);
    if (!protocolError.isEmpty()) {
        *error = protocolError;
        fail(protocolError);
        return std::nullopt;
    }
    if (reply->type != type) {
        *error = QStringLiteral("a reply of type %1 to a request of type %2").arg(reply->type).arg(type);
        fail(*error);
        return std::nullopt;
    }
    QJsonParseError parseError;
    QJsonDocument document = QJsonDocument::fromJson(reply->payload, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("a reply that is not JSON: ") + parseError.errorString();
        return std::nullopt;
    }
    return document;
}

std::optional<I3IpcSocket::Message> I3IpcSocket::takeMessage(QString* error)
{
    if (m_buffer.size() < kHeaderSize)
        return std::nullopt;
    if (std::memcmp(m_buffer.constData(), kMagic, kMagicSize) != 0) {
        *error = QStringLiteral("a message without the i3-ipc header");
        return std::nullopt;
    }
    quint32 header[2];
    std::memcpy(header, m_buffer.constData() + kMagicSize, sizeof(header));
    if (header[0] > kMaxPayload) {
        *error = QStringLiteral("a message of %1 bytes").arg(header[0]);
        return std::nullopt;
    }
    if (m_buffer.size() < kHeaderSize + qsizetype(header[0]))
        return std::nullopt;
    Message message{header[1], m_buffer.mid(kHeaderSize, header[0])};
    m_buffer.remove(0, kHeaderSize + header[0]);
    return message;
}

void I3IpcSocket::readAvailable()
{
    m_buffer.append(m_socket.readAll());
    QString error;
    while (std::optional<Message> message = takeMessage(&error)) {
        // Replies come only while a request waits for them.
        if (message->type & kEventBit)
            m_events.append(std::move(*message));
    }
    if (!error.isEmpty())
        return fail(error);
    deliverEvents();
}

void I3IpcSocket::deliverEvents()
{
    // A listener may make a request, which may add events.
    while (!m_events.isEmpty() && !m_failed) {
        const Message event = m_events.takeFirst();
        const QJsonDocument payload = QJsonDocument::fromJson(event.payload);
        if (payload.isObject())
            emit eventReceived(event.type, payload);
    }
}

void I3IpcSocket::fail(const QString& reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_events.clear();
    m_socket.abort();
    emit closed(reason);
}

} // namespace platform
