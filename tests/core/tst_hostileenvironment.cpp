#include "FakeKeyMonitor.h"
#include "FakeSoundPlayer.h"
#include "FakeTextInputSources.h"
#include "FakeUserNotifications.h"
#include "FakeWorkspace.h"
#include "core/AppRuleJson.h"
#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "core/SwitchFeedback.h"
#include "core/WindowWatcher.h"
#include "feedback/GlobalHotkeyManager.h"
#include "feedback/InputSourceIndicatorController.h"
#include "feedback/MenuBarIndicatorController.h"
#include "feedback/SoundEffectManager.h"
#include "localization/LocalizationManager.h"
#include "platform/ApplicationResources.h"
#include "platform/linux/DesktopNotifications.h"
#include "settings/UserDefaults.h"

#include "EngineOverFakes.h"
#include "LogCapture.h"
#include "OutputCapture.h"
#include "TestEnvironment.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using platform::FakeTextInputSources;
using platform::FakeWorkspace;

// Kelvaro among hostile surroundings: no session bus, a data folder it cannot
// write, a settings file with nonsense in every key, monstrous rules files.
// Each gets a clear line and loses nothing.
class HostileEnvironmentTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    FakeTextInputSources m_platform;
    std::unique_ptr<InputSourceManager> m_inputSources;
    FakeWorkspace m_workspace;
    std::unique_ptr<WindowWatcher> m_watcher;
    SilentSwitchFeedback m_feedback;
    platform::FakeUserNotifications m_notifications;

    QString rulesPath() const { return m_folder.filePath(QStringLiteral("Kelvaro/rules.json")); }
    QString currentSource() const { return m_platform.current ? m_platform.current->id.value_or(QString()) : QString(); }

    std::unique_ptr<RuleEngine> makeEngine(platform::UserNotifications& notifications)
    {
        return std::make_unique<RuleEngine>(RuleEngine::Dependencies{*m_inputSources, *m_watcher, m_feedback,
                                                                     notifications, UserDefaults::standard(),
                                                                     std::make_shared<RulesStore>(rulesPath())});
    }

