#include "SwitchBenchmarks.h"

#include "KelvaroProcess.h"
#include "Samples.h"
#include "XkbGroupWatcher.h"

#include "app/UserDefaults.h"
#include "core/AppRuleJson.h"
#include "core/RulesStore.h"

#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

void writeRulesAndSettings()
{
    const QList<AppRule> rules{AppRule::create(QStringLiteral("BenchA"), QStringLiteral("A"), QStringLiteral("xkb:de::deu")),
                               AppRule::create(QStringLiteral("BenchB"), QStringLiteral("B"), QStringLiteral("xkb:ru::rus"))};
    const QString path = RulesStore::defaultPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(AppRuleJson::encode(rules));

    // Only the switch itself: no panel, no click, no notification.
    QSettings& settings = UserDefaults::standard();
    settings.setValue("indicatorEnabled", false);
    settings.setValue("soundEnabled", false);
    settings.setValue("showNotification", false);
    settings.sync();
}

XTestClient::WindowProperties application(const QString& className, quint32 pid)
{
    XTestClient::WindowProperties properties;
    properties.wmClassInstance = className.toLower();
    properties.wmClassClass = className;
    properties.pid = pid;
    return properties;
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
    writeRulesAndSettings();

    XTestClient client(display);
    XkbGroupWatcher watcher(display);
    if (!client.isConnected() || !watcher.isReady()) {
        print(QStringLiteral("Switch benchmarks: cannot reach the X server %1").arg(display));
        return results;
    }
    const xcb_window_t windowA = client.createWindow(application(QStringLiteral("BenchA"), 7001));
    const xcb_window_t windowB = client.createWindow(application(QStringLiteral("BenchB"), 7002));

    // Start-up to the first switch: A is in front before the program starts.
    Samples startup(QStringLiteral("ms"));
    for (int run = 0; run < 5; ++run) {
        client.lockGroup(0);
        client.setActiveWindow(windowA);
        KelvaroProcess kelvaro(kelvaroProgram);
        QElapsedTimer timer;
        timer.start();
        if (!kelvaro.start() || !watcher.waitForGroup(kGroupA, 10000ms)) {
            print(QStringLiteral("Start-up: kelvaro did not switch within 10 s"));
            break;
        }
        startup.add(double(timer.nsecsElapsed()) / 1e6);
        kelvaro.stop();
    }
    print(QStringLiteral("Start-up, process start to the first switch done: %1").arg(startup.summary()));
    results.insert(QStringLiteral("startupToFirstSwitch"), startup.toJson());

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

    for (int i = 0; i < kMemorySwitches; ++i) {
        const bool toB = i % 2 == 0;
        timedSwitch(client, watcher, toB ? windowB : windowA, toB ? kGroupB : kGroupA);
    }
    const qint64 residentAfterSwitches = kelvaro.residentKiB();
    print(QStringLiteral("Resident memory: %1 KiB after start, %2 KiB after %3 more switches")
              .arg(residentAfterStart)
              .arg(residentAfterSwitches)
              .arg(kMeasuredSwitches + kWarmUpSwitches + kMemorySwitches));
    results.insert(QStringLiteral("residentKiBAfterStart"), double(residentAfterStart));
    results.insert(QStringLiteral("residentKiBAfterSwitches"), double(residentAfterSwitches));

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
