#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class DBusSession;
class XvfbServer;

struct TestEnvironmentOptions {
    // Start a private X server and point DISPLAY at it.
    bool display = false;
    // setxkbmap -layout / -variant for that server.
    QStringList xkbLayouts = {QStringLiteral("us")};
    QStringList xkbVariants = {};
    // Start a private D-Bus session bus and point DBUS_SESSION_BUS_ADDRESS at it.
    bool sessionBus = false;
};

// Gives a test process its own home: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME,
// XDG_CACHE_HOME, XDG_RUNTIME_DIR and XDG_DATA_DIRS all point into a fresh
// temporary folder, and the C.UTF-8 locale is used. Optionally starts a
// private X server and a private session bus. Must be created before the application object.
class TestEnvironment {
public:
    explicit TestEnvironment(const TestEnvironmentOptions& options = {});
    ~TestEnvironment();

    static TestEnvironment& current();

    QString root() const { return m_root.path(); }
    QString dataHome() const { return m_root.filePath(QStringLiteral("data")); }
    // The only folder in XDG_DATA_DIRS; tests put desktop entries under its applications/.
    QString dataDir() const { return m_root.filePath(QStringLiteral("share")); }
    XvfbServer* xServer() const { return m_xServer.get(); }

private:
    QTemporaryDir m_root;
    std::unique_ptr<XvfbServer> m_xServer;
    std::unique_ptr<DBusSession> m_sessionBus;
};
