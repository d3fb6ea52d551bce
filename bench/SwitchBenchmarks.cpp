#include "SwitchBenchmarks.h"

#include "DesktopServices.h"
#include "EntryRewriteBenchmark.h"
#include "PeerSwitchers.h"
#include "Samples.h"
#include "SwitchHarness.h"
#include "SwitcherProcess.h"
#include "XkbGroupWatcher.h"

#include "core/RulesStore.h"
#include "settings/UserDefaults.h"

#include "TestEnvironment.h"
#include "TrayHost.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QSettings>
#include <QThread>

#include <cstdio>

namespace {

using namespace std::chrono_literals;

// The latency runs of Kelvaro and of the floor take turns in blocks, each
// with a fresh process, so that both meet the same load on the machine.
constexpr int kBlocks = 8;
constexpr int kBlockSwitches = 250;
constexpr int kWarmUpSwitches = 50;
constexpr int kPeerSwitches = 400;
constexpr int kMemorySwitches = 10000;
constexpr auto kSwitchTimeout = 250ms;
// The keymap is us,de,ru: the two windows get groups 0 and 1; 2 is neither's.
constexpr int kGroupA = 0;   // us
constexpr int kGroupB = 1;   // de
constexpr int kOtherGroup = 2;

// Kelvaro logs every switch; the lines go to a file in the benchmark's home,
// not to the terminal the figures are printed on (whose drawing would compete
// with the switches for the processors).
QString switchersLog()
{
    return QDir(TestEnvironment::current().root()).filePath(QStringLiteral("switchers.log"));
}

// Kelvaro writes its settings at launch, under Qt's lock file beside them,
// and dies at once on SIGTERM: stopped in the middle of that write it leaves
// an empty lock behind, and the next one to start then waits for the lock to
// grow stale (30 s) before it handles anything. No Kelvaro runs when this is
// called, so a lock found here is such a leftover.
void removeSettingsLockLeftBehind()
{
    QFile::remove(UserDefaults::standard().fileName() + QStringLiteral(".lock"));
}

void print(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

bool writeRulesAndSettings()
{
    const QList<AppRule> rules{AppRule::create(QStringLiteral("BenchA"), QStringLiteral("A"), QStringLiteral("xkb:us::eng")),
                               AppRule::create(QStringLiteral("BenchB"), QStringLiteral("B"), QStringLiteral("xkb:de::deu"))};
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

void startupFigures(XTestClient& client, XkbGroupWatcher& watcher, xcb_window_t windowA, const QString& kelvaroProgram,
                    QJsonObject& results)
{
    // Under a window manager with a system tray: A is in front before the
    // program starts; the clock runs until the first switch is done and until
    // the tray item is on screen.
    auto trayHost = std::make_unique<TrayHost>();
    QString trayError;
    const bool hasTray = trayHost->start(TestEnvironment::current().root(), &trayError);
    if (!hasTray)
        print(QStringLiteral("Start-up: no system tray (%1); the tray figure is left out").arg(trayError));
    const xcb_atom_t pidAtom = client.atom("_NET_WM_PID");
    Samples startup(QStringLiteral("ms"));
    Samples startupToTray(QStringLiteral("ms"));
    for (int run = 0; run < 5; ++run) {
        client.lockGroup(kOtherGroup);
        client.setActiveWindow(windowA);
        watcher.drain();
        SwitcherProcess kelvaro(QStringLiteral("kelvaro"), kelvaroProgram);
        kelvaro.writeErrorsTo(switchersLog());
        removeSettingsLockLeftBehind();
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
    }
    print(QStringLiteral("Start-up, process start to the first switch done: %1").arg(startup.summary()));
    results.insert(QStringLiteral("startupToFirstSwitch"), startup.toJson());
    if (startupToTray.count() > 0) {
        print(QStringLiteral("Start-up, process start to the tray item shown: %1").arg(startupToTray.summary()));
        results.insert(QStringLiteral("startupToTrayItem"), startupToTray.toJson());
    }
}

// Starts the switcher and waits until it reacts; it is then taught the two
// windows' groups and warmed up. False, said, when it never switched.
bool bringUp(SwitcherProcess& switcher, SwitchHarness& harness, const SwitchTarget& a, const SwitchTarget& b,
             bool switchesOnItsOwn, bool hasTrayItem, XTestClient& client)
{
    harness.activate(XCB_WINDOW_NONE);
    harness.lockGroup(kOtherGroup);
    removeSettingsLockLeftBehind();
    if (!switcher.start()) {
        print(QStringLiteral("%1 does not start").arg(switcher.name()));
        return false;
    }
    if (switchesOnItsOwn) {
        if (!harness.waitUntilSwitching(a, b, kOtherGroup, 10s)) {
            print(QStringLiteral("%1 did not switch within 10 s of its start").arg(switcher.name()));
            return false;
        }
    } else {
        // It has no way to say it is ready; it gets a second.
        QThread::sleep(1);
    }
    if (hasTrayItem) {
        const xcb_atom_t pidAtom = client.atom("_NET_WM_PID");
        QElapsedTimer timer;
        timer.start();
        while (!hasViewableWindow(client.connection(), client.root(), pidAtom, quint32(switcher.pid()))) {
            if (timer.elapsed() > 10000) {
                print(QStringLiteral("%1 did not show its tray item within 10 s").arg(switcher.name()));
                return false;
            }
            QThread::msleep(10);
        }
    }
    harness.teach({a, b});
    harness.alternate(a, b, kWarmUpSwitches, kSwitchTimeout);
    return true;
}

void measure(const SwitcherProcess& switcher, SwitchHarness& harness, const SwitchTarget& a, const SwitchTarget& b,
             int count, SwitchRun& run)
{
    const double cpuBefore = switcher.cpuMicroseconds();
    const qint64 wakeupsBefore = switcher.wakeups();
    harness.alternate(a, b, count, kSwitchTimeout, &run);
    run.cpuMicroseconds += switcher.cpuMicroseconds() - cpuBefore;
    run.wakeups += switcher.wakeups() - wakeupsBefore;
}

QJsonObject ratios(const Samples& measured, const Samples& floor)
{
    QJsonObject ratios;
    for (const auto& [name, p] : {std::pair{"p50", 50.0}, {"p90", 90.0}, {"p99", 99.0}, {"max", 100.0}}) {
        if (measured.count() > 0 && floor.count() > 0 && floor.percentile(p) > 0)
            ratios.insert(QLatin1String(name), measured.percentile(p) / floor.percentile(p));
    }
    return ratios;
}

QString ratioSummary(const QJsonObject& ratios)
{
    QStringList parts;
    for (const char* name : {"p50", "p90", "p99", "max"}) {
        if (ratios.contains(QLatin1String(name)))
            parts << QStringLiteral("%1 %2×").arg(QLatin1String(name)).arg(ratios.value(QLatin1String(name)).toDouble(), 0, 'f', 2);
    }
    return parts.join(QStringLiteral(", "));
}

void entryRewriteFigures(const std::function<std::unique_ptr<SwitcherProcess>()>& startKelvaro, SwitchHarness& harness,
                         const SwitchTarget& a, const SwitchTarget& b, QJsonObject& results)
{
    const QList<EntryRewriteRun> runs = measureSwitchesWhileAnEntryIsRewritten(startKelvaro, harness, a, b);
    print(QStringLiteral("Switch latency while a program rewrites one desktop entry every 200 ms, a switch every 20 ms:"));
    QJsonObject figures;
    for (const EntryRewriteRun& run : runs) {
        print(QStringLiteral("  %1 entries: %2; resident memory %3 KiB, %4 KiB once the folder is quiet")
                  .arg(run.entries)
                  .arg(run.run.summary())
                  .arg(run.residentKiB)
                  .arg(run.residentKiBWhenQuiet));
        QJsonObject json = run.run.toJson();
        json.insert(QStringLiteral("residentKiB"), double(run.residentKiB));
        json.insert(QStringLiteral("residentKiBWhenQuiet"), double(run.residentKiBWhenQuiet));
        figures.insert(QString::number(run.entries), json);
    }
    if (runs.size() == 2) {
        const QJsonObject toFewer = ratios(runs[1].run.latency, runs[0].run.latency);
        print(QStringLiteral("  %1 / %2 entries: %3").arg(runs[1].entries).arg(runs[0].entries).arg(ratioSummary(toFewer)));
        figures.insert(QStringLiteral("latencyRatio"), toFewer);
    }
    results.insert(QStringLiteral("switchWhileEntryRewritten"), figures);
}

} // namespace

QJsonObject runSwitchBenchmarks(const QString& kelvaroProgram, const QString& floorProgram, int idleSeconds,
                                bool entriesOnly)
{
    QJsonObject program;
    const QString display = TestEnvironment::current().xServer()->displayName();
    if (!writeRulesAndSettings())
        return {};

    XTestClient client(display);
    XkbGroupWatcher watcher(display);
    if (!client.isConnected() || !watcher.isReady()) {
        print(QStringLiteral("Switch benchmarks: cannot reach the X server %1").arg(display));
        return {};
    }
    const xcb_window_t windowA = client.createWindow(XTestClient::WindowProperties::ofClass(QStringLiteral("BenchA"), 7001));
    const xcb_window_t windowB = client.createWindow(XTestClient::WindowProperties::ofClass(QStringLiteral("BenchB"), 7002));
    const SwitchTarget a{windowA, kGroupA};
    const SwitchTarget b{windowB, kGroupB};

    if (!entriesOnly)
        startupFigures(client, watcher, windowA, kelvaroProgram, program);

    // From here on the harness is the window manager.
    SwitchHarness harness(client, watcher);
    harness.manage({windowA, windowB});

    // A desktop has a system tray, and Kelvaro's tray item follows every
    // switch: the latency runs are made with one.
    SystemTray tray;
    QString trayError;
    const bool hasTray = tray.start(&trayError);
    if (!hasTray)
        print(QStringLiteral("Switch latency: no system tray (%1); measured without one").arg(trayError));
    program.insert(QStringLiteral("switchWithTray"), hasTray);
    const auto startKelvaro = [&]() -> std::unique_ptr<SwitcherProcess> {
        auto kelvaro = std::make_unique<SwitcherProcess>(QStringLiteral("kelvaro"), kelvaroProgram);
        kelvaro->writeErrorsTo(switchersLog());
        if (!bringUp(*kelvaro, harness, a, b, true, hasTray, client))
            return nullptr;
        return kelvaro;
    };
    if (entriesOnly) {
        entryRewriteFigures(startKelvaro, harness, a, b, program);
        return {{QStringLiteral("program"), program}};
    }

    // Switch latency: Kelvaro and the floor switcher in turns.
    SwitchRun kelvaroRun;
    SwitchRun floorRun;
    for (int block = 0; block < kBlocks; ++block) {
        for (auto [name, path, run] : {std::tuple{"floor", floorProgram, &floorRun},
                                       std::tuple{"kelvaro", kelvaroProgram, &kelvaroRun}}) {
            SwitcherProcess switcher(QLatin1String(name), path);
            switcher.writeErrorsTo(switchersLog());
            if (bringUp(switcher, harness, a, b, true, hasTray && run == &kelvaroRun, client))
                measure(switcher, harness, a, b, kBlockSwitches, *run);
        }
    }
    print(QStringLiteral("Switch latency, activation (focus and _NET_ACTIVE_WINDOW) to group change, groups 0 and 1 "
                         "alternating, %1 blocks of %2 in turns:")
              .arg(kBlocks)
              .arg(kBlockSwitches));
    print(QStringLiteral("  floor (Xlib, reads WM_CLASS, locks the group): %1").arg(floorRun.summary()));
    print(QStringLiteral("  kelvaro: %1").arg(kelvaroRun.summary()));
    const QJsonObject toFloor = ratios(kelvaroRun.latency, floorRun.latency);
    print(QStringLiteral("  kelvaro / floor: %1").arg(ratioSummary(toFloor)));
    program.insert(QStringLiteral("switchLatency"), kelvaroRun.latency.toJson());
    program.insert(QStringLiteral("switchLatencyToFloor"), toFloor);
    program.insert(QStringLiteral("switchesAttempted"), kelvaroRun.attempted);
    program.insert(QStringLiteral("switchesMissed"), kelvaroRun.attempted - kelvaroRun.made);
    const QJsonObject kelvaroFigures = kelvaroRun.toJson();
    for (const char* cost : {"cpuMicrosecondsPerSwitch", "wakeupsPerSwitch"})
        program.insert(QLatin1String(cost), kelvaroFigures.value(QLatin1String(cost)));

    QJsonObject floor = floorRun.toJson();
    floor.insert(QStringLiteral("program"), QStringLiteral("bench/FloorSwitcher.cpp"));

    // Memory and idle: one process through many switches, then left alone.
    SwitcherProcess kelvaro(QStringLiteral("kelvaro"), kelvaroProgram);
    kelvaro.writeErrorsTo(switchersLog());
    if (!bringUp(kelvaro, harness, a, b, true, hasTray, client))
        return {{QStringLiteral("program"), program}, {QStringLiteral("floor"), floor}};
    const qint64 residentAfterStart = kelvaro.residentKiB();
    harness.alternate(a, b, kBlockSwitches * kBlocks, kSwitchTimeout);
    const qint64 residentAfterLatency = kelvaro.residentKiB();
    harness.alternate(a, b, kMemorySwitches, kSwitchTimeout);
    const qint64 residentAfterSwitches = kelvaro.residentKiB();
    print(QStringLiteral("Resident memory: %1 KiB after start, %2 KiB after %3 switches, %4 KiB after %5 more")
              .arg(residentAfterStart)
              .arg(residentAfterLatency)
              .arg(kBlockSwitches * kBlocks + kWarmUpSwitches)
              .arg(residentAfterSwitches)
              .arg(kMemorySwitches));
    program.insert(QStringLiteral("residentKiBAfterStart"), double(residentAfterStart));
    program.insert(QStringLiteral("residentKiBAfterLatencyRun"), double(residentAfterLatency));
    program.insert(QStringLiteral("residentKiBAfterTenThousandMore"), double(residentAfterSwitches));

    if (idleSeconds > 0) {
        // A moment for what the last switches set going to end.
        QThread::sleep(1);
        const double cpuBefore = kelvaro.cpuMilliseconds();
        const auto threadsBefore = kelvaro.wakeupsByThread();
        QThread::sleep(idleSeconds);
        const double cpu = kelvaro.cpuMilliseconds() - cpuBefore;
        const auto threadsAfter = kelvaro.wakeupsByThread();
        qint64 wakeups = 0;
        QJsonObject byThread;
        QStringList shown;
        for (const auto& [thread, after] : threadsAfter) {
            qint64 before = 0;
            for (const auto& [earlier, count] : threadsBefore) {
                if (earlier == thread)
                    before = count;
            }
            wakeups += after - before;
            byThread.insert(thread, double(after - before));
            if (after > before)
                shown << QStringLiteral("%1: %2").arg(thread).arg(after - before);
        }
        print(QStringLiteral("Idle %1 s: %2 ms of CPU time, %3 wake-ups (voluntary context switches of all %4 "
                             "threads%5)")
                  .arg(idleSeconds)
                  .arg(cpu, 0, 'f', 1)
                  .arg(wakeups)
                  .arg(threadsAfter.size())
                  .arg(shown.isEmpty() ? QString() : QStringLiteral("; ") + shown.join(QStringLiteral(", "))));
        program.insert(QStringLiteral("idleSeconds"), idleSeconds);
        program.insert(QStringLiteral("idleCpuMs"), cpu);
        program.insert(QStringLiteral("idleWakeups"), double(wakeups));
        program.insert(QStringLiteral("idleWakeupsByThread"), byThread);
    }
    kelvaro.stop();

    entryRewriteFigures(startKelvaro, harness, a, b, program);

    // Peers: the same activations, each after its own set-up.
    // Peers: the same activations, each after its own set-up. Both follow
    // only windows that a window manager manages (xxkb sees no others), so
    // openbox manages the two windows meanwhile; the harness still activates
    // them itself, and openbox follows the focus as it would its own.
    QJsonObject peers;
    WindowManager windowManager;
    QString windowManagerError;
    if (!windowManager.start(TestEnvironment::current().root(), &windowManagerError))
        print(QStringLiteral("Peers: no window manager (%1); measured without one").arg(windowManagerError));
    for (const PeerSwitcher& peer : peerSwitchers()) {
        QString whyNot;
        const std::unique_ptr<SwitcherProcess> process = peer.setUp(&whyNot);
        if (!process) {
            print(QStringLiteral("Peer %1: not measured: %2").arg(peer.name, whyNot));
            peers.insert(peer.name, QStringLiteral("not measured: ") + whyNot);
            continue;
        }
        SwitchRun run;
        if (bringUp(*process, harness, a, b, false, false, client))
            measure(*process, harness, a, b, kPeerSwitches, run);
        process->stop();
        print(QStringLiteral("Peer %1 (%2): %3").arg(peer.name, peer.design, run.summary()));
        QJsonObject figures = run.toJson();
        figures.insert(QStringLiteral("latencyToFloor"), ratios(run.latency, floorRun.latency));
        peers.insert(peer.name, figures);
    }

    return {{QStringLiteral("program"), program}, {QStringLiteral("floor"), floor}, {QStringLiteral("peers"), peers}};
}
