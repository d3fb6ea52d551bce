#include "platform/linux/EwmhWorkspace.h"
#include "platform/linux/XConnection.h"

#include "InputMethodFramework.h"
#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QHash>

// The test's X server as a desktop: windows of applications made active as a
// window manager does, and the EWMH workspace that watches them.
class X11Desktop {
public:
    XTestClient client{TestEnvironment::current().xServer()->displayName()};
    QHash<QString, xcb_window_t> windows;
    std::unique_ptr<platform::XConnection> connection;
};

InputMethodFramework::InputMethodFramework() = default;
InputMethodFramework::~InputMethodFramework() = default;

std::unique_ptr<platform::Workspace> InputMethodFramework::createWorkspace()
{
    if (!m_x11)
        m_x11 = std::make_unique<X11Desktop>();
    QString error;
    if (!m_x11->connection)
        m_x11->connection = platform::XConnection::open(TestEnvironment::current().xServer()->displayName(), &error);
    if (!m_x11->connection) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    return std::make_unique<platform::EwmhWorkspace>(*m_x11->connection);
}

bool InputMethodFramework::activateApplication(const QString& appId)
{
    if (!m_x11)
        m_x11 = std::make_unique<X11Desktop>();
    if (!m_x11->client.isConnected())
        return false;
    if (!m_x11->windows.contains(appId)) {
        auto properties = XTestClient::WindowProperties::ofClass(appId, quint32(5000 + m_x11->windows.size()));
        properties.gtkApplicationId = appId;
        m_x11->windows.insert(appId, m_x11->client.createWindow(properties));
        m_x11->client.setClientList(m_x11->windows.values());
    }
    m_x11->client.setActiveWindow(m_x11->windows.value(appId));
    return true;
}
