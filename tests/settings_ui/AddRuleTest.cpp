#include "settings_ui/AddRuleView.h"

#include "EngineOverFakes.h"
#include "LogCapture.h"
#include "TestRegistry.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

platform::RunningApplication running(qint64 pid, const QString& bundleID, const std::optional<QString>& name,
                                     platform::ActivationPolicy policy = platform::ActivationPolicy::Regular)
{
    platform::RunningApplication application = platform::FakeWorkspace::application(pid, bundleID);
    application.localizedName = name;
    application.activationPolicy = policy;
    return application;
}

} // namespace

// The add-rule sheet over the engine on fakes: the running applications it
// offers, reading an application file, and the rule it adds.
class AddRuleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineOverFakes> m_fakes;
    std::unique_ptr<AddRuleView> m_sheet;

    AddRuleView& open()
    {
        m_sheet = std::make_unique<AddRuleView>(*m_fakes->engine, *m_fakes->inputSourceManager, m_fakes->workspace);
        m_sheet->show();
        return *m_sheet;
    }

private slots:
    void init()
    {
        m_fakes = std::make_unique<EngineOverFakes>();
        m_fakes->workspace.running = {
            running(10, "org.example.Zed", "Zed"),
            running(11, "org.example.Panel", "Panel", platform::ActivationPolicy::Accessory),
            running(12, "org.example.Nameless", std::nullopt),
            running(13, "org.example.alpha", "alpha"),
            running(14, "org.example.Alpha", "Alpha"),
        };
        m_fakes->workspace.installed = {
            {"org.example.Editor", "/apps/org.example.Editor.desktop", "Editor", {}},
            {"org.example.Bare", "/apps/org.example.Bare.desktop", std::nullopt, {}},
            {"org.example.Shout", "/apps/org.example.Shout.DESKTOP", "Shout", {}},
        };
    }
    void cleanup() { m_sheet.reset(); m_fakes.reset(); }

    // Also over an earlier rule for the application: replaced in its place.
    void addsARuleForARunningApplication()
    {
        const AppRule first = AppRule::create("org.example.Other", "Other", EngineOverFakes::kUS);
        const AppRule old = AppRule::create("org.example.Alpha", "Old", EngineOverFakes::kUS);
        m_fakes->engine->setRules({first, old});
        AddRuleView& sheet = open();
        QStringList entries;
        for (int i = 0; i < sheet.runningAppPicker()->count(); ++i)
            entries << sheet.runningAppPicker()->itemText(i);
        // Regular applications only, by name as plain strings, a nameless one as "Unknown".
        QCOMPARE(entries, QStringList({"Select Running App", "Unknown", "Alpha", "Zed", "alpha"}));
        QVERIFY(!sheet.addButton()->isEnabled());
        sheet.inputSourcePicker()->setCurrentIndex(2);
        QVERIFY(!sheet.addButton()->isEnabled());
        sheet.runningAppPicker()->setCurrentIndex(2);
        QVERIFY(sheet.addButton()->isEnabled());
        sheet.inputSourcePicker()->setCurrentIndex(0);
        QVERIFY(!sheet.addButton()->isEnabled());
        sheet.inputSourcePicker()->setCurrentIndex(2);
        QTest::keyClick(&sheet, Qt::Key_Return);
        const QList<AppRule> rules = m_fakes->engine->rules();
        QCOMPARE(rules.size(), 2);
        QCOMPARE(rules[0], first);
        QCOMPARE(rules[1], (AppRule{rules[1].id, "org.example.Alpha", "Alpha", EngineOverFakes::kDE, true}));
        QVERIFY(rules[1].id != old.id);
        QVERIFY(!sheet.isVisible());
    }

    void readsAnApplicationFile_data()
    {
        QTest::addColumn<std::optional<QString>>("error");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("selected");   // the "Selected:" row, empty when hidden
        QTest::addColumn<std::optional<QString>>("message");
        const std::optional<QString> none;
        QTest::newRow("entry") << none << QStringList{"/apps/org.example.Editor.desktop"}
                               << "Selected: Editor" << none;
        QTest::newRow("entry without a name") << none << QStringList{"/apps/org.example.Bare.desktop"}
                                              << "Selected: org.example.Bare" << none;
        QTest::newRow("other extension") << none << QStringList{"/apps/notes.txt"} << QString()
                                         << std::optional<QString>("Please select a valid .desktop file");
        QTest::newRow("extension in capitals") << none << QStringList{"/apps/org.example.Shout.DESKTOP"} << QString()
                                               << std::optional<QString>("Please select a valid .desktop file");
        QTest::newRow("broken entry") << none << QStringList{"/apps/broken.desktop"} << QString()
                                      << std::optional<QString>(
                                             "Unable to read application bundle. Please select a valid application.");
        QTest::newRow("dialog error") << std::optional<QString>("No such folder") << QStringList{} << QString()
                                      << std::optional<QString>("Import failed: No such folder");
    }

    void readsAnApplicationFile()
    {
        QFETCH(std::optional<QString>, error);
        QFETCH(QStringList, files);
        QFETCH(QString, selected);
        QFETCH(std::optional<QString>, message);
        AddRuleView& sheet = open();
        sheet.runningAppPicker()->setCurrentIndex(3);
        const LogCapture log;
        sheet.importApplicationFile(error, files);
        QCOMPARE(sheet.errorMessage(), message);
        QCOMPARE(log.messages().contains("File import error: " + error.value_or(QString())), error.has_value());
        QCOMPARE(sheet.selectedRow()->isVisible(), !selected.isEmpty());
        if (!selected.isEmpty()) {
            QCOMPARE(sheet.selectedRow()->findChild<QLabel*>()->text(), selected);
            // The file's application replaces the running one, and the other way round.
            QCOMPARE(sheet.runningAppPicker()->currentIndex(), 0);
            sheet.inputSourcePicker()->setCurrentIndex(1);
            QVERIFY(sheet.addButton()->isEnabled());
            sheet.runningAppPicker()->setCurrentIndex(3);
            QVERIFY(!sheet.selectedRow()->isVisible());
        } else {
            QCOMPARE(sheet.runningAppPicker()->currentIndex(), 3);
        }
    }
};

KELVARO_TEST(AddRuleTest)
#include "AddRuleTest.moc"
