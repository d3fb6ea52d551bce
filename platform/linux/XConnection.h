#pragma once

#include "platform/linux/XcbReply.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <xcb/xcb.h>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace platform {

// Receives every event read from an XConnection; each listener picks its own.
class XEventListener {
public:
    virtual ~XEventListener() = default;
    virtual void handleXEvent(const xcb_generic_event_t* event) = 0;
};

struct XProperty {
    xcb_atom_t type = XCB_ATOM_NONE;
    quint8 format = 0;
    QByteArray value;
};

// One XCB connection of our own, driven by the Qt event loop: a socket notifier
// reads new events, and events XCB queued while waiting for a reply are handed
// out before the loop blocks again. No thread of its own, no polling.
class XConnection : public QObject {
    Q_OBJECT
public:
    // Connects to displayName (empty: $DISPLAY). Returns nothing, with a
    // message in *error, when there is no X server to talk to.
    static std::unique_ptr<XConnection> open(const QString& displayName, QString* error);
    ~XConnection() override;

    xcb_connection_t* connection() const { return m_connection; }
    xcb_window_t rootWindow() const { return m_root; }
    bool hasError() const;

    xcb_atom_t atom(const char* name);

    std::optional<XProperty> property(xcb_window_t window, xcb_atom_t property,
                                      xcb_atom_t type = XCB_ATOM_ANY, quint32 maxBytes = 65536);
    // The first 32-bit value of a CARDINAL or WINDOW property.
    std::optional<quint32> cardinalProperty(xcb_window_t window, xcb_atom_t property);
    std::optional<xcb_window_t> windowProperty(xcb_window_t window, xcb_atom_t property);
    QList<quint32> cardinalListProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
    // A STRING or UTF8_STRING property split at its NUL separators; empty
    // pieces are kept so positions stay meaningful.
    std::optional<QStringList> stringListProperty(xcb_window_t window, xcb_atom_t property);
    std::optional<QString> stringProperty(xcb_window_t window, xcb_atom_t property);

    // Adds events to those this connection receives from the window, keeping
    // whatever other parts of the program selected there (an X client has one
    // event mask per window). False when the window is gone.
    bool selectEvents(xcb_window_t window, uint32_t events);

    void addListener(XEventListener* listener);
    void removeListener(XEventListener* listener);
    void flush();

signals:
    void connectionLost();

private:
    XConnection(xcb_connection_t* connection, int screenNumber);
    void readEvents();
    void dispatchQueuedEvents();
    void dispatch(const xcb_generic_event_t* event);
    void checkConnection();

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    QHash<QByteArray, xcb_atom_t> m_atoms;
    QList<XEventListener*> m_listeners;
    QSocketNotifier* m_notifier = nullptr;
    bool m_lost = false;
};

} // namespace platform
