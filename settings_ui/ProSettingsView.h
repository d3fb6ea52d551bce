#pragma once

#include <QWidget>

#include <functional>

class GlobalHotkeyManager;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QSettings;
class RememberedInputSources;
class QSlider;
class RuleEngine;
class RulesBackupController;
class RulesExportManager;
class SoundEffectManager;

// The "Extras" page: the floating indicator, the switch sound, the pause
// hotkey, the flag in the tray, remembering the input source of each
// application, and backup and restore of the rules. Each
// control writes its settings key as soon as it is changed and the page
// re-renders from the store whenever a key changes, by anyone; the feedback
// services read the keys themselves, so the page never tells them.
class ProSettingsView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        QSettings& settings;
        RuleEngine& ruleEngine;
        RulesExportManager& exportManager;
        SoundEffectManager& soundEffects;
        RememberedInputSources& remembered;
        // Created the first time the hotkey switch is used.
        std::function<GlobalHotkeyManager&()> hotkeyManager;
    };

    explicit ProSettingsView(Services services, QWidget* parent = nullptr);

    RulesBackupController* backup() const { return m_backup; }

    // The texts beside the sliders: "1.5s", "50%".
    static QString durationText(double seconds);
    static QString volumeText(double volume);

private:
    QCheckBox* addSwitch(QWidget* box, const QString& key, const QString& symbol);
    void setHotkeyEnabled(bool enabled);
    void confirmForget();
    void render();
    void retranslate();

    Services m_services;
    RulesBackupController* m_backup;
    QList<QLabel*> m_texts;   // each with its English text as the "text" property
    QList<QAbstractButton*> m_buttons;
    QCheckBox* m_indicatorEnabled;
    QWidget* m_indicatorRows;
    QComboBox* m_position;
    QLabel* m_duration;
    QSlider* m_durationSlider;
    QCheckBox* m_soundEnabled;
    QWidget* m_soundRows;
    QLabel* m_volume;
    QSlider* m_volumeSlider;
    QCheckBox* m_hotkeyEnabled;
    QWidget* m_hotkeyRow;
    QCheckBox* m_showFlag;
    QCheckBox* m_remember;
    QPushButton* m_forget;
    QMessageBox* m_forgetConfirmation = nullptr;
};
