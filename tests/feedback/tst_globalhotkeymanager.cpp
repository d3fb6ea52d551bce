#include "FakeKeyMonitor.h"
#include "feedback/GlobalHotkeyManager.h"

#include "EngineOverFakes.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTest>

using platform::FakeKeyMonitor;
namespace PhysicalKey = platform::PhysicalKey;

namespace {

constexpr quint32 kKeyO = 24;   // evdev KEY_O, next to P
const QString kBolt = QStringLiteral("\u26A1\uFE0F");
constexpr Qt::KeyboardModifiers kCtrlAlt = Qt::ControlModifier | Qt::AltModifier;

} // namespace

// The hotkey's decisions, with key presses made by a fake monitor.
class GlobalHotkeyManagerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<EngineOverFakes> m_fakes;
    RuleEngine* m_engine = nullptr;

    std::unique_ptr<FakeKeyMonitor> m_monitor;
    std::unique_ptr<GlobalHotkeyManager> m_manager;
    QStringList m_messages;   // "<icon> <text>" of every message
    bool m_ownWindowFocused = false;

    QSettings& settings() { return UserDefaults::standard(); }

    // A press somewhere on the desktop; the toggle it posts runs before this returns.
    void press(quint32 key, Qt::KeyboardModifiers modifiers)
    {
        m_monitor->press(key, modifiers);
        QCoreApplication::processEvents();
    }

    void startEnabled()
    {
        m_manager->setHotkeyEnabled(true);
        m_manager->startMonitoring();
        QVERIFY(m_manager->isMonitoring());
        QVERIFY(m_monitor->isMonitoring());
    }

private slots:
    void initTestCase()
    {
        m_fakes = std::make_unique<EngineOverFakes>(settings());
        m_engine = m_fakes->engine.get();
    }

    void init()
    {
        settings().clear();
        m_engine->setPaused(false);
        m_messages.clear();
        m_ownWindowFocused = false;
        m_monitor = std::make_unique<FakeKeyMonitor>();
        m_manager = std::make_unique<GlobalHotkeyManager>(GlobalHotkeyManager::Dependencies{
            *m_monitor, settings(), *m_engine,
            [this](const QString& text, const QString& icon) { m_messages << icon + ' ' + text; },
            [this] { return m_ownWindowFocused; }});
    }

    void cleanup()
    {
        m_manager.reset();
        QVERIFY(!m_monitor->isMonitoring());   // a manager takes its monitor with it
    }

    void ctrlAltPTogglesOnceWithTheBolt_data()
    {
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("ctrl+alt") << kCtrlAlt;
        QTest::newRow("ctrl+alt+shift") << (kCtrlAlt | Qt::ShiftModifier);
    }

    void ctrlAltPTogglesOnceWithTheBolt()
    {
        QFETCH(Qt::KeyboardModifiers, modifiers);
        startEnabled();
        press(PhysicalKey::P, modifiers);
        QVERIFY(m_engine->isPaused());
        press(PhysicalKey::P, modifiers);
        QVERIFY(!m_engine->isPaused());
        QCOMPARE(m_messages, (QStringList{kBolt + " Switching Paused", kBolt + " Switching Resumed"}));
    }

    void otherPressesDoNothing_data()
    {
        QTest::addColumn<quint32>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("ctrl+p") << PhysicalKey::P << Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("alt+p") << PhysicalKey::P << Qt::KeyboardModifiers(Qt::AltModifier);
        QTest::newRow("shift+alt+p") << PhysicalKey::P << (Qt::ShiftModifier | Qt::AltModifier);
        QTest::newRow("ctrl+alt+o") << kKeyO << kCtrlAlt;
    }

    void otherPressesDoNothing()
    {
        QFETCH(quint32, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        startEnabled();
        press(key, modifiers);
        QVERIFY(!m_engine->isPaused());
        QVERIFY(m_messages.isEmpty());
    }

    void pressesWhileOurWindowHasFocusDoNothing()
    {
        startEnabled();
        m_ownWindowFocused = true;
        press(PhysicalKey::P, kCtrlAlt);
        QVERIFY(!m_engine->isPaused());
        QVERIFY(m_messages.isEmpty());

        m_ownWindowFocused = false;
        press(PhysicalKey::P, kCtrlAlt);
        QVERIFY(m_engine->isPaused());
    }

    void theSettingDecidesWhetherStartingInstallsTheMonitor()
    {
        QVERIFY(!m_manager->hotkeyEnabled());   // absent
        m_manager->startMonitoring();
        QVERIFY(!m_manager->isMonitoring());
        QCOMPARE(m_monitor->starts, 0);

        settings().setValue("pauseHotkeyEnabled", "yes");   // as a hand-edited file may have it
        QVERIFY(m_manager->hotkeyEnabled());
        m_manager->startMonitoring();
        QVERIFY(m_monitor->isMonitoring());

        // Switched off behind the manager's back, as a reset of all settings
        // does: starting again stops the monitor.
        UserDefaults::remove(settings(), "pauseHotkeyEnabled");
        m_manager->startMonitoring();
        QVERIFY(!m_manager->isMonitoring());
        QVERIFY(!m_monitor->isMonitoring());
        press(PhysicalKey::P, kCtrlAlt);
        QVERIFY(!m_engine->isPaused());
    }

    void startingTwiceKeepsOneMonitor()
    {
        startEnabled();
        m_manager->startMonitoring();
        QVERIFY(m_monitor->isMonitoring());
        QCOMPARE(m_monitor->starts, 2);
        press(PhysicalKey::P, kCtrlAlt);
        QVERIFY(m_engine->isPaused());
        QCOMPARE(m_messages.size(), 1);
    }

    void afterStoppingNothing()
    {
        startEnabled();
        m_manager->stopMonitoring();
        QVERIFY(!m_manager->isMonitoring());
        QVERIFY(!m_monitor->isMonitoring());
        m_monitor->start();   // even a monitor started by someone else does not reach the manager
        press(PhysicalKey::P, kCtrlAlt);
        QVERIFY(!m_engine->isPaused());
        QVERIFY(m_messages.isEmpty());
        QVERIFY(m_manager->hotkeyEnabled());   // stopping leaves the setting alone
        m_monitor->stop();
    }

    void aMonitorThatCannotStartIsNotInstalled()
    {
        m_monitor->available = false;
        m_manager->setHotkeyEnabled(true);
        m_manager->startMonitoring();
        QVERIFY(!m_manager->isMonitoring());

        m_monitor->available = true;
        m_manager->startMonitoring();
        QVERIFY(m_manager->isMonitoring());
    }
};

KELVARO_TEST_MAIN(GlobalHotkeyManagerTest, QCoreApplication)
#include "tst_globalhotkeymanager.moc"
