#include "core/RulesStore.h"

#include "Command.h"
#include "DBusSession.h"
#include "KelvaroProcess.h"
#include "TestRegistry.h"

#include <QTest>

// The commands against the real program on a session bus of the test's own, and without one.
class ControlCommandTest : public QObject {
    Q_OBJECT

    DBusSession m_bus;

    static QString kelvaro() { return KelvaroProcess::besideThisProgram(); }
    // Status and the two outputs.
    static std::tuple<int, QByteArray, QByteArray> run(const QStringList& arguments, bool bus = true)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!bus)
            environment.remove("DBUS_SESSION_BUS_ADDRESS");
        process.setProcessEnvironment(environment);
        process.start(kelvaro(), arguments);
        process.waitForFinished(15000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_bus.start(&error), qPrintable(error));
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
    }
    void cleanupTestCase() { qunsetenv("DBUS_SESSION_BUS_ADDRESS"); }

    void commandsReachTheRunningKelvaro()
    {
        KelvaroProcess running(kelvaro());
        QVERIFY(running.start());
        QTRY_COMPARE_WITH_TIMEOUT(std::get<1>(run({"status"})), QByteArray("Switching is on\n"), 15000);
        QString error;
        QVERIFY2(runCommand(kelvaro(), {"pause"}, &error), qPrintable(error));
        QCOMPARE(runCommand(kelvaro(), {"status", "--json"}, &error),
                 QByteArray("{\n    \"paused\": true\n}\n"));
        const auto added = runCommand(kelvaro(), {"rules", "add", "org.example.A", "xkb:de::deu"}, &error);
        QVERIFY2(added, qPrintable(error));
        const AppRule rule{QUuid(added->trimmed()), "org.example.A", "org.example.A", "xkb:de::deu", true};
        QVERIFY(RulesStore(RulesStore::defaultPath()).load().rules.value_or(QList<AppRule>()).contains(rule));
    }

    // Nobody on the bus, and no bus.
    void commandsEndWithOneLineWithoutKelvaro()
    {
        for (const bool bus : {true, false}) {
            const auto [status, output, errors] = run({"status"}, bus);
            QCOMPARE(status, 1);
            QVERIFY2(output.isEmpty() && errors.startsWith("Kelvaro is not running") && errors.count('\n') == 1,
                     errors.constData());
        }
    }
};

KELVARO_TEST(ControlCommandTest)
#include "ControlCommandTest.moc"
