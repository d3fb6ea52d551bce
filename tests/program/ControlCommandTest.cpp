#include "core/RulesStore.h"

#include "Command.h"
#include "DBusSession.h"
#include "KelvaroProcess.h"
#include "TestRegistry.h"

#include <QTest>

// The commands against the real program on a session bus of the test's own
// (ProgramTest::commandLine runs them without a bus).
class ControlCommandTest : public QObject {
    Q_OBJECT

    DBusSession m_bus;

    static QString kelvaro() { return KelvaroProcess::besideThisProgram(); }

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
        QString error;
        QVERIFY(!runCommand(kelvaro(), {"status"}, &error));
        QVERIFY2(error.endsWith(" Kelvaro is not running\n"), qPrintable(error));   // nobody on the bus
        KelvaroProcess running(kelvaro());
        QVERIFY(running.start());
        QTRY_COMPARE_WITH_TIMEOUT(runCommand(kelvaro(), {"status"}, &error), QByteArray("Switching is on\n"), 15000);
        QVERIFY2(runCommand(kelvaro(), {"pause"}, &error), qPrintable(error));
        QCOMPARE(runCommand(kelvaro(), {"status", "--json"}, &error),
                 QByteArray("{\n    \"paused\": true\n}\n"));
        const auto added = runCommand(kelvaro(), {"rules", "add", "org.example.A", "xkb:de::deu"}, &error);
        QVERIFY2(added, qPrintable(error));
        const AppRule rule{QUuid(added->trimmed()), "org.example.A", "org.example.A", "xkb:de::deu", true};
        QVERIFY(RulesStore(RulesStore::defaultPath()).load().rules.value_or(QList<AppRule>()).contains(rule));
    }
};

KELVARO_TEST(ControlCommandTest)
#include "ControlCommandTest.moc"
