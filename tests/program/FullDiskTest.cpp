#include "core/AppRuleJson.h"

#include "FullFilesystem.h"
#include "KelvaroProcess.h"
#include "TestEnvironment.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QTemporaryDir>
#include <QTest>

// The program started on a disk with almost no room left.
class FullDiskTest : public QObject {
    Q_OBJECT

private slots:
    // At start the rules file is rewritten (it is valid) and the settings file
    // too (a setting is stored): both writes fail, say so once, and leave the
    // files as they were.
    void theStartKeepsTheRulesAndTheSettings()
    {
        const QTemporaryDir home(QDir(TestEnvironment::current().root()).filePath(QStringLiteral("full-XXXXXX")));
        QProcess probe;
        probe.start(QStringLiteral("unshare"), onAlmostFullFilesystem(home.path()).mid(1) << QStringLiteral("true"));
        if (!probe.waitForFinished(10000) || probe.exitCode() != 0)
            QSKIP(qPrintable("no tmpfs of our own (needs root): " + probe.readAllStandardError() + probe.errorString()));
        const QByteArray rulesJson =
            AppRuleJson::encode(QList<AppRule>(50, AppRule::create("org.example.App", "App", "xkb:de::deu")));
        const QByteArray settings = "[General]\n# mine\nsoundEnabled=false\n";
        const QString rulesPath = home.filePath("data/Kelvaro/rules.json");
        const QString settingsPath = home.filePath("config/Kelvaro/Kelvaro.conf");
        QVERIFY(writeFile(rulesPath, rulesJson) && writeFile(settingsPath, settings));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", home.filePath("data"));
        environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
        KelvaroProcess kelvaro(KelvaroProcess::besideThisProgram(), environment, KelvaroProcess::Errors::Keep);
        kelvaro.setLauncher(onAlmostFullFilesystem(home.path()));
        QVERIFY(kelvaro.start());
        QTRY_VERIFY_WITH_TIMEOUT(kelvaro.errorOutput().contains("Failed to save rules: No space left on device"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(kelvaro.errorOutput().contains("Failed to save settings"), 10000);
        QTest::qWait(1000);   // a failed write is not tried again, and said again, by itself
        QCOMPARE(kelvaro.errorOutput().count("Failed to save settings"), 1);
        const QString root = QStringLiteral("/proc/%1/root").arg(kelvaro.pid());
        QCOMPARE(fileContent(root + rulesPath), rulesJson);
        QCOMPARE(fileContent(root + settingsPath), settings);
    }
};

KELVARO_TEST(FullDiskTest)
#include "FullDiskTest.moc"
