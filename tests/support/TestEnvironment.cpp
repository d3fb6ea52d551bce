#include "TestEnvironment.h"

#include "DBusSession.h"
#include "XvfbServer.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

TestEnvironment* g_current = nullptr;

void setVariable(const char* name, const QString& value)
{
    qputenv(name, value.toLocal8Bit());
}

[[noreturn]] void fail(const QString& why)
{
    std::fprintf(stderr, "TestEnvironment: %s\n", qPrintable(why));
    std::exit(1);
}

} // namespace

TestEnvironment::TestEnvironment(const TestEnvironmentOptions& options)
{
    if (!m_root.isValid())
        fail(QStringLiteral("cannot create a temporary folder"));
    QDir root(m_root.path());
    for (const char* folder : {"home", "config", "data", "cache", "runtime", "share/applications"})
        root.mkpath(QString::fromLatin1(folder));
    QFile::setPermissions(root.filePath("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                        | QFileDevice::ExeOwner);

    setVariable("HOME", root.filePath("home"));
    setVariable("XDG_CONFIG_HOME", root.filePath("config"));
    setVariable("XDG_DATA_HOME", dataHome());
    setVariable("XDG_CACHE_HOME", root.filePath("cache"));
    setVariable("XDG_RUNTIME_DIR", root.filePath("runtime"));
    setVariable("XDG_DATA_DIRS", dataDir());
    setVariable("LC_ALL", QStringLiteral("C.UTF-8"));
    setVariable("LANG", QStringLiteral("C.UTF-8"));
    qunsetenv("LANGUAGE");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");

    if (options.display) {
        m_xServer = std::make_unique<XvfbServer>();
        if (QString error; !m_xServer->start(options.xkbLayouts, options.xkbVariants, &error))
            fail(error);
        setVariable("DISPLAY", m_xServer->displayName());
    } else {
        // Widgets still work, drawn off screen.
        qunsetenv("DISPLAY");
        setVariable("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
    }
    qunsetenv("WAYLAND_DISPLAY");

    if (options.sessionBus) {
        m_sessionBus = std::make_unique<DBusSession>();
        if (QString error; !m_sessionBus->start(&error))
            fail(error);
        setVariable("DBUS_SESSION_BUS_ADDRESS", m_sessionBus->address());
    }
    g_current = this;
}

TestEnvironment::~TestEnvironment()
{
    g_current = nullptr;
}

TestEnvironment& TestEnvironment::current()
{
    Q_ASSERT(g_current);
    return *g_current;
}
