#pragma once

#include <QString>

#include <xcb/xcb.h>

#include <chrono>

// A client of its own that hears every change of the locked keyboard group,
// the moment the server announces it.
class XkbGroupWatcher {
public:
    explicit XkbGroupWatcher(const QString& displayName);
    ~XkbGroupWatcher();
    XkbGroupWatcher(const XkbGroupWatcher&) = delete;
    XkbGroupWatcher& operator=(const XkbGroupWatcher&) = delete;

    bool isReady() const { return m_ready; }

    // Forgets the changes announced so far.
    void drain();
    // Waits until the locked group becomes `group` (true), or the time runs out.
    bool waitForGroup(int group, std::chrono::milliseconds timeout);

private:
    xcb_connection_t* m_connection = nullptr;
    quint8 m_xkbEventBase = 0;
    bool m_ready = false;
};
