#include "EntryRewriteBenchmark.h"

#include "SwitcherProcess.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QSaveFile>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kEntryCounts[] = {100, 20000};
constexpr auto kRewriteInterval = 200ms;
// Switches 20 ms apart spread over the rewrites and the index's refreshes.
constexpr int kSwitches = 500;
constexpr auto kSwitchPause = 20ms;
// Long enough to time a switch that waited for a whole scan of the folder.
constexpr auto kSwitchTimeout = 10s;
// Time for Kelvaro's first scan of the folder before the clock runs.
constexpr auto kSettleAfterStart = 5s;
// Long enough for Kelvaro to give back what the refreshes no longer use.
constexpr auto kQuietTime = 15s;

QString applicationsFolder()
{
    return TestEnvironment::current().dataHome() + QStringLiteral("/applications");
}

// An entry of the usual size (about 1 KiB, some translations); `version`
// changes its name, so that a rewrite changes what the index holds.
QByteArray entryText(int number, int version)
{
    QByteArray text = "[Desktop Entry]\nType=Application\nName=Bench application " + QByteArray::number(number)
        + " v" + QByteArray::number(version) + "\n";
    for (const char* language : {"de", "fr", "es", "it", "nl", "pl", "pt", "ru", "sv", "uk"})
        text += QByteArray("Name[") + language + "]=Bench application " + QByteArray::number(number) + " ("
            + language + ")\n" + "Comment[" + language + "]=A program that does many things for the benchmark\n";
    // GIO drops an entry whose program is not found: `true` is everywhere.
    text += "Exec=true bench-application-" + QByteArray::number(number) + " %U\nIcon=bench-application-"
        + QByteArray::number(number) + "\nStartupWMClass=BenchApplication" + QByteArray::number(number)
        + "\nCategories=Utility;\nMimeType=text/plain;\n";
    return text;
}

bool writeEntry(int number, int version)
{
    QSaveFile file(QStringLiteral("%1/org.example.BenchApplication%2.desktop").arg(applicationsFolder()).arg(number));
    return file.open(QIODevice::WriteOnly) && file.write(entryText(number, version)) >= 0 && file.commit();
}

bool fillFolder(int count)
{
    QDir(applicationsFolder()).removeRecursively();
    QDir().mkpath(applicationsFolder());
    for (int number = 0; number < count; ++number) {
        if (!writeEntry(number, 0))
            return false;
    }
    return true;
}

// Rewrites entry 0 at every interval, as long as it lives.
class Rewriter {
public:
    Rewriter()
        : m_thread([this] {
            for (int version = 1; !m_stop; ++version) {
                std::this_thread::sleep_for(kRewriteInterval);
                writeEntry(0, version);
            }
        })
    {
    }
    ~Rewriter()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

} // namespace

QList<EntryRewriteRun> measureSwitchesWhileAnEntryIsRewritten(
    const std::function<std::unique_ptr<SwitcherProcess>()>& startKelvaro, SwitchHarness& harness,
    const SwitchTarget& a, const SwitchTarget& b)
{
    QList<EntryRewriteRun> runs;
    for (const int count : kEntryCounts) {
        if (!fillFolder(count))
            break;
        const std::unique_ptr<SwitcherProcess> kelvaro = startKelvaro();
        if (!kelvaro)
            break;
        std::this_thread::sleep_for(kSettleAfterStart);
        EntryRewriteRun result{count, {}, 0, 0};
        const double cpuBefore = kelvaro->cpuMicroseconds();
        const qint64 wakeupsBefore = kelvaro->wakeups();
        {
            const Rewriter rewriter;
            harness.alternate(a, b, kSwitches, kSwitchTimeout, &result.run, kSwitchPause);
        }
        result.run.cpuMicroseconds = kelvaro->cpuMicroseconds() - cpuBefore;
        result.run.wakeups = kelvaro->wakeups() - wakeupsBefore;
        result.residentKiB = kelvaro->residentKiB();
        std::this_thread::sleep_for(kQuietTime);
        result.residentKiBWhenQuiet = kelvaro->residentKiB();
        runs.append(result);
    }
    QDir(applicationsFolder()).removeRecursively();
    return runs;
}
