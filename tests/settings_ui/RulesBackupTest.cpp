#include "core/RulesDocument.h"
#include "core/RulesExportManager.h"
#include "settings_ui/RulesBackupController.h"

#include "EngineOverFakes.h"
#include "LogCapture.h"
#include "TestRegistry.h"

#include <QRegularExpression>
#include <QTest>

static AppRule rule(const QString& id, const QString& target, bool on = true) { return {QUuid::createUuid(), id, "N\"<b>\" /日", target, on}; }

// Export and import of the rules through the page's controller, over the engine on fakes.
class RulesBackupTest : public QObject {
    Q_OBJECT

    // The second Editor rule is never the one an import replaces.
    const AppRule kEditor = rule("org.example.Editor", EngineOverFakes::kDE), kShell = rule("org.example.Shell", "x", false),
                  kEditorToo = rule("org.example.Editor", EngineOverFakes::kRU);
    std::unique_ptr<EngineOverFakes> m_fakes;
    std::unique_ptr<QWidget> m_page;
    RulesBackupController* m_controller = nullptr;
    QString backupPath() const { return m_fakes->folder.filePath(QStringLiteral("backup.json")); }

private slots:
    void init()
    {
        m_fakes = std::make_unique<EngineOverFakes>();
        m_fakes->engine->setRules({kEditor, kShell, kEditorToo});
        m_page = std::make_unique<QWidget>();
        m_controller = new RulesBackupController(*m_fakes->engine, RulesExportManager::shared(), m_page.get());
    }

    void exportThenImport()
    {
        LogCapture log;
        QVERIFY(RulesExportManager::shared().exportRules({kEditor, kShell}, backupPath()));
        QCOMPARE(log.infos(), QStringList{"Exported rules to file://" + backupPath()});
        static const QRegularExpression sorted(R"(\{\n +"appBundleID": .+,\n +"appName": .+,\n +"id": "[0-9A-F-]{36}",\n +)"
                                               R"("isEnabled": (true|false),\n +"targetInputSourceID": .+\n +\})");
        QCOMPARE(QString::fromUtf8(fileContent(backupPath())).count(sorted), 2);
        m_fakes->engine->setRules({kEditor, kShell});
        m_controller->importFiles(std::nullopt, {backupPath()});
        QCOMPARE(m_fakes->engine->rules(), (QList<AppRule>{kEditor, kShell}));
        QCOMPARE(m_page->findChild<QWidget*>("importResultAlert")->windowTitle() + " / " + m_controller->importResult(),
                 "Import Result / Successfully imported 2 rules");
        m_controller->importFiles(QStringLiteral("The volume went away."), {});   // the open dialog's own failure
        QCOMPARE(m_controller->importResult(), "Import failed: The volume went away.");
        QCOMPARE(log.errors(), QStringList());
    }

    // Success rows give the whole alert text, failures a part of the reason.
    void import_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<AppRule>>("rules");
        QTest::addColumn<QString>("result");
        const QList<AppRule> before{kEditor, kShell, kEditorToo};
        const AppRule added = rule("org.example.New", "a"), addedAgain = rule("org.example.New", "b", false),
                      editorOff = rule("org.example.Editor", "c", false);
        QByteArray pair = RulesDocument{{added, addedAgain}}.encode();
        QTest::newRow("empty") << QByteArray("[]") << before << "Successfully imported 0 rules";
        QTest::newRow("two for one app") << pair << before + QList{addedAgain} << "Successfully imported 2 rules";
        QTest::newRow("disabled replaces, extra member")
            << RulesDocument{{editorOff}}.encode().replace("\"id\"", "\"more\": {\"x\": [1]}, \"id\"")
            << QList{editorOff, kShell, kEditorToo} << "Successfully imported 1 rules";
        QTest::newRow("no isEnabled") << pair.replace("\"isEnabled\": false,", "") << before << "rule 1 has no \"isEnabled\"";
        QTest::newRow("not JSON") << QByteArray("Kelvaro rules") << before << "syntax error";
        QTest::newRow("an object") << QByteArray("{}") << before << "the top level is not an array";
        QTest::newRow("invalid UTF-8") << QByteArray("[\"\xff\"]") << before << "ill-formed UTF-8";
        QTest::newRow("100,000 deep") << QByteArray(100000, '[') + QByteArray(100000, ']') << before << "deeper than 256 levels";
        QTest::newRow("50 MB") << "[" + QByteArray(50'000'000, ' ') + "]" << before << "larger than 32 MiB";
    }

    void import()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, result);
        QVERIFY(writeFile(backupPath(), content));
        LogCapture log;
        m_controller->importFiles(std::nullopt, {backupPath()});
        QTEST(m_fakes->engine->rules(), "rules");
        const bool imported = result.startsWith("Successfully");
        const QString shown = m_controller->importResult();
        QVERIFY2(imported ? shown == result : shown.startsWith("Import failed: ") && shown.contains(result), qPrintable(shown));
        QCOMPARE(log.errors().filter("Failed to import rules: ").size(), imported ? 0 : 1);
        // After the write of init(), one write of the rules file whatever the number of rules; none
        // for no rules or a failure, which leaves the file as it was.
        QCOMPARE(m_fakes->store->writes, imported && content != "[]" ? 2 : 1);
    }
};

KELVARO_TEST(RulesBackupTest)
#include "RulesBackupTest.moc"
