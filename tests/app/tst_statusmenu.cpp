#include "app/StatusMenu.h"
#include "app/TrayIcon.h"
#include "localization/LocalizationManager.h"
#include "settings/UserDefaults.h"

#include "TestEnvironment.h"
#include "TrayServices.h"

#include <QApplication>
#include <QSettings>
#include <QTest>

namespace {

const QString germanFlag = QStringLiteral("\U0001F1E9\U0001F1EA");
const QString usFlag = QStringLiteral("\U0001F1FA\U0001F1F8");
const QString kShowFlag = QStringLiteral("menuBarShowFlag");

// The rows the user sees, top to bottom: "text|shortcut|on" (or "off" when
// disabled), "---" for a separator.
QStringList shownRows(const QMenu& menu)
{
    QStringList rows;
    for (const QAction* action : menu.actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator()) {
            rows << QStringLiteral("---");
            continue;
        }
        rows << action->text() + u'|' + action->shortcut().toString(QKeySequence::PortableText) + u'|'
                    + (action->isEnabled() ? QStringLiteral("on") : QStringLiteral("off"));
    }
    return rows;
}

} // namespace

class StatusMenuTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TrayServices> m_services;

    QSettings& settings() { return UserDefaults::standard(); }
    TrayServices& services() { return *m_services; }

    std::unique_ptr<StatusMenu> makeMenu()
    {
        return std::make_unique<StatusMenu>(*services().engine, *services().indicator, services().actions());
    }

