#include "SwitchBenchmarks.h"

#include "KelvaroProcess.h"
#include "Samples.h"
#include "XkbGroupWatcher.h"

#include "core/RulesStore.h"
#include "platform/linux/XcbReply.h"
#include "settings/UserDefaults.h"

#include "TestEnvironment.h"
#include "TrayHost.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QThread>

#include <cstdio>

namespace {

using namespace std::chrono_literals;

constexpr int kWarmUpSwitches = 50;
constexpr int kMeasuredSwitches = 2000;
constexpr int kMemorySwitches = 10000;
constexpr int kGroupA = 1;   // de
constexpr int kGroupB = 2;   // ru

void print(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

bool writeRulesAndSettings()
{
    const QList<AppRule> rules{AppRule::create(QStringLiteral("BenchA"), QStringLiteral("A"), QStringLiteral("xkb:de::deu")),
                               AppRule::create(QStringLiteral("BenchB"), QStringLiteral("B"), QStringLiteral("xkb:ru::rus"))};
    QString error;
    if (!RulesStore(RulesStore::defaultPath()).save(rules, &error)) {
        print(QStringLiteral("Switch benchmarks: cannot write the rules: %1").arg(error));
        return false;
    }

    // Only the switch itself: no panel, no click, no notification.
    QSettings& settings = UserDefaults::standard();
    settings.setValue("indicatorEnabled", false);
    settings.setValue("soundEnabled", false);
    settings.setValue("showNotification", false);
    settings.sync();
    return true;
}

// Whether a window of the process is on screen, anywhere in the window tree
// (a tray item lives inside the tray's window).
bool hasViewableWindow(xcb_connection_t* connection, xcb_window_t parent, xcb_atom_t pidAtom, quint32 pid)
{
    platform::XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), nullptr));
    if (!tree)
        return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        platform::XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        platform::XcbReply<xcb_get_property_reply_t> property(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, children[i], pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        if (property && xcb_get_property_value_length(property.get()) == 4
            && *static_cast<const quint32*>(xcb_get_property_value(property.get())) == pid)
            return true;
        if (hasViewableWindow(connection, children[i], pidAtom, pid))
            return true;
    }
    return false;
}

// Activates the window and returns the microseconds until the group changed,
// or a negative value when it did not within a second.
double timedSwitch(XTestClient& client, XkbGroupWatcher& watcher, xcb_window_t window, int group)
{
    QElapsedTimer timer;
    timer.start();
    client.setActiveWindow(window);
    if (!watcher.waitForGroup(group, 1000ms))
        return -1;
    return double(timer.nsecsElapsed()) / 1000.0;
}

} // namespace

