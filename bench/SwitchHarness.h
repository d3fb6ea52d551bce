#pragma once

#include "Samples.h"

#include <QJsonObject>
#include <QList>

#include <xcb/xcb.h>

#include <chrono>

class XTestClient;
class XkbGroupWatcher;

// A window of the benchmark and the group its application should get.
struct SwitchTarget {
    xcb_window_t window = XCB_WINDOW_NONE;
    int group = 0;
};

// What a switcher did with a run of activations.
struct SwitchRun {
    int attempted = 0;
    int made = 0;          // the group changed to the window's within the time allowed
    int alreadyHeld = 0;   // no change, but the group was the window's already
    int missed = 0;        // no change, and the group was another
    Samples latency{QStringLiteral("ms")};   // of those made
    // What the switcher spent on them, all its threads together.
    double cpuMicroseconds = 0;
    qint64 wakeups = 0;

    QJsonObject toJson() const;
    QString summary() const;
};

// Plays the window manager for the switchers under measurement: keeps the
// windows mapped and marked as managed, and activates one the way window
// managers do, by giving it the input focus and naming it in the root's
// _NET_ACTIVE_WINDOW; then times until the XKB group changes.
class SwitchHarness {
public:
    SwitchHarness(XTestClient& client, XkbGroupWatcher& watcher);

    // Maps the windows (WM_STATE normal, _NET_CLIENT_LIST), as a window
    // manager does with the windows it manages.
    void manage(const QList<xcb_window_t>& windows);
    void activate(xcb_window_t window);
    void lockGroup(int group);

    enum class Outcome { Changed, AlreadyHeld, Missed };
    struct Result {
        Outcome outcome = Outcome::Missed;
        double milliseconds = 0;
    };
    // Activates the window and waits up to `timeout` for its group.
    Result timedSwitch(const SwitchTarget& target, std::chrono::milliseconds timeout);

    // Alternates between a and b, starting with b; counts into *run, or into
    // nothing for a warm-up. Waits `pause` before each switch.
    void alternate(const SwitchTarget& a, const SwitchTarget& b, int count, std::chrono::milliseconds timeout,
                   SwitchRun* run = nullptr, std::chrono::milliseconds pause = std::chrono::milliseconds(0));

    // Waits until the switcher reacts to an activation at all (it has just
    // started): true once a group changed within `patience`.
    bool waitUntilSwitching(const SwitchTarget& a, const SwitchTarget& b, int otherGroup,
                            std::chrono::milliseconds patience);

    // Plays the user once for each window: activates it and selects its group
    // by hand, as one would the first time in a window (a switcher that
    // remembers a layout per window learns it from this).
    void teach(const QList<SwitchTarget>& targets);

private:
    XTestClient& m_client;
    XkbGroupWatcher& m_watcher;
    xcb_atom_t m_activeWindow = XCB_ATOM_NONE;
};
