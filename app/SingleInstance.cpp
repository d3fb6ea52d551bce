#include "app/SingleInstance.h"

#include "logging/Logger.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

const QByteArray kActivateRequest = QByteArrayLiteral("activate");
const QByteArray kConfirmation = QByteArrayLiteral("ok");
constexpr qint64 kMaxLineLength = 64;
// A client that says nothing within this time is dropped.
constexpr std::chrono::milliseconds kRequestTimeout{5000};
// How often a later start knocks while the first one is still starting.
constexpr std::chrono::milliseconds kRetryInterval{100};

} // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::lockPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("kelvaro.lock"));
}

QString SingleInstance::socketPath() const
{
    return QDir(m_folder).filePath(QStringLiteral("kelvaro.socket"));
}

SingleInstance::Role SingleInstance::claim()
{
    if (m_folder.isEmpty() || !QDir(m_folder).exists()) {
        Logger::shared().error(QStringLiteral("No runtime folder for the single-instance lock; running unguarded"));
        return Role::Primary;
    }
    auto lock = std::make_unique<QLockFile>(lockPath());
    // Held for the whole run: only a lock whose process is gone is stale.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_lock = std::move(lock);
        return Role::Primary;
    }
    if (lock->error() == QLockFile::LockFailedError)
        return Role::Secondary;
    Logger::shared().error(QStringLiteral("Cannot create the single-instance lock ") + lockPath()
                           + QStringLiteral("; running unguarded"));
    return Role::Primary;
}

bool SingleInstance::listen()
{
    if (!m_lock)
        return false;
    // Holding the lock, any socket file there was left by a process that is gone.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        Logger::shared().error(QStringLiteral("Cannot listen on ") + socketPath() + QStringLiteral(": ")
                               + m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            serve(socket);
    });
    return true;
}

void SingleInstance::serve(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kRequestTimeout, socket, &QLocalSocket::abort);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > kMaxLineLength)
                socket->abort();
            return;
        }
        const QByteArray request = socket->readLine(kMaxLineLength + 1).trimmed();
        if (request == kActivateRequest) {
            socket->write(kConfirmation + '\n');
            socket->disconnectFromServer();
            emit activationRequested();
        } else {
            Logger::shared().info(QStringLiteral("Ignored an unknown request on ") + socketPath());
            socket->abort();
        }
    });
}

bool SingleInstance::activatePrimary(std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            socket.write(kActivateRequest + '\n');
            socket.waitForBytesWritten(int(deadline.remainingTime()));
            while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) {
            }
            if (socket.canReadLine() && socket.readLine(kMaxLineLength + 1).trimmed() == kConfirmation)
                return true;
            Logger::shared().error(QStringLiteral("The running Kelvaro did not answer on ") + socketPath());
            return false;
        }
        // Refused or not there yet: the first instance may still be starting.
        if (deadline.hasExpired())
            break;
        const qint64 pause = std::min<qint64>(kRetryInterval.count(), deadline.remainingTime());
        QThread::msleep(static_cast<unsigned long>(pause));
    }
    Logger::shared().error(QStringLiteral("Kelvaro is already running but cannot be reached on ") + socketPath());
    return false;
}