private slots:
    void init()
    {
        settings().clear();
        QCoreApplication::setApplicationVersion(QStringLiteral("2.5.1"));
        m_services = std::make_unique<TrayServices>();
    }

    void cleanup()
    {
        m_services.reset();
        LocalizationManager::shared().setLanguage(QStringLiteral("en"), false);
    }

    void rowsFollowTheShowFlagSetting_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("headerShown");
        QTest::newRow("absent") << QVariant() << true;
        QTest::newRow("true") << QVariant(true) << true;
        QTest::newRow("false") << QVariant(false) << false;
        QTest::newRow("false as read back from the file") << QVariant(QStringLiteral("false")) << false;
    }

    void rowsFollowTheShowFlagSetting()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, headerShown);
        if (stored.isValid())
            settings().setValue(kShowFlag, stored);

        const auto menu = makeMenu();
        QStringList expected{"Settings...|Ctrl+,|on", "---", "Pause Switching|Ctrl+Alt+P|on", "---", "v2.5.1||off",
                             "Quit|Ctrl+Q|on"};
        if (headerShown)
            expected = QStringList{germanFlag + " German||off", "---"} + expected;
        QCOMPARE(shownRows(*menu), expected);
        // The footer is set smaller than the other rows.
        QVERIFY(menu->footerAction()->font().pointSizeF() < menu->font().pointSizeF());
    }

    void headerFollowsTheSettingAndTheCurrentSourceAtOnce()
    {
        const auto menu = makeMenu();
        QVERIFY(menu->headerAction()->isVisible());

        UserDefaults::setValue(settings(), kShowFlag, false);
        QVERIFY(!menu->headerAction()->isVisible());
        QCOMPARE(shownRows(*menu).first(), QStringLiteral("Settings...|Ctrl+,|on"));
        UserDefaults::setValue(settings(), kShowFlag, true);
        QVERIFY(menu->headerAction()->isVisible());

        // A change made by another client, with a name that must stay on one line and show its '&'.
        services().inputSources.changeCurrent(
            platform::FakeTextInputSources::entry(TrayServices::kUS, QStringLiteral("English\n(US, R&D)\tlayout")));
        QTRY_COMPARE(menu->headerAction()->text(), usFlag + QStringLiteral(" English (US, R&&D) layout"));
        QCOMPARE(shownRows(*menu).first(), usFlag + QStringLiteral(" English (US, R&&D) layout||off"));
    }

    void pauseChangesTheRowTheTrayIconAndAnnounces()
    {
        TrayIcon tray(*services().engine, *services().indicator, services().actions());
        StatusMenu& menu = tray.menu();
        const QImage runningImage = tray.item().icon().pixmap(QSize(128, 64)).toImage();
        QCOMPARE(tray.symbol(), QStringLiteral("keyboard"));

        menu.pauseAction()->trigger();
        QVERIFY(services().engine->isPaused());
        QCOMPARE(menu.pauseAction()->text(), QStringLiteral("Resume Switching"));
        QCOMPARE(tray.symbol(), QStringLiteral("keyboard.badge.exclamationmark"));
        QVERIFY(tray.item().icon().pixmap(QSize(128, 64)).toImage() != runningImage);
        QCOMPARE(services().messages,
                 (QList<QPair<QString, QString>>{{"Switching Paused", QStringLiteral("\u23F8\uFE0F")}}));

        menu.pauseAction()->trigger();
        QVERIFY(!services().engine->isPaused());
        QCOMPARE(menu.pauseAction()->text(), QStringLiteral("Pause Switching"));
        QCOMPARE(tray.symbol(), QStringLiteral("keyboard"));
        QCOMPARE(tray.item().icon().pixmap(QSize(128, 64)).toImage(), runningImage);
        QCOMPARE(services().messages.size(), 2);
        QCOMPARE(services().messages.last(), (QPair<QString, QString>{"Switching Resumed", "\u25B6\uFE0F"}));
    }

    void shortcutsInTheOpenMenuActLikeTheRows()
    {
        const auto menu = makeMenu();
        const auto press = [&menu](Qt::Key key, Qt::KeyboardModifiers modifiers) {
            menu->popup(QPoint(100, 100));
            if (!QTest::qWaitForWindowExposed(menu.get()))
                return false;
            QTest::keyClick(menu.get(), key, modifiers);
            return !menu->isVisible();
        };

        QVERIFY(press(Qt::Key_P, Qt::ControlModifier | Qt::AltModifier));
        QVERIFY(services().engine->isPaused());
        QCOMPARE(menu->pauseAction()->text(), QStringLiteral("Resume Switching"));
        QCOMPARE(services().messages.size(), 1);

        QVERIFY(press(Qt::Key_Comma, Qt::ControlModifier));
        QCOMPARE(services().settingsOpened, 1);
        QVERIFY(press(Qt::Key_Q, Qt::ControlModifier));
        QCOMPARE(services().quitRequests, 1);

        // Another combination does nothing of the kind.
        QVERIFY(!press(Qt::Key_P, Qt::ControlModifier));
        QVERIFY(services().engine->isPaused());
        menu->hide();

        // Choosing the rows does the same.
        menu->settingsAction()->trigger();
        menu->quitAction()->trigger();
        QCOMPARE(services().settingsOpened, 2);
        QCOMPARE(services().quitRequests, 2);
    }

    void footerShowsTheVersionOrOnePointZero()
    {
        const auto menu = makeMenu();
        QCOMPARE(menu->footerAction()->text(), QStringLiteral("v2.5.1"));

        QCoreApplication::setApplicationVersion(QString());
        emit menu->aboutToShow();
        QCOMPARE(menu->footerAction()->text(), QStringLiteral("v1.0"));
    }

    void textsFollowTheInterfaceLanguage()
    {
        const auto menu = makeMenu();
        LocalizationManager::shared().setLanguage(QStringLiteral("de"), false);
        QCOMPARE(menu->settingsAction()->text(), QStringLiteral("Einstellungen …"));
        QCOMPARE(menu->pauseAction()->text(), QStringLiteral("Umschalten pausieren"));
        QCOMPARE(menu->quitAction()->text(), QStringLiteral("Beenden"));

        menu->pauseAction()->trigger();
        QCOMPARE(menu->pauseAction()->text(), QStringLiteral("Umschalten fortsetzen"));
        QCOMPARE(services().messages.last().first, QStringLiteral("Umschalten pausiert"));

        LocalizationManager::shared().setLanguage(QStringLiteral("ja"), false);
        QCOMPARE(menu->pauseAction()->text(), QStringLiteral("切り替えを再開"));
        QCOMPARE(menu->footerAction()->text(), QStringLiteral("v2.5.1"));
    }
};

KELVARO_TEST_MAIN(StatusMenuTest, QApplication, .display = true)
#include "tst_statusmenu.moc"
