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
    TestEnvironment environment(TestEnvironmentOptions{.display = true, .xkbLayouts = {"us", "de", "ru"}});
    QCoreApplication application(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption kelvaro(QStringLiteral("kelvaro"), QStringLiteral("The kelvaro program."),
                                     QStringLiteral("path"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Where the JSON figures go."),
                                    QStringLiteral("path"));
    const QCommandLineOption idle(QStringLiteral("idle-seconds"), QStringLiteral("Idle time to measure (60)."),
                                  QStringLiteral("seconds"), QStringLiteral("60"));
    parser.addOptions({kelvaro, output, idle});
    parser.process(application);

    std::printf("Kelvaro %s benchmarks on %d cores (%s)\n", KELVARO_VERSION, QThread::idealThreadCount(),
                qPrintable(QSysInfo::prettyProductName()));
    QJsonObject results{
        {QStringLiteral("version"), QStringLiteral(KELVARO_VERSION)},
        {QStringLiteral("cores"), QThread::idealThreadCount()},
        {QStringLiteral("system"), QSysInfo::prettyProductName()},
        {QStringLiteral("date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
    };
    results.insert(QStringLiteral("rules"), runRuleBenchmarks());
    if (parser.isSet(kelvaro))
        results.insert(QStringLiteral("program"),
                       runSwitchBenchmarks(parser.value(kelvaro), parser.value(idle).toInt()));

    // Other per-window layout switchers are deliberately not installed or run
    // next to Kelvaro (see the Performance section of the README).
    const QString notMeasured = QStringLiteral("not measured: other layout switchers are not installed or run here");
    std::printf("Peers kbdd and xxkb: %s\n", qPrintable(notMeasured));
    results.insert(QStringLiteral("peers"),
                   QJsonObject{{QStringLiteral("kbdd"), notMeasured}, {QStringLiteral("xxkb"), notMeasured}});

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
