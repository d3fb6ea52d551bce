#include "localization/LocalizationManager.h"
#include "localization/StringsTable.h"
#include "platform/ApplicationResources.h"
#include "settings/UserDefaults.h"

#include "Command.h"
#include "LogCapture.h"
#include "TestFiles.h"
#include "TestRegistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using Table = QHash<QString, QString>;

// The interface language: translation tables, the chosen language and the
// bundle that serves it.
class LocalizationTest : public QObject {
    Q_OBJECT

    QSettings& settings() { return UserDefaults::standard(); }

    std::unique_ptr<LocalizationManager> create(const QStringList& systemLanguages = {"en-US"},
                                                const QString& resources = ApplicationResources::directory())
    {
        return std::make_unique<LocalizationManager>(resources, settings(), systemLanguages);
    }

    // The keys scripts/translation-keys finds in the program's sources.
    static QSet<QString> programKeys()
    {
        QString error;
        const auto output = runCommand(QStringLiteral("python3"), {QStringLiteral(KELVARO_SOURCE_DIR "/scripts/translation-keys"),
                                                                   QStringLiteral(KELVARO_SOURCE_DIR)},
                                       &error);
        if (!output)
            qFatal("%s", qPrintable(error));
        QSet<QString> keys;
        for (const QJsonValue& key : QJsonDocument::fromJson(*output).array())
            keys << key.toString();
        return keys;
    }

    static QString folderOf(const LocalizationManager& manager)
    {
        const LocalizedBundle& bundle = manager.localizedBundle();
        return bundle.isDevelopmentLanguage() ? QString() : QFileInfo(bundle.path()).fileName();
    }

private slots:
    void init() { settings().clear(); }

