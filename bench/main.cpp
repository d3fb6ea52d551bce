#include "RuleBenchmarks.h"
#include "SwitchBenchmarks.h"

#include "TestEnvironment.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QThread>

#include <cstdio>

// Runs every benchmark and writes the figures as JSON. Never part of the tests.
int main(int argc, char** argv)
{
    // A private session bus too: without one, the D-Bus library the switchers use (Kelvaro's Qt,
    // kbdd) launches a bus of its own through the X server, and Qt's tray set-up can wait on it for
    // the whole D-Bus time-out.
    TestEnvironment environment(
        TestEnvironmentOptions{.display = true, .xkbLayouts = {"us", "de", "ru"}, .sessionBus = true});
    QCoreApplication application(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption kelvaro(QStringLiteral("kelvaro"), QStringLiteral("The kelvaro program."),
                                     QStringLiteral("path"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Where the JSON figures go."),
                                    QStringLiteral("path"));
    const QCommandLineOption floor(QStringLiteral("floor"),
                                   QStringLiteral("The floor switcher (default: kelvaro_floor_switcher beside this program)."),
                                   QStringLiteral("path"));
    const QCommandLineOption idle(QStringLiteral("idle-seconds"), QStringLiteral("Idle time to measure (60)."),
                                  QStringLiteral("seconds"), QStringLiteral("60"));
    const QCommandLineOption noRules(QStringLiteral("no-rules"), QStringLiteral("Leave out the rule engine's figures."));
    const QCommandLineOption entriesOnly(QStringLiteral("entries-only"),
                                         QStringLiteral("Only the switches made while desktop entries change."));
    parser.addOptions({kelvaro, floor, output, idle, noRules, entriesOnly});
    parser.process(application);

    // The latencies move with the load on the machine: the 1-, 5- and 15-minute load averages
    // before and after go with the figures.
    const auto loadAverage = [] {
        QFile file(QStringLiteral("/proc/loadavg"));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
                                              : QString();
    };
    const QString loadBefore = loadAverage();
    std::printf("Kelvaro %s benchmarks on %d cores (%s), load average %s\n", KELVARO_VERSION,
                QThread::idealThreadCount(), qPrintable(QSysInfo::prettyProductName()), qPrintable(loadBefore));
    QJsonObject results{
        {QStringLiteral("version"), QStringLiteral(KELVARO_VERSION)},
        {QStringLiteral("cores"), QThread::idealThreadCount()},
        {QStringLiteral("system"), QSysInfo::prettyProductName()},
        {QStringLiteral("date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        {QStringLiteral("loadAverageBefore"), loadBefore},
    };
    if (!parser.isSet(noRules) && !parser.isSet(entriesOnly))
        results.insert(QStringLiteral("rules"), runRuleBenchmarks());
    if (parser.isSet(kelvaro)) {
        const QString floorProgram = parser.isSet(floor)
            ? parser.value(floor)
            : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kelvaro_floor_switcher"));
        const QJsonObject switching = runSwitchBenchmarks(parser.value(kelvaro), floorProgram, parser.value(idle).toInt(),
                                                            parser.isSet(entriesOnly));
        for (auto it = switching.begin(); it != switching.end(); ++it)
            results.insert(it.key(), it.value());
    }

    results.insert(QStringLiteral("loadAverageAfter"), loadAverage());
    std::printf("Load average after: %s\n", qPrintable(results.value(QStringLiteral("loadAverageAfter")).toString()));

    if (parser.isSet(output)) {
        QDir().mkpath(QFileInfo(parser.value(output)).absolutePath());
        QFile file(parser.value(output));
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(results).toJson()) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(parser.value(output)));
            return 1;
        }
        std::printf("Figures written to %s\n", qPrintable(parser.value(output)));
    }
    return 0;
}
