#include "app/ControlInterface.h"
#include "core/AppRuleJson.h"
#include "core/RulesDocument.h"
#include "feedback/PauseToggle.h"

#include "EngineOverFakes.h"
#include "LogCapture.h"
#include "OutputCapture.h"
#include "TestRegistry.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QTest>

namespace {

const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

} // namespace

// The control interface as a client on the session bus sees it: each call
// ends in the engine, the toggle or the input source manager, and bad input
// is refused without a change.
class ControlInterfaceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineOverFakes> m_fakes;
    std::unique_ptr<PauseToggle> m_toggle;
    std::unique_ptr<ControlInterface> m_interface;
    QStringList m_messages;   // the floating panel's
    QStringList m_switches;   // the Switched signals the client received

    RuleEngine& engine() { return *m_fakes->engine; }
    static QDBusConnection client()
    {
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
    }

    // A call from the client's own connection; the event loop runs meanwhile,
    // so the interface in this thread can answer.
    static QDBusMessage call(const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(ControlInterface::serviceName, ControlInterface::objectPath,
                                                              ControlInterface::interfaceName, method);
        message.setArguments(arguments);
        return client().call(message, QDBus::BlockWithGui, 5000);
    }
    static QVariant answer(const QString& method, const QVariantList& arguments = {})
    {
        const QDBusMessage reply = call(method, arguments);
        if (reply.type() != QDBusMessage::ReplyMessage)
            qWarning("%s failed: %s", qPrintable(method), qPrintable(reply.errorMessage()));
        return reply.arguments().value(0);
    }
    static QList<ListedInputSource> inputSources()
    {
        return qdbus_cast<QList<ListedInputSource>>(answer(QStringLiteral("InputSources")));
    }

