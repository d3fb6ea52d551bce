#include "WaylandFramework.h"

#include "ServerProcess.h"

#include <QCoreApplication>
#include <QDir>

WaylandFramework::WaylandFramework(const QString& name)
    : m_socket(QStringLiteral("kelvaro-%1-%2").arg(name).arg(QCoreApplication::applicationPid()))
{
    QDir().mkpath(m_home.filePath("runtime"));
    QFile::setPermissions(m_home.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

WaylandFramework::~WaylandFramework()
{
    closeWindows();
}

void WaylandFramework::closeWindows()
{
    for (QProcess* window : std::as_const(m_windows))
        stopProcess(*window), delete window;
    m_windows.clear();
}

QProcessEnvironment WaylandFramework::programEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", m_bus.address());
    environment.insert("WAYLAND_DISPLAY", m_socket);
    environment.insert("XDG_RUNTIME_DIR", m_home.filePath("runtime"));
    return environment;
}

bool WaylandFramework::openWindow(const QString& appId)
{
    if (m_windows.contains(appId))
        return true;
    QProcess* window = m_windows[appId] = new QProcess;
    QProcessEnvironment environment = programEnvironment();
    environment.insert("QT_QPA_PLATFORM", "wayland");
    window->setProcessEnvironment(environment);
    window->start(QCoreApplication::applicationDirPath() + "/kelvaro_test_window", {appId});
    return window->waitForReadyRead(10000);
}
