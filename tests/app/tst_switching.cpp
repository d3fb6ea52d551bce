#include "core/RuleEngine.h"
#include "core/RulesStore.h"
#include "feedback/InputSourceIndicatorController.h"
#include "settings/UserDefaults.h"

#include "FakeNotificationServer.h"
#include "LogCapture.h"
#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {

XTestClient::WindowProperties window(const QString& className, quint32 pid,
                                     const std::optional<QString>& gtkApplicationId = {})
{
    XTestClient::WindowProperties properties = XTestClient::WindowProperties::ofClass(className, pid);
    properties.gtkApplicationId = gtkApplicationId;
    return properties;
}

} // namespace

// Kelvaro's switching from end to end: real X server with three layouts,
// another client activating windows, the real engine, a notification
// service on a private session bus, and the floating panel on screen.
class SwitchingTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XTestClient> m_client;
    FakeNotificationServer m_notifications;

    void switchTo(xcb_window_t window, int expectedGroup)
    {
        m_client->setActiveWindow(window);
        QTRY_COMPARE(m_client->lockedGroup(), expectedGroup);
    }

private slots:
    void initTestCase()
    {
        m_client = std::make_unique<XTestClient>(TestEnvironment::current().xServer()->displayName());
        QVERIFY(m_client->isConnected());
        QVERIFY(m_client->lockGroup(0));
        QVERIFY(m_notifications.start());

        const QList<AppRule> rules{AppRule::create("org.example.Editor", "Editor", "xkb:de::deu"),
                                   AppRule::create("Plainapp", "Plain", "xkb:ru::rus")};
        QString error;
        QVERIFY2(RulesStore(RulesStore::defaultPath()).save(rules, &error), qPrintable(error));

        QSettings& settings = UserDefaults::standard();
        settings.setValue("defaultInputSourceID", "xkb:us::eng");
        settings.setValue("showNotification", true);
        settings.setValue("indicatorEnabled", true);
        settings.setValue("indicatorDuration", 0.5);
        settings.setValue("soundEnabled", false);
    }

    void rulesAndTheDefaultDecideAndEverySwitchIsAnnounced()
    {
        const xcb_window_t editor = m_client->createWindow(window("Example-editor", 501, "org.example.Editor"));
        const xcb_window_t plain = m_client->createWindow(window("Plainapp", 502));
        const xcb_window_t other = m_client->createWindow(window("Other", 503));

        LogCapture log;
        RuleEngine& engine = RuleEngine::shared();
        QCOMPARE(engine.rules().size(), 2);

        switchTo(editor, 1);
        switchTo(plain, 2);
        switchTo(other, 0);
        QCOMPARE(log.infos().filter(QStringLiteral("[")),
                 (QStringList{"[Match] org.example.Editor -> xkb:de::deu", "[Match] Plainapp -> xkb:ru::rus",
                              "[Fallback] Other -> xkb:us::eng"}));

        QTRY_COMPARE(m_notifications.received.size(), 3);
        QStringList bodies;
        for (const auto& notification : m_notifications.received) {
            QCOMPARE(notification.summary, QStringLiteral("Input Source Changed"));
            QCOMPARE(notification.appName, QStringLiteral("Kelvaro"));
            bodies << notification.body;
        }
        QCOMPARE(bodies, (QStringList{"German", "Russian", "English (US)"}));

        UserDefaults::standard().setValue("showNotification", false);
        switchTo(editor, 1);
        QTest::qWait(200);
        QCOMPARE(m_notifications.received.size(), 3);
        QVERIFY(log.errors().isEmpty());
    }

    void thePanelShowsItselfPlacedAndSizedThenGoes()
    {
        InputSourceIndicatorController& indicator = InputSourceIndicatorController::shared();
        QTRY_VERIFY(!indicator.window()); // the last panel has run out
        QTRY_VERIFY(m_client->viewableTopLevels().isEmpty());

        const xcb_window_t plain = m_client->createWindow(window("Plainapp", 504));
        switchTo(plain, 2);
        QTRY_VERIFY(indicator.window());

        QFont font = QApplication::font();
        font.setPixelSize(18);
        font.setWeight(QFont::Medium);
        const int width = qBound(150, QFontMetrics(font).horizontalAdvance(QStringLiteral("Russian")) + 80, 300);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_VERIFY(m_client->viewableTopLevels().size() == 1);
        const QRect onScreen = m_client->viewableTopLevels().first();
        QCOMPARE(onScreen.size(), QSize(width, 60));
        QCOMPARE(onScreen.top(), screen.top() + 80);
        QVERIFY(qAbs(onScreen.center().x() - screen.center().x()) <= 1);

        // 0.5 s on screen, 0.2 s of fading, then gone.
        QTRY_VERIFY_WITH_TIMEOUT(m_client->viewableTopLevels().isEmpty(), 3000);
        QVERIFY(!indicator.window());
    }
};

KELVARO_TEST_MAIN(SwitchingTest, QApplication, .display = true, .xkbLayouts = {"us", "de", "ru"},
                  .sessionBus = true)
#include "tst_switching.moc"
