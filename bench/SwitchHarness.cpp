#include "SwitchHarness.h"

#include "XkbGroupWatcher.h"

#include "XTestClient.h"

#include <QElapsedTimer>
#include <QThread>

using namespace std::chrono_literals;

QJsonObject SwitchRun::toJson() const
{
    return {{QStringLiteral("attempted"), attempted},
            {QStringLiteral("made"), made},
            {QStringLiteral("alreadyHeld"), alreadyHeld},
            {QStringLiteral("missed"), missed},
            {QStringLiteral("latency"), latency.toJson()},
            {QStringLiteral("cpuMicrosecondsPerSwitch"), attempted ? cpuMicroseconds / attempted : 0},
            {QStringLiteral("wakeupsPerSwitch"), attempted ? double(wakeups) / attempted : 0}};
}

QString SwitchRun::summary() const
{
    QString text = QStringLiteral("%1 of %2 switches made").arg(made).arg(attempted);
    if (alreadyHeld > 0)
        text += QStringLiteral(", %1 found the group already right").arg(alreadyHeld);
    if (missed > 0)
        text += QStringLiteral(", %1 missed").arg(missed);
    if (attempted > 0)
        text += QStringLiteral("; per switch %1 µs of CPU, %2 wake-ups")
                    .arg(cpuMicroseconds / attempted, 0, 'f', 0)
                    .arg(double(wakeups) / attempted, 0, 'f', 1);
    return text + QStringLiteral("; latency of those made: ") + latency.summary();
}

SwitchHarness::SwitchHarness(XTestClient& client, XkbGroupWatcher& watcher)
    : m_client(client)
    , m_watcher(watcher)
    , m_activeWindow(client.atom("_NET_ACTIVE_WINDOW"))
{
}

void SwitchHarness::manage(const QList<xcb_window_t>& windows)
{
    xcb_connection_t* connection = m_client.connection();
    const xcb_atom_t wmState = m_client.atom("WM_STATE");
    for (const xcb_window_t window : windows) {
        // The application's part: it takes input (WM_HINTS, flags InputHint, input True).
        const quint32 hints[9] = {1, 1};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, hints);
        // The window manager's: the window is in the normal state.
        const quint32 normalState[] = {1, XCB_WINDOW_NONE};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, wmState, wmState, 32, 2, normalState);
        xcb_map_window(connection, window);
    }
    m_client.setClientList(windows);
}

void SwitchHarness::activate(xcb_window_t window)
{
    // Focus first, then the property, in one go: how window managers do it.
    xcb_connection_t* connection = m_client.connection();
    if (window != XCB_WINDOW_NONE)
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, m_client.root(), m_activeWindow, XCB_ATOM_WINDOW, 32, 1,
                        &window);
    m_client.sync();
}

void SwitchHarness::lockGroup(int group)
{
    m_client.lockGroup(group);
}

SwitchHarness::Result SwitchHarness::timedSwitch(const SwitchTarget& target, std::chrono::milliseconds timeout)
{
    m_watcher.drain();
    QElapsedTimer timer;
    timer.start();
    activate(target.window);
    if (m_watcher.waitForGroup(target.group, timeout)) {
        return {Outcome::Changed, double(timer.nsecsElapsed()) / 1e6};
    }
    return {m_client.lockedGroup() == target.group ? Outcome::AlreadyHeld : Outcome::Missed, 0};
}

void SwitchHarness::alternate(const SwitchTarget& a, const SwitchTarget& b, int count,
                              std::chrono::milliseconds timeout, SwitchRun* run, std::chrono::milliseconds pause)
{
    for (int i = 0; i < count; ++i) {
        if (pause.count() > 0)
            QThread::msleep(pause.count());
        const Result result = timedSwitch(i % 2 == 0 ? b : a, timeout);
        if (!run)
            continue;
        ++run->attempted;
        switch (result.outcome) {
        case Outcome::Changed:
            ++run->made;
            run->latency.add(result.milliseconds);
            break;
        case Outcome::AlreadyHeld:
            ++run->alreadyHeld;
            break;
        case Outcome::Missed:
            ++run->missed;
            break;
        }
    }
}

bool SwitchHarness::waitUntilSwitching(const SwitchTarget& a, const SwitchTarget& b, int otherGroup,
                                       std::chrono::milliseconds patience)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; timer.elapsed() < patience.count(); ++i) {
        // From a group neither window has, so that any reaction is a change.
        activate(XCB_WINDOW_NONE);
        lockGroup(otherGroup);
        if (timedSwitch(i % 2 == 0 ? a : b, 100ms).outcome == Outcome::Changed)
            return true;
    }
    return false;
}

void SwitchHarness::teach(const QList<SwitchTarget>& targets)
{
    for (const SwitchTarget& target : targets) {
        activate(target.window);
        // Time for the switcher to see the new focus before the key press.
        QThread::msleep(50);
        lockGroup(target.group);
        QThread::msleep(50);
    }
}