QJsonObject runSwitchBenchmarks(const QString& kelvaroProgram, int idleSeconds)
{
    QJsonObject results;
    const QString display = TestEnvironment::current().xServer()->displayName();
    if (!writeRulesAndSettings())
        return results;

    XTestClient client(display);
    XkbGroupWatcher watcher(display);
    if (!client.isConnected() || !watcher.isReady()) {
        print(QStringLiteral("Switch benchmarks: cannot reach the X server %1").arg(display));
        return results;
    }
    const xcb_window_t windowA = client.createWindow(XTestClient::WindowProperties::ofClass(QStringLiteral("BenchA"), 7001));
    const xcb_window_t windowB = client.createWindow(XTestClient::WindowProperties::ofClass(QStringLiteral("BenchB"), 7002));

    // Start-up, under a window manager with a system tray: A is in front
    // before the program starts; the clock runs until the first switch is
    // done and until the tray item is on screen.
    auto trayHost = std::make_unique<TrayHost>();
    QString trayError;
    const bool hasTray = trayHost->start(TestEnvironment::current().root(), &trayError);
    if (!hasTray)
        print(QStringLiteral("Start-up: no system tray (%1); the tray figure is left out").arg(trayError));
    const xcb_atom_t pidAtom = client.atom("_NET_WM_PID");
    Samples startup(QStringLiteral("ms"));
    Samples startupToTray(QStringLiteral("ms"));
    for (int run = 0; run < 5; ++run) {
        client.lockGroup(0);
        client.setActiveWindow(windowA);
        KelvaroProcess kelvaro(kelvaroProgram);
        QElapsedTimer timer;
        timer.start();
        if (!kelvaro.start()) {
            print(QStringLiteral("Start-up: cannot start %1").arg(kelvaroProgram));
            break;
        }
        std::optional<double> switched;
        std::optional<double> trayShown;
        while ((!switched || (hasTray && !trayShown)) && timer.elapsed() < 10000) {
            if (!switched && watcher.waitForGroup(kGroupA, 1ms))
                switched = double(timer.nsecsElapsed()) / 1e6;
            if (hasTray && !trayShown && hasViewableWindow(client.connection(), client.root(), pidAtom, quint32(kelvaro.pid())))
                trayShown = double(timer.nsecsElapsed()) / 1e6;
        }
        if (!switched) {
            print(QStringLiteral("Start-up: kelvaro did not switch within 10 s"));
            break;
        }
        startup.add(*switched);
        if (trayShown)
            startupToTray.add(*trayShown);
        kelvaro.stop();
    }
    print(QStringLiteral("Start-up, process start to the first switch done: %1").arg(startup.summary()));
    results.insert(QStringLiteral("startupToFirstSwitch"), startup.toJson());
    if (startupToTray.count() > 0) {
        print(QStringLiteral("Start-up, process start to the tray item shown: %1").arg(startupToTray.summary()));
        results.insert(QStringLiteral("startupToTrayItem"), startupToTray.toJson());
    }

    // From here on the harness plays the window manager, as before the tray.
    trayHost.reset();
    client.lockGroup(0);
    client.setActiveWindow(XCB_WINDOW_NONE);
    KelvaroProcess kelvaro(kelvaroProgram);
    if (!kelvaro.start()) {
        print(QStringLiteral("Switch latency: kelvaro does not start"));
        return results;
    }
    // Settled once it has switched for a first application.
    if (timedSwitch(client, watcher, windowA, kGroupA) < 0 && timedSwitch(client, watcher, windowA, kGroupA) < 0) {
        QThread::sleep(1);
    }
    const qint64 residentAfterStart = kelvaro.residentKiB();

    Samples latency(QStringLiteral("ms"));
    int missed = 0;
    for (int i = 0; i < kWarmUpSwitches + kMeasuredSwitches; ++i) {
        const bool toB = i % 2 == 0;
        const double micros = timedSwitch(client, watcher, toB ? windowB : windowA, toB ? kGroupB : kGroupA);
        if (micros < 0)
            ++missed;
        else if (i >= kWarmUpSwitches)
            latency.add(micros / 1000.0);
    }
    print(QStringLiteral("Switch latency, activation to group change: %1%2")
              .arg(latency.summary(), missed ? QStringLiteral(", %1 switches missed").arg(missed) : QString()));
    results.insert(QStringLiteral("switchLatency"), latency.toJson());
    results.insert(QStringLiteral("switchesMissed"), missed);

    const qint64 residentAfterLatency = kelvaro.residentKiB();
    for (int i = 0; i < kMemorySwitches; ++i) {
        const bool toB = i % 2 == 0;
        timedSwitch(client, watcher, toB ? windowB : windowA, toB ? kGroupB : kGroupA);
    }
    const qint64 residentAfterSwitches = kelvaro.residentKiB();
    print(QStringLiteral("Resident memory: %1 KiB after start, %2 KiB after %3 switches, %4 KiB after %5 more")
              .arg(residentAfterStart)
              .arg(residentAfterLatency)
              .arg(kMeasuredSwitches + kWarmUpSwitches)
              .arg(residentAfterSwitches)
              .arg(kMemorySwitches));
    results.insert(QStringLiteral("residentKiBAfterStart"), double(residentAfterStart));
    results.insert(QStringLiteral("residentKiBAfterLatencyRun"), double(residentAfterLatency));
    results.insert(QStringLiteral("residentKiBAfterTenThousandMore"), double(residentAfterSwitches));

    if (idleSeconds > 0) {
        const double cpuBefore = kelvaro.cpuMilliseconds();
        const qint64 wakeupsBefore = kelvaro.voluntaryContextSwitches();
        QThread::sleep(idleSeconds);
        const double cpu = kelvaro.cpuMilliseconds() - cpuBefore;
        const qint64 wakeups = kelvaro.voluntaryContextSwitches() - wakeupsBefore;
        print(QStringLiteral("Idle %1 s: %2 ms of CPU time, %3 wake-ups (voluntary context switches; the 2-second "
                             "trust poll alone makes %4)")
                  .arg(idleSeconds)
                  .arg(cpu, 0, 'f', 1)
                  .arg(wakeups)
                  .arg(idleSeconds / 2));
        results.insert(QStringLiteral("idleSeconds"), idleSeconds);
        results.insert(QStringLiteral("idleCpuMs"), cpu);
        results.insert(QStringLiteral("idleWakeups"), double(wakeups));
    }
    return results;
}
