#include "settings_ui/PermissionsManager.h"
#include "feedback/GlobalHotkeyManager.h"
#include "feedback/PauseToggle.h"

#include "EngineOverFakes.h"
#include "FakeAccessibilityTrust.h"
#include "FakeKeyMonitor.h"
#include "OutputCapture.h"
#include "TestRegistry.h"

#include <QTest>

using platform::FakeKeyMonitor;

namespace {

constexpr Qt::KeyboardModifiers kCtrlAlt = Qt::ControlModifier | Qt::AltModifier;
const QString kBolt = QStringLiteral("\u26A1\uFE0F");

} // namespace

// Pausing from the hotkey: which presses count, when the monitor runs, and
// one toggle per press.
class PauseTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineOverFakes> m_fakes;
    std::unique_ptr<PauseToggle> m_toggle;
    FakeKeyMonitor m_monitor;
    std::unique_ptr<GlobalHotkeyManager> m_manager;
    QStringList m_messages;
    bool m_ownWindowFocused = false;

    QSettings& settings() { return UserDefaults::standard(); }
    bool paused() const { return m_fakes->engine->isPaused(); }

    // A press in another application; what it posts has run when this returns.
    void press(quint32 key, Qt::KeyboardModifiers modifiers, quint32 time)
    {
        m_monitor.press(key, modifiers, time);
        QCoreApplication::processEvents();
    }

private slots:
    void init()
    {
        settings().clear();
        m_messages.clear();
        m_ownWindowFocused = false;
        OutputCapture quiet(STDOUT_FILENO);
        m_fakes = std::make_unique<EngineOverFakes>();
        m_toggle = std::make_unique<PauseToggle>(
            *m_fakes->engine, [this](const QString& text, const QString& icon) { m_messages << icon + ' ' + text; });
        m_manager = std::make_unique<GlobalHotkeyManager>(GlobalHotkeyManager::Dependencies{
            m_monitor, settings(), *m_toggle, [this] { return m_ownWindowFocused; }});
    }

    void cleanup()
    {
        m_manager.reset();
        QVERIFY(!m_monitor.isMonitoring());   // a manager takes its monitor with it
    }

    void ctrlAltPAndNothingElseToggles()
    {
        m_manager->setHotkeyEnabled(true);
        m_manager->startMonitoring();
        press(platform::PhysicalKey::P, kCtrlAlt, 1);
        QVERIFY(paused());
        QCOMPARE(m_messages, QStringList{kBolt + " Switching Paused"});
        press(platform::PhysicalKey::P, kCtrlAlt | Qt::ShiftModifier, 2);   // more modifiers do not matter
        QVERIFY(!paused());
        QCOMPARE(m_messages.last(), kBolt + " Switching Resumed");

        press(platform::PhysicalKey::P, Qt::ControlModifier, 3);
        press(platform::PhysicalKey::P, Qt::AltModifier, 4);
        press(24 /* O */, kCtrlAlt, 5);
        m_ownWindowFocused = true;   // Kelvaro's own window: the press is the window's
        press(platform::PhysicalKey::P, kCtrlAlt, 6);
        QCOMPARE(m_messages.size(), 2);
    }

    void theSettingDecidesWhetherTheMonitorRuns()
    {
        m_manager->startMonitoring();
        QVERIFY(!m_monitor.isMonitoring());
        settings().setValue("pauseHotkeyEnabled", "true");   // as the file has it
        m_manager->startMonitoring();
        m_manager->startMonitoring();   // again, after a reset of the settings: still one monitor
        press(platform::PhysicalKey::P, kCtrlAlt, 1);
        QCOMPARE(m_messages.size(), 1);
        m_manager->stopMonitoring();
        press(platform::PhysicalKey::P, kCtrlAlt, 2);
        QCOMPARE(m_messages.size(), 1);

        m_monitor.available = false;
        m_manager->startMonitoring();
        QVERIFY(!m_manager->isMonitoring());
    }

    void accessibilityTrustIsPolledOnlyWhereItCanChange()
    {
        platform::FakeAccessibilityTrust changing, constant;
        constant.constant = constant.trusted = true;
        PermissionsManager polled(changing), asked(constant);
        QVERIFY(!asked.isAccessibilityTrusted());   // published one turn later
        QTRY_VERIFY(asked.isAccessibilityTrusted());
        changing.trusted = true;
        const int interval = int(PermissionsManager::kPollInterval.count());
        QTRY_VERIFY_WITH_TIMEOUT(polled.isAccessibilityTrusted(), interval + 1000);
        QTest::qWait(interval);
        QCOMPARE(constant.queries, QList<bool>{false});
        // With no settings to open, Grant Access asks again at once.
        constant.hasSettings = false;
        asked.requestAccessibility();
        QCOMPARE(constant.queries, (QList<bool>{false, true, false}));
    }
};

KELVARO_TEST(PauseTest)
#include "PauseTest.moc"
