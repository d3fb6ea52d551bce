#include "settings/UserDefaults.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QSettings>
#include <QTest>

class UserDefaultsTest : public QObject {
    Q_OBJECT

private slots:
    void storeIsTheKelvaroFileInTheConfigHome()
    {
        QCOMPARE(UserDefaults::standard().fileName(),
                 TestEnvironment::current().configHome() + QStringLiteral("/Kelvaro/Kelvaro.conf"));
    }

    void typedReadsSurviveTheFileAndRejectJunk()
    {
        QSettings& settings = UserDefaults::standard();
        settings.setValue("flag", true);
        settings.setValue("off", false);
        settings.setValue("duration", 0.25);
        settings.setValue("count", 3);
        settings.setValue("name", QStringLiteral("top"));
        settings.sync();

        // Read back from the file, where every value is text.
        const QSettings reread(settings.fileName(), QSettings::IniFormat);
        for (const QSettings* store : {static_cast<const QSettings*>(&settings), &reread}) {
            QCOMPARE(UserDefaults::boolValue(*store, "flag"), true);
            QCOMPARE(UserDefaults::boolValue(*store, "off"), false);
            QCOMPARE(UserDefaults::doubleValue(*store, "duration"), 0.25);
            QCOMPARE(UserDefaults::doubleValue(*store, "count"), 3.0);
            QCOMPARE(UserDefaults::boolValue(*store, "count"), true);
            QCOMPARE(UserDefaults::stringValue(*store, "name"), QStringLiteral("top"));
            QCOMPARE(UserDefaults::boolValue(*store, "absent", true), true);
            QCOMPARE(UserDefaults::doubleValue(*store, "absent"), std::nullopt);
            QCOMPARE(UserDefaults::stringValue(*store, "absent"), std::nullopt);
        }

        LogCapture log;
        settings.setValue("flag", QStringLiteral("maybe"));
        settings.setValue("duration", QStringLiteral("fast"));
        settings.setValue("infinite", QStringLiteral("inf"));
        settings.setValue("list", QStringList{"a", "b"});
        QCOMPARE(UserDefaults::boolValue(settings, "flag"), std::nullopt);
        QCOMPARE(UserDefaults::boolValue(settings, "flag", true), true);
        QCOMPARE(UserDefaults::doubleValue(settings, "duration"), std::nullopt);
        QCOMPARE(UserDefaults::doubleValue(settings, "infinite"), std::nullopt);
        QCOMPARE(UserDefaults::stringValue(settings, "list"), std::nullopt);
        QCOMPARE(UserDefaults::boolValue(settings, "list"), std::nullopt);
        // Each ignored value is reported once, however often it is read.
        QCOMPARE(log.errors(),
                 (QStringList{"Ignored the setting \"flag\": \"maybe\" is not true or false; its default applies",
                              "Ignored the setting \"duration\": \"fast\" is not a number; its default applies",
                              "Ignored the setting \"infinite\": \"inf\" is not a number; its default applies",
                              "Ignored the setting \"list\": \"a,b\" is not a text; its default applies"}));
    }
};

KELVARO_TEST_MAIN(UserDefaultsTest, QCoreApplication)
#include "tst_userdefaults.moc"