private slots:
    void initTestCase()
    {
        m_platform.entries = QList<platform::PlatformInputSource>{
            FakeTextInputSources::entry(QStringLiteral("xkb:us::eng"), QStringLiteral("English (US)")),
            FakeTextInputSources::entry(QStringLiteral("xkb:de::deu"), QStringLiteral("German")),
        };
        m_inputSources = std::make_unique<InputSourceManager>(m_platform);
        m_watcher = std::make_unique<WindowWatcher>(m_workspace);
    }

    void init()
    {
        UserDefaults::standard().clear();
        QDir(m_folder.filePath(QStringLiteral("Kelvaro"))).removeRecursively();
        QFile::remove(m_folder.filePath(QStringLiteral("Kelvaro")));
    }

    void withoutASessionBusSwitchingGoesOnAndTheNotificationErrorIsLogged()
    {
        QVERIFY(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"));
        platform::DesktopNotifications notifications(QDBusConnection::sessionBus());
        UserDefaults::standard().setValue("showNotification", true);
        UserDefaults::standard().setValue("defaultInputSourceID", "xkb:de::deu");
        LogCapture log;
        const auto engine = makeEngine(notifications);
        m_workspace.activate(FakeWorkspace::application(1, QStringLiteral("org.example.Editor")));
        QTRY_COMPARE(currentSource(), QStringLiteral("xkb:de::deu"));
        QTRY_COMPARE(log.errors().filter(QStringLiteral("Notification error: ")).size(), 1);
    }

    void anUnwritableDataFolderKeepsTheRulesInMemory()
    {
        // A file where the folder should be: nothing can be created below it, even by root.
        QVERIFY(writeFile(m_folder.filePath(QStringLiteral("Kelvaro")), "not a folder"));
        OutputCapture out(STDOUT_FILENO);
        const auto engine = makeEngine(m_notifications);
        engine->addRule(AppRule::create(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("xkb:de::deu")));
        const QByteArray printed = out.text();
        QVERIFY2(printed.contains("Failed to load rules (might be fresh install): "), printed.constData());
        QVERIFY2(printed.contains("Failed to save rules: "), printed.constData());
        QCOMPARE(engine->rules().size(), 1);
        QCOMPARE(fileContent(m_folder.filePath(QStringLiteral("Kelvaro"))), QByteArray("not a folder"));
    }

    void nonsenseInEverySettingReadsAsItsDefault()
    {
        const QString file = UserDefaults::standard().fileName();
        UserDefaults::standard().sync();
        QVERIFY(writeFile(file, "[General]\n"
                        "appLanguage=1, 2\n"
                        "AppleLanguages=@ByteArray(\\xff)\n"
                        "showNotification=perhaps\n"
                        "defaultInputSourceID=xkb:de::deu, xkb:us::eng\n"
                        "soundEnabled=loud\n"
                        "soundVolume=very\n"
                        "indicatorEnabled=1 2 3\n"
                        "indicatorPosition=3\n"
                        "indicatorDuration=long\n"
                        "menuBarShowFlag=flag\n"
                        "menuBarShowName=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5)\n"
                        "pauseHotkeyEnabled=sometimes\n"));
        QSettings settings(file, QSettings::IniFormat);
        LogCapture log;

        const auto engine = std::make_unique<RuleEngine>(RuleEngine::Dependencies{
            *m_inputSources, *m_watcher, m_feedback, m_notifications, settings,
            std::make_shared<RulesStore>(rulesPath())});
        QCOMPARE(engine->defaultInputSourceID(), std::nullopt);
        QCOMPARE(UserDefaults::boolValue(settings, "showNotification", false), false);

        platform::FakeSoundPlayer player;
        SoundEffectManager sound(player, settings, ApplicationResources::directory());
        QCOMPARE(sound.isEnabled(), true);
        QCOMPARE(sound.volume(), 0.5);

        InputSourceIndicatorController indicator(settings);
        indicator.showMessage(QStringLiteral("x"), QStringLiteral("⚡️"));
        QTest::qWait(20);
        QVERIFY(!indicator.window()); // "indicatorEnabled" unreadable: off

        MenuBarIndicatorController menuBar(*m_inputSources, settings);
        QCOMPARE(menuBar.showFlag(), true);
        QCOMPARE(menuBar.showName(), false);

        platform::FakeKeyMonitor monitor;
        GlobalHotkeyManager hotkey({monitor, settings, *engine, [](const QString&, const QString&) {},
                                    [] { return false; }});
        QCOMPARE(hotkey.hotkeyEnabled(), false);

        LocalizationManager localization(ApplicationResources::directory(), settings, {QStringLiteral("en")});
        QCOMPARE(localization.currentLanguage(), QStringLiteral("system"));

        for (const char* key : {"showNotification", "defaultInputSourceID", "soundEnabled", "soundVolume",
                                "indicatorEnabled", "menuBarShowFlag", "pauseHotkeyEnabled"})
            QVERIFY2(!log.errors().filter(QStringLiteral("\"%1\"").arg(QLatin1String(key))).isEmpty(), key);

        // Ignored, not deleted: the user can still mend a value by hand.
        settings.sync();
        const QSettings reread(file, QSettings::IniFormat);
        for (const char* key : {"appLanguage", "AppleLanguages", "showNotification", "defaultInputSourceID",
                                "soundEnabled", "soundVolume", "indicatorEnabled", "indicatorPosition",
                                "indicatorDuration", "menuBarShowFlag", "menuBarShowName", "pauseHotkeyEnabled"})
            QVERIFY2(reread.contains(QLatin1String(key)), key);
    }

    void aHugeValidRulesFileLoads()
    {
        QList<AppRule> rules;
        rules.reserve(300000);
        for (int i = 0; i < 300000; ++i)
            rules.append(AppRule::create(QStringLiteral("org.example.application%1").arg(i),
                                         QStringLiteral("An application with a long name %1").arg(i),
                                         QStringLiteral("xkb:de::deu")));
        const QByteArray json = AppRuleJson::encode(rules);
        QVERIFY(json.size() > 50 * 1000 * 1000);
        QVERIFY(writeFile(rulesPath(), json));
        const auto engine = makeEngine(m_notifications);
        QCOMPARE(engine->rules().size(), rules.size());
        QCOMPARE(engine->rules().last(), rules.last());
        m_workspace.activate(FakeWorkspace::application(2, rules.last().appBundleID));
        QTRY_COMPARE(currentSource(), QStringLiteral("xkb:de::deu"));
    }

    void monstrousDamagedRulesFilesAreKeptAside_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("nested 100,000 deep") << QByteArray(100000, '[') + QByteArray(100000, ']');
        QTest::newRow("objects nested 100,000 deep") << QByteArray("[") + QByteArray("{\"a\":").repeated(100000)
                                                            + "1" + QByteArray(100000, '}') + "]";
        QTest::newRow("50 MB of garbage") << QByteArray(50 * 1000 * 1000, '\xfe');
    }

    void monstrousDamagedRulesFilesAreKeptAside()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(rulesPath(), content));
        OutputCapture out(STDOUT_FILENO);
        LogCapture log;
        const auto engine = makeEngine(m_notifications);
        QVERIFY(engine->rules().isEmpty());
        engine->addRule(AppRule::create(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("xkb:de::deu")));
        QVERIFY(out.text().startsWith("Failed to load rules (might be fresh install): "));
        QVERIFY(fileContent(rulesPath() + ".damaged") == content);
        QCOMPARE(log.errors().filter(QStringLiteral("rules.json.damaged")).size(), 1);
        QCOMPARE(AppRuleJson::decode(fileContent(rulesPath()))->size(), 1);
    }
};

KELVARO_TEST_MAIN(HostileEnvironmentTest, QCoreApplication)
#include "tst_hostileenvironment.moc"
