#include "core/RuleEngine.h"
#include "feedback/GlobalHotkeyManager.h"
#include "feedback/IndicatorPanel.h"
#include "feedback/InputSourceIndicatorController.h"
#include "platform/Platform.h"
#include "settings/UserDefaults.h"

#include "TestEnvironment.h"
#include "Xdotool.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QWidget>

namespace {

constexpr quint32 kF12 = 88;   // evdev KEY_F12, the marker key
const QString kBolt = QStringLiteral("\u26A1\uFE0F");

void setLayouts(const QStringList& layouts, const QStringList& variants)
{
    QString error;
    QVERIFY2(TestEnvironment::current().xServer()->setLayouts(layouts, variants, &error), qPrintable(error));
}

} // namespace

// The pause hotkey as the program wires it, on a real X server: xdotool
// presses keys through XTEST as another application's user would.
class PauseHotkeyTest : public QObject {
    Q_OBJECT

private:
    QObject m_context;
    QList<quint32> m_keysSeen;
    int m_toggles = 0;
    QStringList m_panels;   // "<glyph> <text>" of every panel shown

    QSettings& settings() { return UserDefaults::standard(); }

    // Runs xdotool, then presses F12 as a marker and waits until the monitor
    // has seen it: every earlier press has been handled by then, and the
    // toggles it posted have run when this returns.
    bool typed(const QStringList& xdotoolArguments)
    {
        m_keysSeen.clear();
        QString error;
        if (!xdotool(xdotoolArguments + QStringList{"key", "F12"}, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        if (!QTest::qWaitFor([this] { return m_keysSeen.contains(kF12); }))
            return false;
        QCoreApplication::processEvents();
        return true;
    }

private slots:
    void initTestCase()
    {
        settings().setValue("pauseHotkeyEnabled", true);
        settings().setValue("indicatorEnabled", true);
        settings().setValue("indicatorDuration", 0.3);

        // As at launch, with the hotkey stored as on.
        GlobalHotkeyManager& manager = GlobalHotkeyManager::shared();
        manager.startMonitoring();
        QVERIFY(manager.isMonitoring());
        QVERIFY(platform::sharedKeyMonitor().isMonitoring());

        connect(&platform::sharedKeyMonitor(), &platform::KeyMonitor::keyPressed, &m_context,
                [this](const platform::KeyPress& press) { m_keysSeen << press.key; });
        connect(&RuleEngine::shared(), &RuleEngine::isPausedChanged, &m_context, [this] { ++m_toggles; });
        connect(&InputSourceIndicatorController::shared(), &InputSourceIndicatorController::panelShown, &m_context,
                [this](QWidget* panel) {
                    if (const auto* indicator = qobject_cast<IndicatorPanel*>(panel))
                        m_panels << indicator->glyph() + ' ' + indicator->text();
                });
    }

    void init()
    {
        RuleEngine::shared().setPaused(false);
        m_toggles = 0;
        m_panels.clear();
    }

    void eachPressTogglesOnceAndShowsTheBolt()
    {
        QVERIFY(typed({"key", "ctrl+alt+p"}));
        QCOMPARE(m_toggles, 1);
        QVERIFY(RuleEngine::shared().isPaused());
        QTRY_COMPARE(m_panels, QStringList{kBolt + " Switching Paused"});

        // Held down for a while, the keys still toggle once.
        QVERIFY(typed({"keydown", "ctrl+alt+p", "sleep", "1", "keyup", "ctrl+alt+p"}));
        QCOMPARE(m_toggles, 2);
        QVERIFY(!RuleEngine::shared().isPaused());
        QTRY_COMPARE(m_panels, (QStringList{kBolt + " Switching Paused", kBolt + " Switching Resumed"}));
    }

    void otherCombinationsDoNothing()
    {
        QVERIFY(typed({"key", "ctrl+p", "alt+p", "ctrl+alt+o", "p"}));
        QCOMPARE(m_toggles, 0);
        QVERIFY(typed({"key", "ctrl+alt+shift+p"}));   // extra modifiers do not matter
        QCOMPARE(m_toggles, 1);
    }

    // In Dvorak the letter p lies where the US layout has r, and the key of
    // the US p types l.
    void followsTheKeyNotTheLetter()
    {
        setLayouts({"us"}, {"dvorak"});
        const bool typedP = typed({"key", "ctrl+alt+p"});
        const int togglesByP = m_toggles;
        const bool typedL = typed({"key", "ctrl+alt+l"});
        setLayouts({"us"}, {});
        QVERIFY(typedP && typedL);
        QCOMPARE(togglesByP, 0);
        QCOMPARE(m_toggles, 1);
    }

    void notWhileOurWindowHasFocus()
    {
        {
            QWidget window;
            window.setWindowTitle(QStringLiteral("Kelvaro Settings"));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.activateWindow();
            QTRY_VERIFY(QGuiApplication::focusWindow() == window.windowHandle());
            QVERIFY(typed({"key", "ctrl+alt+p"}));
            QCOMPARE(m_toggles, 0);
        }
        QTRY_VERIFY(!QGuiApplication::focusWindow());
        QVERIFY(typed({"key", "ctrl+alt+p"}));
        QCOMPARE(m_toggles, 1);

        // An open menu of ours (the tray menu has the shortcut itself).
        {
            QMenu menu;
            menu.addAction(QStringLiteral("Pause Switching"));
            menu.popup(QPoint(100, 100));
            QVERIFY(QTest::qWaitForWindowExposed(&menu));
            QCOMPARE(QApplication::activePopupWidget(), &menu);
            QVERIFY(typed({"key", "ctrl+alt+p"}));
            QCOMPARE(m_toggles, 1);
        }
        QVERIFY(typed({"key", "ctrl+alt+p"}));
        QCOMPARE(m_toggles, 2);
    }

    void theIndicatorSwitchedOffStillToggles()
    {
        settings().setValue("indicatorEnabled", false);
        const bool typedKeys = typed({"key", "ctrl+alt+p"});
        QTest::qWait(100);   // time for a panel that should not come
        settings().setValue("indicatorEnabled", true);
        QVERIFY(typedKeys);
        QCOMPARE(m_toggles, 1);
        QVERIFY(m_panels.isEmpty());
    }

    void nothingAfterStopMonitoring()
    {
        GlobalHotkeyManager::shared().stopMonitoring();
        QVERIFY(!platform::sharedKeyMonitor().isMonitoring());
        QString error;
        QVERIFY2(xdotool({"key", "ctrl+alt+p"}, &error), qPrintable(error));
        QTest::qWait(300);
        QCOMPARE(m_toggles, 0);
    }
};

KELVARO_TEST_MAIN(PauseHotkeyTest, QApplication, .display = true)
#include "tst_pausehotkey.moc"
