#pragma once

#include "platform/linux/XConnection.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>

#include <xcb/xcb.h>

#include <optional>

// A second X client, playing the part of other applications and of the window
// manager: it makes windows with identity properties, sets the active window
// and locks keyboard groups. Every call waits until the server has handled it.
// Connected unless the display cannot be reached; then only isConnected() may be asked.
class XTestClient {
public:
    struct WindowProperties {
        std::optional<QString> wmClassInstance;
        std::optional<QString> wmClassClass;
        std::optional<quint32> pid;
        std::optional<QString> gtkApplicationId;
        std::optional<QString> kdeDesktopFile;

        // A window of the application with this WM_CLASS class (the instance
        // is the class in lower case, as toolkits make it).
        static WindowProperties ofClass(const QString& className, std::optional<quint32> pid = {})
        {
            WindowProperties properties;
            properties.wmClassInstance = className.toLower();
            properties.wmClassClass = className;
            properties.pid = pid;
            return properties;
        }
    };

    // The test's display (DISPLAY) unless another is named.
    explicit XTestClient(const QString& displayName = QString());

    bool isConnected() const { return m_x && !m_x->hasError(); }
    xcb_connection_t* connection() const { return m_x->connection(); }
    xcb_window_t root() const { return m_x->rootWindow(); }
    xcb_atom_t atom(const char* name) { return m_x->atom(name); }

    xcb_window_t createWindow(const WindowProperties& properties);
    void destroyWindow(xcb_window_t window);
    void setActiveWindow(xcb_window_t window);
    void setClientList(const QList<xcb_window_t>& windows);
    void setStringProperty(xcb_window_t window, const char* property, const QByteArray& value,
                           const char* type = "UTF8_STRING");
    void deleteProperty(xcb_window_t window, const char* property);

    platform::XcbReply<xcb_get_window_attributes_reply_t> windowAttributes(xcb_window_t window);
    // The top-level windows currently mapped (viewable).
    QList<xcb_window_t> viewableTopLevelWindows();
    // An 8-bit property's bytes (any type); nothing when the window lacks it.
    std::optional<QByteArray> byteProperty(xcb_window_t window, const char* property);
    xcb_window_t inputFocus();
    // Where a window shows on screen (root coordinates), wherever it is in the
    // window tree; nothing while it is not viewable.
    std::optional<QRect> viewableRootGeometry(xcb_window_t window);

    // XKB: lock a group, read the locked group.
    bool lockGroup(int group);
    std::optional<int> lockedGroup();

    void sync();

private:
    std::unique_ptr<platform::XConnection> m_x;
};
