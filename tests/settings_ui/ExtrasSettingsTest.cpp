#include "feedback/GlobalHotkeyManager.h"
#include "feedback/PauseToggle.h"
#include "feedback/SoundEffectManager.h"
#include "core/RulesExportManager.h"
#include "settings_ui/ProSettingsView.h"

#include "EngineOverFakes.h"
#include "FakeKeyMonitor.h"
#include "FakeSoundPlayer.h"
#include "TestRegistry.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>

// The extras page over the engine, switch sound and hotkey on fakes, its settings in the test's store.
class ExtrasSettingsTest : public QObject {
    Q_OBJECT

    QSettings& m_settings = UserDefaults::standard();
    std::unique_ptr<EngineOverFakes> m_fakes;
    platform::FakeSoundPlayer m_player;
    platform::FakeKeyMonitor m_monitor;
    std::unique_ptr<SoundEffectManager> m_sound;
    std::unique_ptr<PauseToggle> m_pause;
    std::unique_ptr<GlobalHotkeyManager> m_hotkey;
    std::unique_ptr<ProSettingsView> m_page;
    QStringList m_keysBefore;   // in the store before the page was made

    ProSettingsView::Services services()
    {
        return {m_settings, *m_fakes->engine, RulesExportManager::shared(), *m_sound, *m_fakes->remembered, [this]() -> GlobalHotkeyManager& { return *m_hotkey; }};
    }
    template<typename T = QWidget> T* child(const QString& name) { return m_page->findChild<T*>(name); }

private slots:
    void init()
    {
        m_settings.clear();
        m_fakes = std::make_unique<EngineOverFakes>();
        m_player.themeSounds = {QStringLiteral("Pop")};
        m_sound = std::make_unique<SoundEffectManager>(m_player, m_settings, m_fakes->folder.path());
        m_pause = std::make_unique<PauseToggle>(*m_fakes->engine, [](const QString&, const QString&) {});
        m_hotkey = std::make_unique<GlobalHotkeyManager>(GlobalHotkeyManager::Dependencies{m_monitor, m_settings, *m_pause, [] { return false; }});
        m_keysBefore = m_settings.allKeys();
        m_page = std::make_unique<ProSettingsView>(services());
        m_page->show();
    }
    void cleanup() { m_page.reset(); m_hotkey.reset(); m_pause.reset(); m_sound.reset(); m_fakes.reset(); }

    // Sound and flag show on while absent, as the sound manager and the tray act.
    void switchesStoreAndShowTheirRows_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("initially");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("indicator") << "indicatorEnabled" << false << QStringList{"indicatorPosition", "indicatorDuration", "indicatorDurationText"};
        QTest::newRow("sound") << "soundEnabled" << true << QStringList{"soundVolume", "soundVolumeText", "testSound"};
        QTest::newRow("hotkey") << "pauseHotkeyEnabled" << false << QStringList{"pauseKeys"};
        QTest::newRow("flag") << "menuBarShowFlag" << true << QStringList{};
        QTest::newRow("memory") << "rememberPerApplication" << false << QStringList{};
    }

    void switchesStoreAndShowTheirRows()
    {
        QFETCH(QString, key);
        QFETCH(bool, initially);
        QFETCH(QStringList, rows);
        QCOMPARE(m_sound->isEnabled(), true);
        QCOMPARE(m_settings.allKeys(), m_keysBefore);   // showing the page wrote nothing
        auto* toggle = child<QCheckBox>(key);
        for (bool on : {initially, !initially, initially}) {
            QCOMPARE(toggle->isChecked(), on);
            for (const QString& row : rows)
                QVERIFY2(child(row)->isVisible() == on, qPrintable(row));
            QCOMPARE(m_settings.contains(key) ? m_settings.value(key).toBool() : initially, on);
            toggle->click();
        }
    }

    void slidersOfferTheirStepsAndShowThem_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("duration") << "indicatorDuration" << QStringList{"0.5 0.5s", "1 1.0s", "1.5 1.5s", "2 2.0s", "2.5 2.5s", "3 3.0s"};
        QStringList volumes;
        for (int tenths = 1; tenths <= 10; ++tenths)
            volumes << QString::number(tenths / 10.0) + ' ' + QString::number(tenths * 10) + '%';
        QTest::newRow("volume") << "soundVolume" << volumes;
    }

    void slidersOfferTheirStepsAndShowThem()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, shown);
        auto* slider = child<QSlider>(key);
        QStringList offered;
        slider->triggerAction(QAbstractSlider::SliderToMaximum);
        slider->triggerAction(QAbstractSlider::SliderToMinimum);
        do
            offered << m_settings.value(key).toString() + ' ' + child<QLabel>(key + "Text")->text();
        while (slider->value() < slider->maximum() && (slider->triggerAction(QAbstractSlider::SliderSingleStepAdd), true));
        QCOMPARE(offered, shown);
    }

    void theHotkeySwitchStartsAndStopsTheMonitor()
    {
        auto* toggle = child<QCheckBox>("pauseHotkeyEnabled");
        toggle->click();
        QVERIFY(m_monitor.isMonitoring() && child("pauseKeys")->isVisible());
        toggle->click();
        QVERIFY(!m_monitor.isMonitoring() && !m_hotkey->isMonitoring());
    }

    void testSoundPlaysOnceAtTheChosenVolume()
    {
        child<QSlider>("soundVolume")->setValue(3);
        child<QAbstractButton>("testSound")->click();
        QTRY_COMPARE(m_player.lastSound->playbacks().size(), 1);
        QCOMPARE(m_player.lastSound->playbacks().first().volume, 0.3f);
    }

    // Pictures for the README, when asked for: KELVARO_SCREENSHOTS=<folder>.
    void screenshots()
    {
        const QString folder = qEnvironmentVariable("KELVARO_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("KELVARO_SCREENSHOTS names no folder");
        m_page->resize(560, 560);
        QVERIFY(m_page->grab().save(folder + "/extras.png"));
        for (const char* key : {"indicatorEnabled", "pauseHotkeyEnabled"})
            UserDefaults::setValue(m_settings, key, true);
        m_page->resize(560, 660);
        QVERIFY(m_page->grab().save(folder + "/extras-all-rows.png"));
    }

    // Forgetting asks first; the button is off while nothing is remembered.
    void forgettingRememberedSourcesAsksFirst()
    {
        auto* forget = child<QPushButton>("forgetRemembered");
        QVERIFY(!forget->isEnabled());
        m_fakes->remembered->remember("org.example.Editor", EngineOverFakes::kDE);
        QVERIFY(forget->isEnabled());
        for (const auto role : {QMessageBox::RejectRole, QMessageBox::DestructiveRole}) {
            forget->click();
            QMessageBox* confirmation = m_page->findChild<QMessageBox*>();
            QVERIFY(confirmation);
            for (QAbstractButton* choice : confirmation->buttons()) {
                if (confirmation->buttonRole(choice) == role)
                    choice->click();
            }
            QTRY_VERIFY(!m_page->findChild<QMessageBox*>());
            QCOMPARE(m_fakes->remembered->count(), role == QMessageBox::RejectRole ? 1 : 0);
        }
        QVERIFY(!forget->isEnabled());
    }
};

KELVARO_TEST(ExtrasSettingsTest)
#include "ExtrasSettingsTest.moc"
