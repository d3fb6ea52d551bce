#include "app/ControlInterface.h"
#include "core/RulesDocument.h"
#include "feedback/PauseToggle.h"

#include "EngineOverFakes.h"
#include "OutputCapture.h"
#include "TestRegistry.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QTest>

using Sources = QList<ListedInputSource>;

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
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
    }
    // From a connection of its own, with the event loop running meanwhile:
    // the interface in this thread answers.
    static QDBusMessage call(const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(ControlInterface::serviceName, ControlInterface::objectPath,
                                                              ControlInterface::interfaceName, method);
        message.setArguments(arguments);
        return client().call(message, QDBus::BlockWithGui, 5000);
    }
    static QVariant answer(const QString& method, const QVariantList& arguments = {})
    {
        return call(method, arguments).arguments().value(0);
    }

private slots:
    void recordSwitch(const QString& bundleID, const QString& sourceID, const QString& reason)
    {
        m_switches << bundleID + ' ' + sourceID + ' ' + reason;
    }

    void initTestCase()
    {
        QVERIFY(client().connect(ControlInterface::serviceName, ControlInterface::objectPath,
                                 ControlInterface::interfaceName, "Switched", this,
                                 SLOT(recordSwitch(QString, QString, QString))));
    }

    void init()
    {
        m_messages.clear();
        OutputCapture quiet(STDOUT_FILENO);
        m_fakes = std::make_unique<EngineOverFakes>();
        m_toggle = std::make_unique<PauseToggle>(
            engine(), [this](const QString& text, const QString& icon) { m_messages << icon + ' ' + text; });
        m_interface = std::make_unique<ControlInterface>(
            ControlInterface::Dependencies{engine(), *m_fakes->inputSourceManager, *m_toggle, m_fakes->workspace});
        QVERIFY(m_interface->publish(QDBusConnection::sessionBus()));
    }

    void cleanup() { QDBusConnection::sessionBus().unregisterService(ControlInterface::serviceName); }

    // As the menu: the panel tells each change; asking for the state in force changes and tells nothing.
    void pausesAndResumesThroughTheToggle()
    {
        const QString paused = "\u23F8\uFE0F Switching Paused", resumed = "\u25B6\uFE0F Switching Resumed";
        for (const auto& [method, messages] : QList<std::pair<QString, QStringList>>{
                 {"Resume", {}}, {"Pause", {paused}}, {"Pause", {paused}}, {"TogglePause", {paused, resumed}},
                 {"TogglePause", {paused, resumed, paused}}, {"Resume", {paused, resumed, paused, resumed}}}) {
            QCOMPARE(call(method).type(), QDBusMessage::ReplyMessage);
            QCOMPARE(m_messages, messages);
            QCOMPARE(answer("IsPaused"), QVariant(messages.size() % 2 == 1));
        }
    }

    void addsListsAndDeletesRulesThroughTheEngine()
    {
        m_fakes->workspace.installed = {{"org.example.Editor", "/apps/org.example.Editor.desktop", "Editor", {}}};
        const QString editor = answer("AddRule", {"org.example.Editor", EngineOverFakes::kDE}).toString();
        const QString other = answer("AddRule", {"org.example.Other", EngineOverFakes::kRU}).toString();
        // The installed application's name, else the bundle ID; the file as a backup holds it.
        QList<AppRule> expected{{QUuid(editor), "org.example.Editor", "Editor", EngineOverFakes::kDE, true},
                                {QUuid(other), "org.example.Other", "org.example.Other", EngineOverFakes::kRU, true}};
        QCOMPARE(RulesStore(m_fakes->rulesPath()).load().rules, std::optional(expected));
        QCOMPARE(answer("ListRules").toString().toUtf8(), RulesDocument{expected}.encode());
        // The application's rule is replaced in place.
        const QString replacement = answer("AddRule", {"org.example.Editor", EngineOverFakes::kRU}).toString();
        expected[0] = {QUuid(replacement), "org.example.Editor", "Editor", EngineOverFakes::kRU, true};
        QCOMPARE(engine().rules(), expected);
        QCOMPARE(call("DeleteRule", {replacement.toLower()}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(RulesStore(m_fakes->rulesPath()).load().rules, std::optional(expected.mid(1)));
    }

    void selectsInputSourcesAndTellsOfSwitches()
    {
        QCOMPARE(call("SelectInputSource", {EngineOverFakes::kRU}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(qdbus_cast<Sources>(answer("InputSources")),
                 (Sources{{EngineOverFakes::kUS, "English (US)", false}, {EngineOverFakes::kDE, "German", false},
                          {EngineOverFakes::kRU, "Russian", true}}));
        engine().addRule(AppRule::create("org.example.Editor", "Editor", EngineOverFakes::kDE));
        engine().setDefaultInputSourceID(EngineOverFakes::kUS);
        QVERIFY(m_fakes->activate(platform::FakeWorkspace::application(10, "org.example.Editor")));
        QVERIFY(m_fakes->activate(platform::FakeWorkspace::application(11, "org.example.Other")));
        QTRY_COMPARE(m_switches,
                     (QStringList{"org.example.Editor xkb:de::deu rule", "org.example.Other xkb:us::eng default"}));
    }

    void refusesBadInputAndChangesNothing_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<QString>("errorName");
        const QString invalid = "org.freedesktop.DBus.Error.InvalidArgs";
        const QString unknownSource = ControlInterface::unknownInputSourceError;
        const QString anyRule = QUuid::createUuid().toString(QUuid::WithoutBraces);
        QTest::newRow("empty bundle ID") << "AddRule" << QVariantList{"", EngineOverFakes::kDE} << invalid;
        QTest::newRow("unknown source") << "AddRule" << QVariantList{"org.example.A", "xkb:fr::fra"} << unknownSource;
        QTest::newRow("malformed rule ID") << "DeleteRule" << QVariantList{"rule-1\nforged"} << invalid;
        QTest::newRow("rule ID no rule has") << "DeleteRule" << QVariantList{anyRule} << ControlInterface::unknownRuleError;
        QTest::newRow("select unknown") << "SelectInputSource" << QVariantList{"xkb:fr::fra"} << unknownSource;
        QTest::newRow("selection refused")
            << "SelectInputSource" << QVariantList{EngineOverFakes::kDE} << ControlInterface::failedError;
    }

    void refusesBadInputAndChangesNothing()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, arguments);
        QFETCH(QString, errorName);
        engine().addRule(AppRule::create("org.example.Editor", "Editor", EngineOverFakes::kRU));
        const QByteArray rulesFile = fileContent(m_fakes->rulesPath());
        const int writes = m_fakes->store->writes;
        m_fakes->inputSources.selectStatus = platform::TextInputSources::kStatusFailed;
        const QDBusMessage reply = call(method, arguments);
        QCOMPARE(reply.errorName(), errorName);
        QVERIFY(!reply.errorMessage().isEmpty() && !reply.errorMessage().contains('\n'));   // one line to print
        QCOMPARE(m_fakes->store->writes, writes);
        QCOMPARE(fileContent(m_fakes->rulesPath()), rulesFile);
        QCOMPARE(m_fakes->current(), EngineOverFakes::kUS);
    }
};

KELVARO_TEST(ControlInterfaceTest)
#include "ControlInterfaceTest.moc"
