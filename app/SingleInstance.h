#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QDeadlineTimer;
class QLocalServer;
class QLocalSocket;

namespace platform {
class ProcessLock;
}

// One Kelvaro per display. The first start on a display holds the lock file
// "<name>.lock" in the user's runtime folder for its whole run and answers on
// the local socket "<name>.socket" beside it; a later start on that display
// finds the lock held, asks the first one over the socket to come forward, and
// ends. The name carries the display: "kelvaro-0" for DISPLAY ":0" or ":0.1"
// (the screen left out), "kelvaro-host-10" for "host:10", "kelvaro-wayland-0"
// for WAYLAND_DISPLAY "wayland-0" when DISPLAY is not set, "kelvaro" without
// either. The lock is the kernel's on the open file, so a lock file left by a
// process that is gone is free whatever it holds; the socket left with it is
// replaced. Main thread only.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role { Primary, Secondary };

    static constexpr std::chrono::milliseconds kActivationTimeout{10000};

    // folder: where the lock and the socket live; $XDG_RUNTIME_DIR by default.
    // name: of the lock and the socket, without extension.
    explicit SingleInstance(const QString& folder = defaultFolder(), const QString& name = defaultName(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    static QString defaultFolder();
    // The name for the display this process runs on (see above).
    static QString defaultName();
    QString lockPath() const;
    QString socketPath() const;

    // Takes the lock; works before the application object exists. When the
    // lock cannot be used at all, the error is logged and this process runs
    // as the primary without the guard.
    Role claim();

    // Primary: answers later starts. Needs the application object.
    bool listen();

    // Secondary: asks the running instance to come forward, waiting for it
    // while it is still starting. Secondary once it confirmed. Primary when
    // the holder went away meanwhile (the lock is now ours), or when it never
    // answered: then this process runs unguarded, as the log says. Needs the
    // application object.
    Role activatePrimary(std::chrono::milliseconds timeout = kActivationTimeout);

signals:
    // A later start asked this instance to come forward.
    void activationRequested();

private:
    void serve(QLocalSocket* socket);
    bool requestActivation(const QDeadlineTimer& deadline);

    QString m_folder;
    QString m_name;
    std::unique_ptr<platform::ProcessLock> m_lock;
    QLocalServer* m_server = nullptr;
};
