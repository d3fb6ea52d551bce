#include "app/SingleInstance.h"

#include "logging/Logger.h"
#include "platform/ProcessLock.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
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
// Keeps the socket's path within what a Unix socket address holds.
constexpr qsizetype kMaxDisplayNameLength = 48;

} // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& name, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
    , m_name(name)
{
}

SingleInstance::~SingleInstance()
{
    // The socket first: once the lock is free, a new start may listen on the same path.
    delete m_server;
}

QString SingleInstance::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::defaultName()
{
    QString display = qEnvironmentVariable("DISPLAY");
    if (!display.isEmpty()) {
        // Screens of one X display share its keyboard: ":0.1" is ":0".
        const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
        if (const qsizetype dot = display.indexOf(QLatin1Char('.'), colon + 1); colon >= 0 && dot > colon)
            display.truncate(dot);
    } else {
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    }
    QString name;
    for (const QChar c : std::as_const(display).left(kMaxDisplayNameLength)) {
        if (c == QLatin1Char(':'))
            name += QLatin1Char('-');
        else if ((c.isLetterOrNumber() && c.unicode() < 0x80) || c == QLatin1Char('.') || c == QLatin1Char('-'))
            name += c;
        else
            name += QLatin1Char('_');
    }
    while (name.startsWith(QLatin1Char('-')))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("kelvaro") : QStringLiteral("kelvaro-") + name;
}

QString SingleInstance::lockPath() const
{
    return QDir(m_folder).filePath(m_name + QStringLiteral(".lock"));
}

QString SingleInstance::socketPath() const
{
    return QDir(m_folder).filePath(m_name + QStringLiteral(".socket"));
}

SingleInstance::Role SingleInstance::claim()
{
    if (m_folder.isEmpty() || !QDir(m_folder).exists()) {
        Logger::shared().error(QStringLiteral("No runtime folder for the single-instance lock; running unguarded"));
        return Role::Primary;
    }
    auto lock = std::make_unique<platform::ProcessLock>(lockPath());
    QString error;
    switch (lock->tryLock(&error)) {
    case platform::ProcessLock::Result::Locked:
        m_lock = std::move(lock);
        return Role::Primary;
    case platform::ProcessLock::Result::HeldElsewhere:
        return Role::Secondary;
    case platform::ProcessLock::Result::Failed:
        break;
    }
    Logger::shared().error(QStringLiteral("Cannot take the single-instance lock %1 (%2); running unguarded")
                               .arg(lockPath(), error));
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

SingleInstance::Role SingleInstance::activatePrimary(std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (true) {
        if (requestActivation(deadline))
            return Role::Secondary;
        // No answer: the holder may still be starting, or have ended just now.
        if (claim() == Role::Primary)
            return Role::Primary;
        if (deadline.hasExpired())
            break;
        const qint64 pause = std::min<qint64>(kRetryInterval.count(), deadline.remainingTime());
        QThread::msleep(static_cast<unsigned long>(pause));
    }
    // Whatever holds the lock is no Kelvaro that can be reached: never lock the user out for it.
    Logger::shared().error(QStringLiteral("The holder of %1 does not answer on %2; running unguarded")
                               .arg(lockPath(), socketPath()));
    return Role::Primary;
}

bool SingleInstance::requestActivation(const QDeadlineTimer& deadline)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(kActivateRequest + '\n');
    socket.waitForBytesWritten(int(deadline.remainingTime()));
    while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) {
    }
    return socket.canReadLine() && socket.readLine(kMaxLineLength + 1).trimmed() == kConfirmation;
}
