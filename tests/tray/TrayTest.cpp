#include "app/KelvaroApp.h"
#include "app/TrayIcon.h"
#include "core/RuleEngine.h"
#include "core/WindowWatcher.h"
#include "feedback/IndicatorPanel.h"
#include "feedback/InputSourceIndicatorController.h"
#include "localization/LocalizationManager.h"
#include "platform/Platform.h"
#include "settings/UserDefaults.h"

#include "TestRegistry.h"
#include "TrayHost.h"
#include "XTestClient.h"
#include "Xdotool.h"
#include "XvfbServer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {

constexpr quint32 kF12 = 88;   // evdev KEY_F12, pressed after each test's keys as a marker
const QString kBolt = QStringLiteral("\u26A1\uFE0F");
const QString kGermanFlag = QStringLiteral("\U0001F1E9\U0001F1EA");

// How many opaque pixels of each kind a region holds. The keyboard symbol is
// a light body with a dark outline; the German flag is black, red and gold;
// the paused badge is red.
struct Colours {
    int light = 0, dark = 0, red = 0, gold = 0;
};

Colours coloursIn(const QImage& image, const QRect& region)
{
    Colours colours;
    const QRect area = region.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int r = c.red(), g = c.green(), b = c.blue();
            const int spread = std::max({r, g, b}) - std::min({r, g, b});
            if (c.alpha() < 200)
                continue;
            colours.light += r > 215 && g > 215 && b > 215 && spread < 12;
            colours.dark += r < 80 && g < 80 && b < 80 && spread < 20;
            colours.red += r > 170 && g < 60 && b < 60;
            colours.gold += r > 200 && g > 150 && b < 90;
        }
    }
    return colours;
}

QImage largestImage(const QIcon& icon)
{
    const QList<QSize> sizes = icon.availableSizes();
    const QSize largest = *std::max_element(sizes.cbegin(), sizes.cend(),
                                            [](QSize a, QSize b) { return a.height() < b.height(); });
    return icon.pixmap(largest).toImage().convertToFormat(QImage::Format_ARGB32);
}

QString artifactPath(const QString& name)
{
    QDir().mkpath(QStringLiteral(KELVARO_TEST_ARTIFACTS));
    return QDir(QStringLiteral(KELVARO_TEST_ARTIFACTS)).filePath(name);
}

} // namespace

// The tray item and its menu as the program puts them up, in a real system
// tray (trayer under openbox), with the global pause hotkey on.
class TrayTest : public QObject {
    Q_OBJECT

    TrayHost m_host;
    std::unique_ptr<XTestClient> m_client;
    std::unique_ptr<KelvaroApp> m_kelvaro;
    QList<quint32> m_keysSeen;
    int m_toggles = 0;
    QStringList m_panels;   // "<glyph> <text>" of every panel shown

    TrayIcon& tray() { return m_kelvaro->trayIcon(); }
    StatusMenu& menu() { return tray().menu(); }

    // Where the tray shows the item, as the X server has it (Qt's idea goes stale when the tray moves).
    std::optional<QRect> trayPlace()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("QSystemTrayIconSys"))
                return m_client->viewableRootGeometry(xcb_window_t(widget->winId()));
        }
        return std::nullopt;
    }

    // Runs xdotool, then presses F12 and waits until the key monitor has seen
    // it: every earlier press has been handled, and what it posted has run.
    bool typed(const QStringList& arguments)
    {
        m_keysSeen.clear();
        QString error;
        if (!xdotool(arguments + QStringList{"key", "F12"}, &error))
            return false;
        const bool seen = QTest::qWaitFor([this] { return m_keysSeen.contains(kF12); });
        QTest::qWait(50);
        return seen;
    }

    // Where the tray has put the item once it stays there (the tray moves it while it settles).
    std::optional<QRect> settledTrayPlace()
    {
        std::optional<QRect> last;
        for (QDeadlineTimer deadline(10000); !deadline.hasExpired(); QTest::qWait(100)) {
            const std::optional<QRect> place = trayPlace();
            if (place && place == last)
                return place;
            last = place;
        }
        return std::nullopt;
    }

    bool clickTheTrayItem()
    {
        for (int attempt = 0; attempt < 3 && !menu().isVisible(); ++attempt) {
            const std::optional<QRect> place = settledTrayPlace();
            QString error;
            if (!place || !xdotool({"mousemove", QString::number(place->center().x()),
                                    QString::number(place->center().y()), "click", "1"}, &error))
                return false;
            QTest::qWaitFor([this] { return menu().isVisible(); }, 3000);
        }
        return menu().isVisible() && QTest::qWaitForWindowExposed(&menu());
    }

