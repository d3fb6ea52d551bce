#include "localization/LocalizationManager.h"
#include "platform/ApplicationResources.h"
#include "settings/UserDefaults.h"

#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

namespace {

const QString systemDefault = QStringLiteral("System Default");
const QString notFound = QStringLiteral("Language bundle not found for: ");
const QStringList englishSystem{QStringLiteral("en-US"), QStringLiteral("en")};

// The folder name of a bundle, or "" for the development language.
QString folderName(const LocalizedBundle& bundle)
{
    return bundle.isDevelopmentLanguage() ? QString() : QFileInfo(bundle.path()).fileName();
}

} // namespace

class LocalizationManagerTest : public QObject {
    Q_OBJECT

private:
    QSettings& settings() { return UserDefaults::standard(); }

    std::unique_ptr<LocalizationManager> create(const QStringList& systemLanguages = englishSystem,
                                                const QString& resources = ApplicationResources::directory())
    {
        return std::make_unique<LocalizationManager>(resources, settings(), systemLanguages);
    }

    // A resources folder with the given "<code>.lproj" folders; a null table
    // means a folder without "Localizable.strings".
    std::unique_ptr<QTemporaryDir> makeResources(const std::map<QString, QByteArray>& tables)
    {
        auto folder = std::make_unique<QTemporaryDir>();
        for (const auto& [code, table] : tables) {
            const QString lproj = folder->filePath(code + QStringLiteral(".lproj"));
            QDir().mkpath(lproj);
            if (table.isNull())
                continue;
            QFile file(QDir(lproj).filePath(QStringLiteral("Localizable.strings")));
            if (!file.open(QIODevice::WriteOnly) || file.write(table) != table.size())
                qFatal("cannot write %s", qPrintable(file.fileName()));
        }
        return folder;
    }

