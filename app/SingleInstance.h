#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

// One Kelvaro per user session. The first start holds the lock file
// "kelvaro.lock" in the user's runtime folder for its whole run and answers on
// the local socket "kelvaro.socket" beside it; a later start finds the lock
// held, asks the first one over the socket to come forward, and ends. A lock
// left by a process that is gone counts as free, and the socket left with it
// is replaced. Main thread only.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role { Primary, Secondary };

    static constexpr std::chrono::milliseconds kActivationTimeout{10000};

    // folder: where the lock and the socket live; $XDG_RUNTIME_DIR by default.
    explicit SingleInstance(const QString& folder = defaultFolder(), QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultFolder();
    QString lockPath() const;
    QString socketPath() const;

    // Takes the lock; works before the application object exists. When the
    // lock cannot be used at all, the error is logged and this process runs
    // as the primary without the guard.
    Role claim();

    // Primary: answers later starts. Needs the application object.
    bool listen();

    // Secondary: asks the running instance to come forward, waiting for it
    // while it is still starting. True once it confirmed. Needs the
    // application object.
    bool activatePrimary(std::chrono::milliseconds timeout = kActivationTimeout);

signals:
    // A later start asked this instance to come forward.
    void activationRequested();

private:
    void serve(QLocalSocket* socket);

    QString m_folder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