private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_host.start(TestEnvironment::current().root(), &error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);
        m_client = std::make_unique<XTestClient>(TestEnvironment::current().xServer()->displayName());
        QVERIFY(m_client->lockGroup(1));   // German
        QSettings& settings = UserDefaults::standard();
        settings.setValue("pauseHotkeyEnabled", true);
        settings.setValue("indicatorEnabled", true);
        settings.setValue("indicatorDuration", 0.2);
        QCoreApplication::setApplicationVersion(QStringLiteral("2.5.1"));

        m_kelvaro = std::make_unique<KelvaroApp>();
        connect(&platform::sharedKeyMonitor(), &platform::KeyMonitor::keyPressed, this,
                [this](const platform::KeyPress& press) { m_keysSeen << press.key; });
        connect(&RuleEngine::shared(), &RuleEngine::isPausedChanged, this, [this] { ++m_toggles; });
        connect(&InputSourceIndicatorController::shared(), &InputSourceIndicatorController::panelShown, this,
                [this](QWidget* panel) {
                    const auto* indicator = qobject_cast<IndicatorPanel*>(panel);
                    m_panels << indicator->glyph() + ' ' + indicator->text();
                });
        // Taken in at the top right, in a slot as wide as the picture asks for.
        QTRY_VERIFY_WITH_TIMEOUT(trayPlace() && trayPlace()->width() > trayPlace()->height() && trayPlace()->top() < 32,
                                 20000);
    }

    void init()
    {
        RuleEngine::shared().setPaused(false);
        m_toggles = 0;
        m_panels.clear();
    }

    void thePictureIsTheSymbolFollowedByTheFlag()
    {
        QTRY_COMPARE(tray().flag(), std::optional(kGermanFlag));
        QCOMPARE(tray().item().toolTip(), QStringLiteral("German"));
        QImage image = largestImage(tray().item().icon());
        image.save(artifactPath(QStringLiteral("tray-icon-de.png")));
        const QRect symbol(0, 0, image.height(), image.height());
        const QRect flag(image.height(), 0, image.width() - image.height(), image.height());
        const Colours inSymbol = coloursIn(image, symbol);
        const Colours inFlag = coloursIn(image, flag);
        QVERIFY(inSymbol.light > 0 && inSymbol.dark > 0 && inSymbol.red == 0 && inSymbol.gold == 0);
        QVERIFY(inFlag.dark > 0 && inFlag.red > 0 && inFlag.gold > 0 && inFlag.light == 0);

        RuleEngine::shared().setPaused(true);
        QCOMPARE(menu().pauseAction()->text(), QStringLiteral("Resume Switching"));
        QVERIFY(coloursIn(largestImage(tray().item().icon()), symbol).red > 0);   // the badge

        UserDefaults::setValue(UserDefaults::standard(), QStringLiteral("menuBarShowFlag"), false);
        image = largestImage(tray().item().icon());
        QCOMPARE(image.width(), image.height());
        QVERIFY(!menu().headerAction()->isVisible());
        // Offered to the tray again, now as a square.
        QTRY_VERIFY_WITH_TIMEOUT(trayPlace() && trayPlace()->width() <= trayPlace()->height(), 10000);
        UserDefaults::setValue(UserDefaults::standard(), QStringLiteral("menuBarShowFlag"), true);
        QTRY_VERIFY_WITH_TIMEOUT(trayPlace() && trayPlace()->width() > trayPlace()->height(), 10000);
    }

    // Either button opens the menu; its rows follow the language at once.
    void aLeftClickOpensTheMenu()
    {
        QVERIFY(clickTheTrayItem());
        QStringList rows;
        for (const QAction* action : menu().actions()) {
            if (action->isVisible())
                rows << (action->isSeparator() ? QStringLiteral("---")
                                               : action->text() + u'|' + action->shortcut().toString());
        }
        QCOMPARE(rows, (QStringList{kGermanFlag + " German|", "---", "Settings...|Ctrl+,", "---",
                                    "Pause Switching|Ctrl+Alt+P", "---", "v2.5.1|", "Quit|Ctrl+Q"}));
        const QRect shown = trayPlace()->united(menu().geometry()).adjusted(-120, -8, 24, 24);
        QTest::qWait(200);
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).copy(shown).save(artifactPath("tray-menu.png")));

        LocalizationManager::shared().setLanguage(QStringLiteral("de"), false);
        QCOMPARE(menu().pauseAction()->text(), QStringLiteral("Umschalten pausieren"));
        LocalizationManager::shared().setLanguage(QStringLiteral("en"), false);

        // Its shortcuts work while it is open.
        QVERIFY(typed({"key", "ctrl+comma"}));
        QTRY_VERIFY(m_kelvaro->settingsWindow() && m_kelvaro->settingsWindow()->isVisible());
        m_kelvaro->settingsWindow()->close();
    }

    // The hotkey from any other application; one press, one toggle, also
    // while Kelvaro's own menu is open and sees the press as well.
    void theHotkeyTogglesOncePerPress()
    {
        QVERIFY(typed({"key", "ctrl+alt+p"}));
        QCOMPARE(m_toggles, 1);
        QTRY_COMPARE(m_panels, QStringList{kBolt + " Switching Paused"});
        // Held down until the keyboard repeats it.
        QVERIFY(typed({"keydown", "ctrl+alt+p", "sleep", "1", "keyup", "ctrl+alt+p"}));
        QCOMPARE(m_toggles, 2);
        QVERIFY(typed({"key", "ctrl+p", "alt+p", "ctrl+alt+o"}));
        QCOMPARE(m_toggles, 2);

        for (int round = 1; round <= 4; ++round) {
            QVERIFY(clickTheTrayItem());
            QVERIFY(typed({"key", "ctrl+alt+p"}));
            QTRY_VERIFY(!menu().isVisible());
            QCOMPARE(m_toggles, 2 + round);
        }

        // Which copy comes first, and how late, is up to the two connections
        // to the X server: here Qt's, which closes the menu, then the
        // monitor's, once the menu has given the focus back.
        QVERIFY(clickTheTrayItem());
        const ulong pressTime = 123456;
        QKeyEvent qtCopy(QEvent::KeyPress, Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
        qtCopy.setTimestamp(pressTime);
        QApplication::sendEvent(&menu(), &qtCopy);
        QTRY_VERIFY(!menu().isVisible() && !QGuiApplication::focusWindow());
        emit platform::sharedKeyMonitor().keyPressed(
            platform::KeyPress{platform::PhysicalKey::P, Qt::ControlModifier | Qt::AltModifier, pressTime});
        QTest::qWait(50);
        QCOMPARE(m_toggles, 7);
    }

    // "Always Use <source> in <app>" for the application in front and the source in use.
    void addsTheRuleOfferedForTheApplicationInFront()
    {
        XTestClient::WindowProperties editor = XTestClient::WindowProperties::ofClass("Example-editor", 4242);
        editor.gtkApplicationId = "org.example.Editor";
        m_client->setActiveWindow(m_client->createWindow(editor));
        QTRY_VERIFY(WindowWatcher::shared().activeApp()
                    && WindowWatcher::shared().activeApp()->bundleIdentifier == "org.example.Editor");
        QVERIFY(clickTheTrayItem());
        QAction* offer = menu().oneClickRuleAction();
        QVERIFY(offer->isVisible());
        QCOMPARE(offer->text(), QStringLiteral("Always Use German in Example-editor"));
        QTest::qWait(200);
        const QRect shown = trayPlace()->united(menu().geometry()).adjusted(-120, -8, 24, 24);
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).copy(shown).save(artifactPath("tray-menu-rule.png")));
        const QPoint row = menu().mapToGlobal(menu().actionGeometry(offer).center());
        QString error;
        QVERIFY2(xdotool({"mousemove", QString::number(row.x()), QString::number(row.y()), "click", "1"}, &error),
                 qPrintable(error));
        QTRY_COMPARE(m_panels, QStringList{kGermanFlag + " Rule Added"});
        const QList<AppRule> rules = RuleEngine::shared().rules();
        QCOMPARE(rules.size(), 1);
        QCOMPARE(rules[0].appBundleID + " " + rules[0].targetInputSourceID, "org.example.Editor xkb:de::deu");
    }
};

KELVARO_TEST(TrayTest)
#include "TrayTest.moc"