private slots:
    void recordSwitch(const QString& bundleID, const QString& inputSourceID, const QString& reason)
    {
        m_switches << bundleID + ' ' + inputSourceID + ' ' + reason;
    }

    void init()
    {
        UserDefaults::standard().clear();
        m_messages.clear();
        m_switches.clear();
        OutputCapture quiet(STDOUT_FILENO);
        m_fakes = std::make_unique<EngineOverFakes>();
        m_toggle = std::make_unique<PauseToggle>(
            engine(), [this](const QString& text, const QString& icon) { m_messages << icon + ' ' + text; });
        m_interface = std::make_unique<ControlInterface>(
            ControlInterface::Dependencies{engine(), *m_fakes->inputSourceManager, *m_toggle, m_fakes->workspace});
        QVERIFY(m_interface->publish(QDBusConnection::sessionBus()));
        QVERIFY(client().connect(ControlInterface::serviceName, ControlInterface::objectPath,
                                 ControlInterface::interfaceName, QStringLiteral("Switched"), this,
                                 SLOT(recordSwitch(QString, QString, QString))));
    }

    void cleanup()
    {
        client().disconnect(ControlInterface::serviceName, ControlInterface::objectPath,
                            ControlInterface::interfaceName, QStringLiteral("Switched"), this,
                            SLOT(recordSwitch(QString, QString, QString)));
        QDBusConnection::sessionBus().unregisterService(ControlInterface::serviceName);
        m_interface.reset();
        m_toggle.reset();
        m_fakes.reset();
    }

    // As with the menu: the panel tells each change; asking for the state
    // already in force changes and tells nothing.
    void pausesAndResumesThroughTheToggle()
    {
        const QString paused = QStringLiteral("\u23F8\uFE0F Switching Paused");
        const QString resumed = QStringLiteral("\u25B6\uFE0F Switching Resumed");
        const QList<std::pair<QString, QStringList>> steps{
            {"Resume", {}},
            {"Pause", {paused}},
            {"Pause", {paused}},
            {"TogglePause", {paused, resumed}},
            {"TogglePause", {paused, resumed, paused}},
            {"Resume", {paused, resumed, paused, resumed}},
        };
        for (const auto& [method, messages] : steps) {
            QCOMPARE(call(method).type(), QDBusMessage::ReplyMessage);
            QCOMPARE(m_messages, messages);
            QCOMPARE(engine().isPaused(), messages.size() % 2 == 1);
            QCOMPARE(answer("IsPaused"), QVariant(engine().isPaused()));
        }
    }

    void addsListsAndDeletesRulesThroughTheEngine()
    {
        m_fakes->workspace.installed = {{"org.example.Editor", "/apps/org.example.Editor.desktop", "Editor", {}}};
        const QString editorRule = answer("AddRule", {"org.example.Editor", EngineOverFakes::kDE}).toString();
        const QString otherRule = answer("AddRule", {"org.example.Other", EngineOverFakes::kRU}).toString();
        QVERIFY2(QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$").match(editorRule).hasMatch(),
                 qPrintable(editorRule));
        // The installed application's name, else the bundle ID.
        QList<AppRule> expected{{QUuid(editorRule), "org.example.Editor", "Editor", EngineOverFakes::kDE, true},
                                {QUuid(otherRule), "org.example.Other", "org.example.Other", EngineOverFakes::kRU, true}};
        QCOMPARE(engine().rules(), expected);
        QCOMPARE(RulesStore(m_fakes->rulesPath()).load().rules, std::optional(expected));
        QCOMPARE(answer("ListRules").toString().toUtf8(), RulesDocument{expected}.encode());

        // The application's rule is replaced in place.
        const QString replacement = answer("AddRule", {"org.example.Editor", EngineOverFakes::kRU}).toString();
        expected[0] = {QUuid(replacement), "org.example.Editor", "Editor", EngineOverFakes::kRU, true};
        QCOMPARE(engine().rules(), expected);

        QCOMPARE(call("DeleteRule", {replacement.toLower()}).type(), QDBusMessage::ReplyMessage);
        expected.removeFirst();
        QCOMPARE(engine().rules(), expected);
        QCOMPARE(RulesStore(m_fakes->rulesPath()).load().rules, std::optional(expected));
    }

    void selectsInputSourcesAndTellsOfSwitches()
    {
        QCOMPARE(inputSources(), (QList<ListedInputSource>{{EngineOverFakes::kUS, "English (US)", true},
                                                           {EngineOverFakes::kDE, "German", false},
                                                           {EngineOverFakes::kRU, "Russian", false}}));
        QCOMPARE(call("SelectInputSource", {EngineOverFakes::kRU}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(m_fakes->current(), EngineOverFakes::kRU);
        QCOMPARE(inputSources().at(2).current, true);

        answer("AddRule", {"org.example.Editor", EngineOverFakes::kDE});
        engine().setDefaultInputSourceID(EngineOverFakes::kUS);
        QVERIFY(m_fakes->activate(platform::FakeWorkspace::application(10, "org.example.Editor")));
        QVERIFY(m_fakes->activate(platform::FakeWorkspace::application(11, "org.example.Other")));
        QTRY_COMPARE(m_switches, (QStringList{"org.example.Editor xkb:de::deu rule",
                                              "org.example.Other xkb:us::eng default"}));
    }

    void refusesBadInputAndChangesNothing_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QString>("errorName");
        const QString unknownSource = ControlInterface::unknownInputSourceError;
        QTest::newRow("empty bundle ID") << "AddRule" << QVariantList{"", EngineOverFakes::kDE} << kInvalidArgs;
        QTest::newRow("blank bundle ID") << "AddRule" << QVariantList{" \t", EngineOverFakes::kDE} << kInvalidArgs;
        QTest::newRow("rule for an unknown source")
            << "AddRule" << QVariantList{"org.example.Editor", "xkb:fr::fra"} << unknownSource;
        QTest::newRow("rule for no source") << "AddRule" << QVariantList{"org.example.Editor", ""} << unknownSource;
        QTest::newRow("malformed rule ID") << "DeleteRule" << QVariantList{"rule-1\nforged"} << kInvalidArgs;
        QTest::newRow("rule ID in braces")
            << "DeleteRule" << QVariantList{QUuid::createUuid().toString()} << kInvalidArgs;
        QTest::newRow("rule ID no rule has") << "DeleteRule"
                                             << QVariantList{QUuid::createUuid().toString(QUuid::WithoutBraces)}
                                             << ControlInterface::unknownRuleError;
        QTest::newRow("select an unknown source") << "SelectInputSource" << QVariantList{"xkb:fr::fra"} << unknownSource;
        QTest::newRow("selection refused by the desktop")
            << "SelectInputSource" << QVariantList{EngineOverFakes::kDE} << ControlInterface::failedError;
    }

    void refusesBadInputAndChangesNothing()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, arguments);
        QFETCH(QString, errorName);
        answer("AddRule", {"org.example.Editor", EngineOverFakes::kRU});
        const QList<AppRule> rules = engine().rules();
        const QByteArray rulesFile = fileContent(m_fakes->rulesPath());
        const int writes = m_fakes->store->writes;
        m_fakes->inputSources.selectStatus = platform::TextInputSources::kStatusFailed;

        const QDBusMessage reply = call(method, arguments);
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(reply.errorName(), errorName);
        // One line a command line can print as it is.
        QVERIFY(!reply.errorMessage().isEmpty() && !reply.errorMessage().contains('\n'));
        QCOMPARE(engine().rules(), rules);
        QCOMPARE(m_fakes->store->writes, writes);
        QCOMPARE(fileContent(m_fakes->rulesPath()), rulesFile);
        QCOMPARE(m_fakes->current(), EngineOverFakes::kUS);
    }

    // One Kelvaro per bus: a second one logs why and runs without the interface.
    void runsWithoutTheInterfaceWhereTheNameIsTakenOrNoBusIs()
    {
        const LogCapture log;
        QDBusConnection second = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"));
        ControlInterface another({engine(), *m_fakes->inputSourceManager, *m_toggle, m_fakes->workspace});
        QVERIFY(!another.publish(second));
        QVERIFY(!another.publish(QDBusConnection(QStringLiteral("no such connection"))));
        QCOMPARE(log.messages().size(), 2);
        QVERIFY2(log.messages().at(0).contains("com.kelvaro.Kelvaro is taken"), qPrintable(log.messages().at(0)));
        QVERIFY2(log.messages().at(1).startsWith("No session bus"), qPrintable(log.messages().at(1)));
        QCOMPARE(second.objectRegisteredAt(ControlInterface::objectPath), nullptr);
        QCOMPARE(answer("IsPaused"), QVariant(false));   // the first still answers
        QDBusConnection::disconnectFromBus(QStringLiteral("second"));
    }
};

KELVARO_TEST(ControlInterfaceTest)
#include "ControlInterfaceTest.moc"
