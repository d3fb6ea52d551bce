#include "feedback/GlobalHotkeyManager.h"
#include "feedback/InputSourceIndicatorController.h"
#include "feedback/MenuBarIndicatorController.h"
#include "feedback/PauseToggle.h"
#include "feedback/SoundEffectManager.h"
#include "localization/LocalizationManager.h"
#include "platform/ApplicationResources.h"
#include "settings/IniSettingsFormat.h"

#include "EngineOverFakes.h"
#include "FakeKeyMonitor.h"
#include "FakeSoundPlayer.h"
#include "LogCapture.h"
#include "OutputCapture.h"
#include "TestRegistry.h"

#include <QSaveFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

// The settings file, which the user may edit by hand: what cannot be read
// counts as absent, and edits made while Kelvaro runs apply at the next use.
class SettingsTest : public QObject {
    Q_OBJECT

    QSettings& settings() { return UserDefaults::standard(); }

    // Replaces the file as an editor does: a new file renamed over the old one.
    bool replaceFile(const QByteArray& lines)
    {
        QSaveFile file(settings().fileName());
        return file.open(QIODevice::WriteOnly) && file.write("[General]\n" + lines) > 0 && file.commit();
    }

private slots:
    void init()
    {
        settings().clear();
        settings().sync();
    }

    // Every consumer of a setting, over a file with nonsense in every key:
    // each reads its default, says once what it ignored, and deletes nothing.
    void nonsenseInEverySettingReadsAsItsDefault()
    {
        const QByteArray nonsense = "appLanguage=1, 2\nAppleLanguages=@ByteArray(\\xff)\nshowNotification=perhaps\n"
                                    "defaultInputSourceID=xkb:de::deu, xkb:us::eng\nsoundEnabled=loud\n"
                                    "soundVolume=very\nindicatorEnabled=1 2 3\nindicatorPosition=3\n"
                                    "indicatorDuration=long\nmenuBarShowFlag=flag\npauseHotkeyEnabled=sometimes\n";
        QVERIFY(writeFile(settings().fileName(), "[General]\n" + nonsense));
        QSettings file(settings().fileName(), QSettings::IniFormat);
        LogCapture log;
        EngineOverFakes fakes(file);
        QCOMPARE(fakes.engine->defaultInputSourceID(), std::nullopt);
        platform::FakeSoundPlayer player;
        SoundEffectManager sound(player, file, ApplicationResources::directory());
        QCOMPARE(sound.isEnabled(), true);
        QCOMPARE(sound.volume(), 0.5);
        InputSourceIndicatorController indicator(file);
        indicator.showMessage(QStringLiteral("x"), QStringLiteral("⚡️"));
        QTest::qWait(20);
        QVERIFY(!indicator.window());
        QCOMPARE(MenuBarIndicatorController(*fakes.inputSourceManager, file).showFlag(), true);
        platform::FakeKeyMonitor monitor;
        PauseToggle toggle(*fakes.engine, {});
        QCOMPARE(GlobalHotkeyManager({monitor, file, toggle, {}}).hotkeyEnabled(), false);
        QCOMPARE(LocalizationManager(ApplicationResources::directory(), file, {"en"}).currentLanguage(),
                 QStringLiteral("system"));

        QCOMPARE(UserDefaults::boolValue(file, "showNotification", false), false);
        for (const char* key : {"showNotification", "defaultInputSourceID", "soundEnabled", "soundVolume",
                                "indicatorEnabled", "menuBarShowFlag", "pauseHotkeyEnabled"})
            QVERIFY2(log.errors().filter(QStringLiteral("\"%1\"").arg(QLatin1String(key))).size() == 1, key);
        file.sync();
        QCOMPARE(fileContent(settings().fileName()).count('\n'), nonsense.count('\n') + 1);
    }

