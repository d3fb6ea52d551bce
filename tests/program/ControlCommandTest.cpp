#include "core/RulesStore.h"

#include "Command.h"
#include "DBusSession.h"
#include "KelvaroProcess.h"
#include "TestRegistry.h"

#include <QTest>

namespace {

QString kelvaro()
{
    return KelvaroProcess::besideThisProgram();
}

struct Outcome {
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

Outcome run(const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(kelvaro(), arguments);
    if (!process.waitForFinished(15000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

std::optional<AppRule> storedRule(const QUuid& id)
{
    const auto rules = RulesStore(RulesStore::defaultPath()).load().rules.value_or(QList<AppRule>());
    const auto rule = std::find_if(rules.cbegin(), rules.cend(), [&](const AppRule& r) { return r.id == id; });
    return rule == rules.cend() ? std::nullopt : std::optional(*rule);
}

} // namespace

// The commands against the real program on a session bus of the test's own,
// and without one.
class ControlCommandTest : public QObject {
    Q_OBJECT

    DBusSession m_bus;

    QProcessEnvironment withBus() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", m_bus.address());
        return environment;
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_bus.start(&error), qPrintable(error));
    }

    void commandsReachTheRunningKelvaro()
    {
        KelvaroProcess running(kelvaro(), withBus());
        QVERIFY(running.start());
        QTRY_COMPARE_WITH_TIMEOUT(run({"status"}, withBus()).output, QByteArray("Switching is on\n"), 15000);
        // runCommand's programs see the bus through this process's environment.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        const auto restore = qScopeGuard([] { qunsetenv("DBUS_SESSION_BUS_ADDRESS"); });
        QString error;
        QVERIFY2(runCommand(kelvaro(), {"pause"}, &error), qPrintable(error));
        QCOMPARE(runCommand(kelvaro(), {"status"}, &error), std::optional<QByteArray>("Switching is paused\n"));
        QCOMPARE(runCommand(kelvaro(), {"status", "--json"}, &error),
                 std::optional<QByteArray>("{\n    \"paused\": true\n}\n"));

        const auto added = runCommand(kelvaro(), {"rules", "add", "org.example.Scripted", "xkb:de::deu"}, &error);
        QVERIFY2(added, qPrintable(error));
        const QUuid id(added->trimmed());
        QVERIFY2(!id.isNull() && added->endsWith('\n'), added->constData());
        QCOMPARE(storedRule(id), std::optional(AppRule{id, "org.example.Scripted", "org.example.Scripted",
                                                        "xkb:de::deu", true}));
        const auto listed = runCommand(kelvaro(), {"rules", "list"}, &error);
        QVERIFY2(listed, qPrintable(error));
        QVERIFY2(listed->contains(added->trimmed() + "\tenabled\torg.example.Scripted\txkb:de::deu\t"
                                  "org.example.Scripted\n"),
                 listed->constData());

        const Outcome refused = run({"rules", "add", "org.example.Scripted", "xkb:fr::fra"}, withBus());
        QCOMPARE(refused.exitCode, 1);
        QCOMPARE(refused.errors.count('\n'), 1);
        QVERIFY2(refused.errors.contains("xkb:fr::fra"), refused.errors.constData());
        QCOMPARE(storedRule(id)->targetInputSourceID, "xkb:de::deu");

        QVERIFY2(runCommand(kelvaro(), {"rules", "delete", QString::fromLatin1(added->trimmed())}, &error),
                 qPrintable(error));
        QCOMPARE(storedRule(id), std::nullopt);
        const auto sources = runCommand(kelvaro(), {"sources"}, &error);
        QVERIFY2(sources && sources->contains("xkb:de::deu\tGerman\n") && sources->count("* ") == 1,
                 qPrintable(error));
    }

    void commandsEndWithOneLineWithoutKelvaro_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("bus");
        QTest::newRow("status, nobody on the bus") << QStringList{"status"} << true;
        QTest::newRow("toggle, nobody on the bus") << QStringList{"toggle"} << true;
        QTest::newRow("status, no session bus") << QStringList{"status"} << false;
        QTest::newRow("rules list, no session bus") << QStringList{"rules", "list"} << false;
    }

    void commandsEndWithOneLineWithoutKelvaro()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, bus);
        QProcessEnvironment environment = withBus();
        if (!bus)
            environment.remove("DBUS_SESSION_BUS_ADDRESS");
        const Outcome outcome = run(arguments, environment);
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.output, QByteArray());
        QVERIFY2(outcome.errors.startsWith("Kelvaro is not running") && outcome.errors.count('\n') == 1,
                 outcome.errors.constData());
    }
};

KELVARO_TEST(ControlCommandTest)
#include "ControlCommandTest.moc"
