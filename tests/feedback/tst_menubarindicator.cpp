#include "FakeTextInputSources.h"
#include "core/InputSourceManager.h"
#include "feedback/MenuBarIndicatorController.h"
#include "platform/linux/XConnection.h"
#include "platform/linux/XkbInputSources.h"
#include "settings/UserDefaults.h"

#include "TestEnvironment.h"
#include "XTestClient.h"
#include "XvfbServer.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using platform::FakeTextInputSources;

class MenuBarIndicatorTest : public QObject {
    Q_OBJECT

private slots:
    void init() { UserDefaults::standard().clear(); }

    void withoutACurrentSourceTheKeyboardGlyphAndNoNameStay()
    {
        FakeTextInputSources platform;
        platform.entries = QList<platform::PlatformInputSource>{};
        InputSourceManager manager(platform);
        MenuBarIndicatorController indicator(manager, UserDefaults::standard());
        QCOMPARE(indicator.currentInputSourceIcon(), QStringLiteral("⌨️"));
        QCOMPARE(indicator.currentInputSourceName(), QString());

        // A notice that finds nothing leaves the strings alone; one that finds a source fills them.
        QSignalSpy names(&indicator, &MenuBarIndicatorController::currentInputSourceNameChanged);
        platform.changeCurrent(std::nullopt);
        QTest::qWait(20);
        QCOMPARE(names.count(), 0);
        platform::PlatformInputSource nameless;
        nameless.id = QStringLiteral("m17n:hi:itrans");
        platform.changeCurrent(nameless);
        QTRY_COMPARE(indicator.currentInputSourceName(), QStringLiteral("Unknown"));
        QCOMPARE(indicator.currentInputSourceIcon(), QStringLiteral("⌨️"));
    }

    void everyNoticeIsPublishedNameFirst()
    {
        FakeTextInputSources platform;
        platform.current = FakeTextInputSources::entry(QStringLiteral("com.apple.inputmethod.SCIM.ITABC"),
                                                       QStringLiteral("Pinyin"));
        InputSourceManager manager(platform);
        MenuBarIndicatorController indicator(manager, UserDefaults::standard());
        QCOMPARE(indicator.currentInputSourceIcon(), QStringLiteral("🇺🇸")); // "abc" in the identifier

        QStringList published;
        connect(&indicator, &MenuBarIndicatorController::currentInputSourceNameChanged, this,
                [&](const QString& name) { published << "name " + name; });
        connect(&indicator, &MenuBarIndicatorController::currentInputSourceIconChanged, this,
                [&](const QString& icon) { published << "icon " + icon; });
        platform.changeCurrent(platform.current);
        QTRY_COMPARE(published, (QStringList{"name Pinyin", "icon 🇺🇸"}));
    }

    void settingsAreSharedThroughTheStore()
    {
        FakeTextInputSources platform;
        InputSourceManager manager(platform);
        MenuBarIndicatorController indicator(manager, UserDefaults::standard());
        QCOMPARE(indicator.showFlag(), true);
        QCOMPARE(indicator.showName(), false);
        UserDefaults::standard().setValue("menuBarShowFlag", false);
        QCOMPARE(indicator.showFlag(), false);
        QSignalSpy changed(&UserDefaults::notifier(), &UserDefaults::Notifier::changed);
        indicator.setShowName(true);
        QCOMPARE(UserDefaults::standard().value("menuBarShowName").toBool(), true);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toString(), QStringLiteral("menuBarShowName"));
    }

    void followsGroupChangesMadeByOtherClients()
    {
        XTestClient client(TestEnvironment::current().xServer()->displayName());
        QVERIFY(client.lockGroup(0));
        QString error;
        auto connection = platform::XConnection::open(QString(), &error);
        QVERIFY2(connection, qPrintable(error));
        platform::XkbInputSources sources(*connection);
        InputSourceManager manager(sources);
        MenuBarIndicatorController indicator(manager, UserDefaults::standard());
        QCOMPARE(indicator.currentInputSourceName(), QStringLiteral("English (US)"));
        QCOMPARE(indicator.currentInputSourceIcon(), QStringLiteral("🇺🇸"));

        QVERIFY(client.lockGroup(1));
        QTRY_COMPARE(indicator.currentInputSourceName(), QStringLiteral("German"));
        QCOMPARE(indicator.currentInputSourceIcon(), QStringLiteral("🇩🇪"));
        QVERIFY(client.lockGroup(2));
        QTRY_COMPARE(indicator.currentInputSourceName(), QStringLiteral("Russian"));
        QCOMPARE(indicator.currentInputSourceIcon(), QStringLiteral("🇷🇺"));
    }
};

KELVARO_TEST_MAIN(MenuBarIndicatorTest, QCoreApplication, .display = true, .xkbLayouts = {"us", "de", "ru"})
#include "tst_menubarindicator.moc"