    // The file edited while the engine runs: the next switch follows it.
    void editsOfTheFileApplyAtTheNextUse()
    {
        settings().setValue("defaultInputSourceID", EngineOverFakes::kDE);
        settings().sync();
        EngineOverFakes fakes;
        InputSourceIndicatorController indicator(settings());
        fakes.feedback.alsoShow = [&](const QString& name, const QString& id) { indicator.show(name, id); };
        MenuBarIndicatorController menuBar(*fakes.inputSourceManager, settings());
        QSignalSpy showFlag(&menuBar, &MenuBarIndicatorController::showFlagChanged);

        QVERIFY(replaceFile("defaultInputSourceID=xkb:ru::rus\nshowNotification=true\nindicatorEnabled=true\n"
                            "indicatorPosition=bottom\nmenuBarShowFlag=false\n"));
        QTRY_COMPARE(fakes.engine->defaultInputSourceID(), EngineOverFakes::kRU);
        QCOMPARE(showFlag.count(), 1);
        QVERIFY(fakes.activate(platform::FakeWorkspace::application(1, QStringLiteral("org.example.Editor"))));
        QCOMPARE(fakes.current(), EngineOverFakes::kRU);
        QCOMPARE(fakes.feedback.requests.size(), 1);
        QTRY_VERIFY(indicator.window());
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(indicator.window()->geometry().bottom(), screen.bottom() - 80);

        // Written in place, as a shell redirection does.
        QVERIFY(writeFile(settings().fileName(), "[General]\ndefaultInputSourceID=xkb:de::deu\nshowNotification=0\n"));
        QTRY_COMPARE(fakes.engine->defaultInputSourceID(), EngineOverFakes::kDE);
        QVERIFY(fakes.activate(platform::FakeWorkspace::application(2, QStringLiteral("org.example.Mail"))));
        QCOMPARE(fakes.current(), EngineOverFakes::kDE);
        QCOMPARE(fakes.feedback.requests.size(), 1);
    }

    // The file as Qt writes and reads it, byte for byte, so that files
    // written before read the same.
    void writtenAsQtWritesIt_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("bool") << "NSQuitAlwaysKeepsWindows" << QVariant(false);
        QTest::newRow("escapes, quotes") << "a" << QVariant(QStringLiteral(" @a,\\\"\t\x01" "9\x7f\0" "a"));
        QTest::newRow("non-ASCII") << "a" << QVariant("Grüße 日本語 😀");
        QTest::newRow("list") << "AppleLanguages" << QVariant(QStringList{"de", "en, GB", "@x"});
        QTest::newRow("bytes") << "a" << QVariant(QByteArray("\xff\x00" "z", 3));
        QTest::newRow("a date, an odd key") << "Group/a b%ä€" << QVariant(QDateTime::fromSecsSinceEpoch(1, Qt::UTC));
    }

    void writtenAsQtWritesIt()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        const QTemporaryDir folder;
        QSettings qt(folder.filePath("qt.conf"), QSettings::IniFormat);
        QSettings ours(folder.filePath("ours.conf"), IniSettingsFormat::format());
        for (QSettings* settings : {&qt, &ours}) {
            settings->setValue(key, value);
            settings->sync();
        }
        QCOMPARE(fileContent(ours.fileName()), fileContent(qt.fileName()));
    }

    // A write rewrites the whole file (comments go): a value the file holds
    // already, in whatever form, is not written again, but still announced.
    void anUnchangedValueIsNotWritten()
    {
        const QByteArray text = "[General]\n# mine\nNSQuitAlwaysKeepsWindows=false\nsoundVolume=0.5\nAppleLanguages=de, en\n";
        QVERIFY(writeFile(settings().fileName(), text));
        settings().sync();
        QSignalSpy announced(&UserDefaults::notifier(), &UserDefaults::Notifier::changed);
        UserDefaults::setValue(settings(), "NSQuitAlwaysKeepsWindows", false);
        UserDefaults::setValue(settings(), "AppleLanguages", QStringList{"de", "en"});
        UserDefaults::remove(settings(), "indicatorEnabled");
        settings().sync();
        QCOMPARE(fileContent(settings().fileName()), text);
        QCOMPARE(announced.count(), 3);
    }
};

KELVARO_TEST(SettingsTest)
#include "SettingsTest.moc"