    QString storedFileText()
    {
        settings().sync();
        QFile file(settings().fileName());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void init()
    {
        settings().clear();
        settings().sync();
    }

    void appliesStoredLanguageAtStartWithoutRewritingKeys()
    {
        settings().setValue("appLanguage", "de");
        LogCapture log;
        const auto manager = create();
        QCOMPARE(manager->currentLanguage(), QStringLiteral("de"));
        QCOMPARE(manager->localizedString(systemDefault), QStringLiteral("Systemstandard"));
        QCOMPARE(manager->localizedString(QStringLiteral("Pause Switching")), QStringLiteral("Umschalten pausieren"));
        QCOMPARE(settings().allKeys(), QStringList{QStringLiteral("appLanguage")});
        QCOMPARE(settings().value("appLanguage").toString(), QStringLiteral("de"));
        QCOMPARE(log.messages(), QStringList());

        settings().setValue("appLanguage", QStringList{QStringLiteral("de"), QStringLiteral("fr")});
        QCOMPARE(create()->currentLanguage(), QStringLiteral("system")); // not a string
        settings().remove("appLanguage");
        QCOMPARE(create()->localizedString(systemDefault), systemDefault);
    }

    void storedLanguageWithoutFolderLogsOnceAndShowsEnglish()
    {
        const auto resources = makeResources({{QStringLiteral("de"), QByteArray("\"System Default\" = \"X\";")}});
        settings().setValue("appLanguage", "fr");
        LogCapture log;
        const auto manager = create(englishSystem, resources->path());
        QCOMPARE(log.messages(), QStringList{notFound + QStringLiteral("fr")});
        QCOMPARE(manager->currentLanguage(), QStringLiteral("fr"));
        QVERIFY(manager->localizedBundle().isDevelopmentLanguage());
        QCOMPARE(manager->localizedString(systemDefault), systemDefault);
        QCOMPARE(settings().allKeys(), QStringList{QStringLiteral("appLanguage")});
    }

    void everyChangeReplacesTriggerAndAnnounces()
    {
        const auto manager = create();
        QSignalSpy languages(manager.get(), &LocalizationManager::currentLanguageChanged);
        QSignalSpy bundles(manager.get(), &LocalizationManager::localizedBundleChanged);
        QSignalSpy triggers(manager.get(), &LocalizationManager::updateTriggerChanged);
        QSignalSpy announcements(manager.get(), &LocalizationManager::languageDidChange);
        QList<QUuid> seen{manager->updateTrigger()};
        const QList<std::pair<QString, bool>> changes{
            {"de", true}, {"de", true}, {"de", false}, {"xx", false}, {"../de", true}, {"system", false},
            {"system", true}, {"system", true}};
        for (const auto& [code, persist] : changes) {
            LogCapture log;
            manager->setLanguage(code, persist);
            const int count = int(seen.size());
            QCOMPARE(languages.size(), count);
            QCOMPARE(languages.last().first().toString(), code);
            QCOMPARE(bundles.size(), count);
            QCOMPARE(announcements.size(), count);
            QCOMPARE(triggers.size(), count);
            QCOMPARE(triggers.last().first().value<QUuid>(), manager->updateTrigger());
            QVERIFY2(!seen.contains(manager->updateTrigger()), qPrintable(code));
            seen << manager->updateTrigger();
            QCOMPARE(manager->currentLanguage(), code);
            const bool found = code == u"de" || code == u"system";
            QCOMPARE(log.infos(), found ? QStringList() : QStringList{notFound + code});
        }
    }

    void persistedChoiceWritesBothKeysAndSystemRemovesThem()
    {
        const auto manager = create();
        manager->setLanguage("de", true);
        QCOMPARE(settings().value("appLanguage").toString(), QStringLiteral("de"));
        QCOMPARE(settings().value("AppleLanguages").toStringList(), QStringList{QStringLiteral("de")});
        const QString written = storedFileText();
        QVERIFY2(written.contains(QStringLiteral("appLanguage=de")), qPrintable(written));
        QVERIFY2(written.contains(QStringLiteral("AppleLanguages=de")), qPrintable(written));

        manager->setLanguage("system", false);
        QCOMPARE(settings().value("appLanguage").toString(), QStringLiteral("de"));

        manager->setLanguage("ko", false);
        QCOMPARE(settings().value("AppleLanguages").toStringList(), QStringList{QStringLiteral("de")});

        manager->setLanguage("system", true);
        QVERIFY(!settings().contains("appLanguage"));
        QVERIFY(!settings().contains("AppleLanguages"));
        QVERIFY(!storedFileText().contains(QStringLiteral("Languages")));

        // A code without a folder is still the choice and still stored.
        LogCapture log;
        manager->setLanguage("xx", true);
        QCOMPARE(settings().value("appLanguage").toString(), QStringLiteral("xx"));
        QCOMPARE(settings().value("AppleLanguages").toStringList(), QStringList{QStringLiteral("xx")});
        QCOMPARE(log.infos(), QStringList{notFound + QStringLiteral("xx")});
    }

    void switchesTextsAtOnce()
    {
        const auto manager = create();
        const LanguageOption& systemRow = LocalizationManager::supportedLanguages().first();
        manager->setLanguage("de", true);
        QCOMPARE(manager->displayName(systemRow), QStringLiteral("Systemstandard"));
        QCOMPARE(manager->displayName(LocalizationManager::supportedLanguages().last()), QStringLiteral("Português"));
        QCOMPARE(manager->localizedString(QStringLiteral("Not translated")), QStringLiteral("Not translated"));
        manager->setLanguage("system", true);
        QCOMPARE(manager->displayName(systemRow), systemDefault);

        LocalizationManager::shared().setLanguage("de", false);
        QCOMPARE(localized(systemDefault), QStringLiteral("Systemstandard"));
        LocalizationManager::shared().setLanguage("en", false);
        QCOMPARE(localized(systemDefault), systemDefault);
    }

    // Each language of the table has a folder, and the shipped tables parse and
    // translate the texts the interface shows so far.
    void shippedTablesTranslateStarterTexts()
    {
        LogCapture log;
        const QDir resources(ApplicationResources::directory());
        QCOMPARE(LocalizationManager::supportedLanguages().first().code, QStringLiteral("system"));
        QCOMPARE(LocalizationManager::supportedLanguages().size(), 9);
        const QStringList texts{systemDefault, "Input Source Changed", "Switching Paused", "Switching Resumed",
                                "Settings...", "Pause Switching", "Resume Switching", "Quit Kelvaro"};
        for (const LanguageOption& row : LocalizationManager::supportedLanguages().sliced(1)) {
            const auto bundle = LocalizedBundle::open(resources.filePath(row.code + QStringLiteral(".lproj")));
            QVERIFY2(bundle, qPrintable(row.code));
            if (row.code == u"en")
                continue;
            for (const QString& text : texts) {
                const QString translation = bundle->localizedString(text);
                QVERIFY2(translation != text && !translation.isEmpty(), qPrintable(row.code + u' ' + text));
            }
        }
        QCOMPARE(log.errors(), QStringList());
    }

    void damagedOrEmptyFoldersAreBundlesWithoutTranslations()
    {
        const auto resources = makeResources({{QStringLiteral("de"), QByteArray("\"a\" = \"b\";\n\n\"c\" = \"d\n")},
                                              {QStringLiteral("fr"), QByteArray()}});
        const auto manager = create(englishSystem, resources->path());
        LogCapture log;
        manager->setLanguage("de", false);
        QCOMPARE(folderName(manager->localizedBundle()), QStringLiteral("de.lproj"));
        QCOMPARE(manager->localizedString(QStringLiteral("a")), QStringLiteral("a"));
        QCOMPARE(manager->localizedBundle().translationCount(), 0);
        QCOMPARE(log.infos(), QStringList());
        QCOMPARE(log.errors().size(), 1);
        const QString error = log.errors().first();
        QVERIFY2(error.contains(resources->filePath("de.lproj/Localizable.strings")) && error.contains("line 3"),
                 qPrintable(error));

        log.clear();
        manager->setLanguage("fr", false);
        QCOMPARE(folderName(manager->localizedBundle()), QStringLiteral("fr.lproj"));
        QCOMPARE(log.messages(), QStringList());
    }

    void mainBundleFollowsSystemLanguages_data()
    {
        QTest::addColumn<QStringList>("systemLanguages");
        QTest::addColumn<QString>("folder");
        QTest::newRow("region falls back to language") << QStringList{"de-AT"} << "de.lproj";
        QTest::newRow("Brazilian Portuguese") << QStringList{"pt-BR"} << "pt.lproj";
        QTest::newRow("zh-CN is simplified") << QStringList{"zh-CN"} << "zh-Hans.lproj";
        QTest::newRow("zh-Hans with region") << QStringList{"zh-Hans-HK"} << "zh-Hans.lproj";
        QTest::newRow("traditional is not simplified") << QStringList{"zh-TW", "ja-JP"} << "ja.lproj";
        QTest::newRow("first supported wins") << QStringList{"sw-KE", "fr-CA", "de"} << "fr.lproj";
        QTest::newRow("unsupported, then English") << QStringList{"sw-KE", "tlh", "C", "en_GB"} << "en.lproj";
        QTest::newRow("unsupported or unsafe") << QStringList{"tlh", "../resources/de", "."} << "";
    }

    void mainBundleFollowsSystemLanguages()
    {
        QFETCH(QStringList, systemLanguages);
        QFETCH(QString, folder);
        const auto manager = create(systemLanguages);
        QCOMPARE(folderName(manager->localizedBundle()), folder);
        // Back to "system" after another choice gives the same bundle again.
        manager->setLanguage("ko", false);
        manager->setLanguage("system", false);
        QCOMPARE(folderName(manager->localizedBundle()), folder);
    }

    void mainBundleFollowsPreviousRunsChoice()
    {
        settings().setValue("AppleLanguages", QStringList{QStringLiteral("fr")});
        const auto manager = create({QStringLiteral("de-DE")});
        QCOMPARE(manager->currentLanguage(), QStringLiteral("system"));
        QCOMPARE(folderName(manager->localizedBundle()), QStringLiteral("fr.lproj"));
        QCOMPARE(settings().value("AppleLanguages").toStringList(), QStringList{QStringLiteral("fr")});

        // Removing the key now does not change the languages this run started with.
        manager->setLanguage("system", true);
        QVERIFY(!settings().contains("AppleLanguages"));
        QCOMPARE(folderName(manager->localizedBundle()), QStringLiteral("fr.lproj"));
        QCOMPARE(folderName(create({QStringLiteral("de-DE")})->localizedBundle()), QStringLiteral("de.lproj"));
    }

    // Runs last: the Qt translation stays installed for the rest of the process.
    void installsQtTranslationsOfStoredLanguage()
    {
        const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
        LocalizationManager::installQtTranslations(settings());
        QCOMPARE(cancel(), QStringLiteral("Cancel"));

        settings().setValue("appLanguage", "de");
        LocalizationManager::installQtTranslations(settings());
        QCOMPARE(cancel(), QStringLiteral("Cancel")); // only "AppleLanguages" counts

        settings().setValue("AppleLanguages", QStringList{QStringLiteral("de")});
        LocalizationManager::installQtTranslations(settings());
        QCOMPARE(cancel(), QStringLiteral("Abbrechen"));

        settings().setValue("AppleLanguages", QStringList{QStringLiteral("zh-Hans")});
        LocalizationManager::installQtTranslations(settings());
        QCOMPARE(cancel(), QStringLiteral("取消")); // from qtbase_zh_CN
    }
};

KELVARO_TEST_MAIN(LocalizationManagerTest, QCoreApplication)

#include "tst_localizationmanager.moc"
