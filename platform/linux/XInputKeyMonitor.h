#pragma once

#include "platform/KeyMonitor.h"
#include "platform/linux/XConnection.h"

#include <optional>

namespace platform {

// Key presses of the whole X display, seen as XInput 2 raw key presses on the
// root window: observed, never grabbed, so they still reach the focused
// client. The modifiers come from XKB state notifications, which arrive on the
// same connection in the server's order, so each press carries the modifiers
// held at that moment even when they are released before it is read.
// Everything runs on the main thread through the XConnection.
class XInputKeyMonitor : public KeyMonitor, private XEventListener {
    Q_OBJECT
public:
    explicit XInputKeyMonitor(XConnection& connection, QObject* parent = nullptr);
    ~XInputKeyMonitor() override;

    bool start() override;
    void stop() override;
    bool isMonitoring() const override { return m_monitoring; }

private:
    bool setUpExtensions();
    bool selectEvents(bool watch);
    void handleXEvent(const xcb_generic_event_t* event) override;

    XConnection& m_connection;
    bool m_extensionsReady = false;
    bool m_monitoring = false;
    quint8 m_xinputOpcode = 0;
    quint8 m_xkbEventBase = 0;
    quint8 m_xkbModifiers = 0;   // effective XKB modifier mask of the core keyboard
    // The state request made at start: notices sent before it are stale.
    std::optional<uint32_t> m_stateSequence;
};

} // namespace platform