    void tablesOfEveryFormAndEncoding()
    {
        const QString text = QStringLiteral("/* c */ \"Quit\" = \"Beenden\"; // c\n\"Multi\"\t=\n \"a\nb\" ;\n"
                                            "\"e\" = \"\\\" \\\\ \\n\\t \\U00e9\\UD83D\\UDE00 \\101\\q\";\n"
                                            "key.one-2 = $value:/x;\n\"k\" = \"one\";\n\"k\" = \"two\";\n\"Same\";\n");
        const Table expected{{"Quit", "Beenden"}, {"Multi", "a\nb"}, {"e", "\" \\ \n\t é😀 Aq"},
                             {"key.one-2", "$value:/x"}, {"k", "two"}, {"Same", "Same"}};
        for (const QByteArray& data : QList<QByteArray>{text.toUtf8(), "\xEF\xBB\xBF" + text.toUtf8(),
                                       QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(text),
                                       QStringEncoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom)(text)})
            QCOMPARE(StringsTable::parse(data), expected);
    }

    void damagedTablesAreErrorsWithTheirLine_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("line");
        QTest::newRow("unterminated string") << QByteArray("\"a\" = \"b\";\n\"c\" = \"d;\n\n") << 2;
        QTest::newRow("missing semicolon after a value over lines") << QByteArray("\"a\" = \"b\n\nc\"\n\"d\";") << 3;
        QTest::newRow("unterminated comment") << QByteArray("\"a\" = \"b\";\n/* never\nclosed *") << 2;
        QTest::newRow("CR line breaks") << QByteArray("\"a\";\r\"b\";\r\n\"c\"\r@") << 4;
        QTest::newRow("invalid UTF-8") << QByteArray("\"a\" = \"b\";\r\n\"c\" = \"\xC3\x28\";") << 2;
        QTest::newRow("odd UTF-16 length") << QByteArray("\xFF\xFE\"\0;\0\n\0x", 9) << 2;
    }

    void damagedTablesAreErrorsWithTheirLine()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, line);
        StringsTable::ParseError error;
        QVERIFY(!StringsTable::parse(data, &error));
        QCOMPARE(error.line, line);
        QVERIFY(!error.message.isEmpty());
    }

    void theChoiceIsAppliedAndStored()
    {
        settings().setValue("appLanguage", "de");
        const auto manager = create();
        QCOMPARE(manager->localizedString(QStringLiteral("Pause Switching")), QStringLiteral("Umschalten pausieren"));
        QCOMPARE(settings().allKeys(), QStringList{"appLanguage"});   // applied, not written back

        QSignalSpy announced(manager.get(), &LocalizationManager::languageDidChange);
        const QUuid trigger = manager->updateTrigger();
        manager->setLanguage("fr", true);
        QCOMPARE(settings().value("appLanguage"), QVariant("fr"));
        QCOMPARE(settings().value("AppleLanguages").toStringList(), QStringList{"fr"});
        QVERIFY(manager->updateTrigger() != trigger);
        manager->setLanguage("system", true);
        QCOMPARE(settings().allKeys(), QStringList());

        // A language without a folder is still the choice; its texts are English.
        LogCapture log;
        manager->setLanguage("xx", false);
        QCOMPARE(manager->currentLanguage(), QStringLiteral("xx"));
        QCOMPARE(manager->localizedString(QStringLiteral("Quit")), QStringLiteral("Quit"));
        QCOMPARE(log.infos(), QStringList{"Language bundle not found for: xx"});
        QCOMPARE(announced.count(), 3);
    }

    void theSystemLanguageFindsItsFolder_data()
    {
        QTest::addColumn<QStringList>("systemLanguages");
        QTest::addColumn<QString>("folder");
        QTest::newRow("a region falls back to the language") << QStringList{"de-AT"} << "de.lproj";
        QTest::newRow("zh-CN is simplified") << QStringList{"zh-CN"} << "zh-Hans.lproj";
        QTest::newRow("traditional is not simplified") << QStringList{"zh-TW", "ja-JP"} << "ja.lproj";
        QTest::newRow("the first supported wins") << QStringList{"sw-KE", "fr-CA", "de"} << "fr.lproj";
        QTest::newRow("none supported, or unsafe") << QStringList{"tlh", "../resources/de", "."} << "";
    }

    void theSystemLanguageFindsItsFolder()
    {
        QFETCH(QStringList, systemLanguages);
        QFETCH(QString, folder);
        QCOMPARE(folderOf(*create(systemLanguages)), folder);
        // The previous run's choice stands for the desktop's languages.
        settings().setValue("AppleLanguages", QStringList{"pt"});
        QCOMPARE(folderOf(*create(systemLanguages)), QStringLiteral("pt.lproj"));
    }

    // Every table holds exactly the keys the program looks up, each with a
    // translation that keeps the key's placeholders.
    void shippedTablesMatchTheProgram_data()
    {
        QTest::addColumn<QString>("code");
        for (const LanguageOption& language : LocalizationManager::supportedLanguages().sliced(1))
            QTest::newRow(qPrintable(language.code)) << language.code;
    }

    void shippedTablesMatchTheProgram()
    {
        QFETCH(QString, code);
        static const QSet<QString> keys = programKeys();
        QVERIFY(keys.size() > 50);
        QFile file(ApplicationResources::directory() + u'/' + code + QStringLiteral(".lproj/Localizable.strings"));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
        StringsTable::ParseError error;
        const auto table = StringsTable::parse(file.readAll(), &error);
        QVERIFY2(table, qPrintable(error.toString()));

        const QSet<QString> tableKeys(table->keyBegin(), table->keyEnd());
        QVERIFY2((keys - tableKeys).isEmpty(), qPrintable("missing: " + QStringList((keys - tableKeys).values()).join(" | ")));
        QVERIFY2((tableKeys - keys).isEmpty(), qPrintable("not used: " + QStringList((tableKeys - keys).values()).join(" | ")));
        static const QRegularExpression placeholder(QStringLiteral("%\\d"));
        for (auto entry = table->cbegin(); entry != table->cend(); ++entry) {
            const auto placeholders = [](const QString& text) {
                QStringList found;
                for (const QRegularExpressionMatch& match : placeholder.globalMatch(text))
                    found << match.captured();
                found.sort();
                return found;
            };
            QVERIFY2(!entry.value().trimmed().isEmpty(), qPrintable("empty: " + entry.key()));
            QVERIFY2(placeholders(entry.key()) == placeholders(entry.value()),
                     qPrintable("placeholders differ: " + entry.key() + " = " + entry.value()));
        }
    }

    void aDamagedTableIsReported()
    {
        LogCapture log;
        // A damaged table: no translations, and an error naming the file and line.
        QTemporaryDir resources;
        QVERIFY(writeFile(resources.filePath("de.lproj/Localizable.strings"), "\"a\" = \"b\";\n\n\"c\" = \"d\n"));
        create({}, resources.path())->setLanguage("de", false);
        QCOMPARE(log.errors().size(), 1);
        const QString error = log.errors().first();
        QVERIFY2(error.contains("de.lproj/Localizable.strings") && error.contains("line 3"), qPrintable(error));
    }
};

KELVARO_TEST(LocalizationTest)
#include "LocalizationTest.moc"
