#include "localization/LocalizationManager.h"
#include "settings_ui/GeneralSettingsView.h"
#include "settings_ui/LaunchAtLoginManager.h"

#include "EngineOverFakes.h"
#include "FakeLoginItems.h"
#include "LogCapture.h"
#include "TestRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

// The general settings page over the engine on fakes and in-memory login items.
class GeneralSettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<EngineOverFakes> m_fakes;
    platform::FakeLoginItems m_login;
    std::unique_ptr<LaunchAtLoginManager> m_launch;
    std::unique_ptr<GeneralSettingsView> m_page;
    QSettings& m_settings = UserDefaults::standard();

    GeneralSettingsView& open()
    {
        m_launch = std::make_unique<LaunchAtLoginManager>(m_login);
        m_page = std::make_unique<GeneralSettingsView>(GeneralSettingsView::Services{*m_fakes->engine, *m_fakes->inputSourceManager, *m_launch, m_settings});
        m_page->show();
        return QTest::qWaitForWindowExposed(m_page.get()), *m_page;
    }
    bool shows(const QString& text) const
    {
        const auto labels = m_page->findChildren<QLabel*>();
        return std::any_of(labels.cbegin(), labels.cend(), [&](QLabel* l) { return l->text() == text && l->isVisible(); });
    }

private slots:
    void init() { m_login = {}, m_fakes = std::make_unique<EngineOverFakes>(); }
    void cleanup() { m_page.reset(), m_launch.reset(), m_fakes.reset(), LocalizationManager::shared().setLanguage("system", true), m_settings.clear(); }

    // A refused registration shows its reason in red and the toggle falls back.
    void theLaunchAtLoginToggleShowsTheError_data() { QTest::addColumn<bool>("refused"); QTest::newRow("registered") << false; QTest::newRow("refused") << true; }
    void theLaunchAtLoginToggleShowsTheError()
    {
        QFETCH(bool, refused);
        if (refused)
            m_login.refusal = platform::LoginItemError{"The autostart folder is read-only.", "EACCES"};
        QTest::keyClick(open().launchAtLoginToggle(), Qt::Key_Space);
        QCOMPARE(m_login.changes, 1);
        QCOMPARE(shows("The autostart folder is read-only."), refused);
        QCOMPARE(m_page->launchAtLoginError()->palette().color(QPalette::WindowText), QColor(0xff, 0x3b, 0x30));
        QTRY_COMPARE(m_page->launchAtLoginToggle()->isChecked(), !refused);
    }

    // The pickers write the language and the engine's default; then Cancel changes nothing, while Reset
    // removes the settings and leaves the rules, the login item, "menuBarShowName" and "NSQuitAlwaysKeepsWindows".
    void thePickersWriteAndTheResetRemovesTheSettingsOnly_data() { QTest::addColumn<bool>("reset"); QTest::newRow("cancel") << false; QTest::newRow("reset") << true; }
    void thePickersWriteAndTheResetRemovesTheSettingsOnly()
    {
        QFETCH(bool, reset);
        for (const QString& key : GeneralSettingsView::resetKeys() + QStringList{"menuBarShowName", "NSQuitAlwaysKeepsWindows"})
            m_settings.setValue(key, true);
        m_login.registered = true;
        m_fakes->engine->setRules({AppRule::create("org.example.Editor", "Editor", EngineOverFakes::kRU)});
        const int writes = m_fakes->store->writes;
        GeneralSettingsView& page = open();
        const QStringList languages{"System Default", "English", "简体中文", "日本語", "한국어", "Deutsch", "Français", "Español", "Português"};
        for (int row = 0; row < languages.size(); ++row)
            QCOMPARE(page.languagePicker()->itemText(row), languages[row]);
        page.languagePicker()->setCurrentIndex(5);
        QVERIFY(shows("Sprache") && page.languagePicker()->itemText(0) == "Systemstandard" && m_settings.value("AppleLanguages") == QStringList{"de"});
        QCOMPARE(page.defaultInputSourcePicker()->itemText(0), "Keine (nichts tun)");
        page.defaultInputSourcePicker()->setCurrentIndex(3);
        QVERIFY(m_fakes->engine->defaultInputSourceID() == EngineOverFakes::kRU && m_settings.value("defaultInputSourceID") == EngineOverFakes::kRU);
        QVERIFY(page.notificationToggle()->isChecked());
        const LogCapture log;
        QTest::mouseClick(page.resetButton(), Qt::LeftButton);
        QVERIFY(page.resetConfirmation() && QTest::qWaitForWindowExposed(page.resetConfirmation()));
        QCOMPARE(page.resetConfirmation()->text(), "Möchten Sie wirklich alle Einstellungen auf die Standardwerte zurücksetzen?");
        const auto buttons = page.resetConfirmation()->buttons();
        QVERIFY(buttons.size() == 2 && buttons.first()->text() == "Abbrechen");
        QTest::mouseClick(buttons.at(reset), Qt::LeftButton);
        QTRY_VERIFY(!page.resetConfirmation());
        for (const QString& key : GeneralSettingsView::resetKeys() + QStringList{"AppleLanguages", "defaultInputSourceID"})
            QVERIFY2(m_settings.contains(key) != reset, qPrintable(key));
        QVERIFY(m_fakes->engine->defaultInputSourceID().has_value() != reset && page.notificationToggle()->isChecked() != reset);
        QCOMPARE(page.defaultInputSourcePicker()->currentIndex(), reset ? 0 : 3);
        QCOMPARE(LocalizationManager::shared().currentLanguage(), reset ? "system" : "de");
        QVERIFY(page.languagePicker()->currentIndex() == (reset ? 0 : 5) && shows(reset ? "Language" : "Sprache"));
        QCOMPARE(log.messages().contains("All settings have been reset to defaults"), reset);
        QVERIFY(m_fakes->engine->rules().size() == 1 && m_fakes->store->writes == writes);
        QVERIFY(m_login.registered && m_launch->isEnabled() && m_login.changes == 0);
        QVERIFY(m_settings.contains("menuBarShowName") && m_settings.contains("NSQuitAlwaysKeepsWindows"));
    }

    // Pictures for the README, when asked for: KELVARO_SCREENSHOTS=<folder>; the second with the optional error line.
    void screenshots()
    {
        const QString folder = qEnvironmentVariable("KELVARO_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("KELVARO_SCREENSHOTS names no folder");
        open().resize(560, 700);
        QVERIFY(QTest::qWaitFor([&] { return m_page->size() == QSize(560, 700); }));
        QCoreApplication::processEvents();   // the layout at that size
        QVERIFY(m_page->grab().save(folder + "/general.png"));
        m_fakes->engine->setDefaultInputSourceID(EngineOverFakes::kDE);
        UserDefaults::setValue(m_settings, "showNotification", true);
        m_login.refusal = platform::LoginItemError{"Cannot write the autostart entry: the folder is read-only.", ""};
        QTest::keyClick(m_page->launchAtLoginToggle(), Qt::Key_Space);
        QTRY_VERIFY(!m_page->launchAtLoginToggle()->isChecked());
        QVERIFY(m_page->grab().save(folder + "/general-login-error.png"));
    }
};

KELVARO_TEST(GeneralSettingsTest)
#include "GeneralSettingsTest.moc"
