#pragma once

#include <QStringList>
#include <QWidget>

class InputSourceManager;
class LaunchAtLoginManager;
class QCheckBox;
class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QSettings;
class RuleEngine;

// The general settings page: interface language, launch at login, the
// default input source, notifications, the update check and the reset of
// every setting. Each control shows its service or settings key and
// re-renders when that changes.
class GeneralSettingsView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        RuleEngine& ruleEngine;
        InputSourceManager& inputSourceManager;
        LaunchAtLoginManager& launchManager;
        QSettings& settings;
    };

    explicit GeneralSettingsView(const Services& services, QWidget* parent = nullptr);

    QComboBox* languagePicker() const { return m_language; }
    QComboBox* defaultInputSourcePicker() const { return m_defaultSource; }
    QCheckBox* launchAtLoginToggle() const { return m_launch; }
    QLabel* launchAtLoginError() const { return m_launchError; }
    QCheckBox* notificationToggle() const { return m_notification; }
    QPushButton* resetButton() const { return m_reset; }
    // The open reset confirmation, if any.
    QMessageBox* resetConfirmation() const { return m_confirmation; }

    // The settings keys the reset removes; the rules, launch at login,
    // "menuBarShowName" and "NSQuitAlwaysKeepsWindows" are not among them.
    static const QStringList& resetKeys();
    void resetAllSettings();

private:
    void retranslate();
    void renderLanguage();
    void renderLaunchAtLogin();
    void renderDefaultInputSource();
    void renderNotification();
    void chooseLanguage(int row);
    void chooseDefaultInputSource(int row);
    void confirmReset();

    Services m_services;
    QComboBox* m_language;
    QCheckBox* m_launch;
    QLabel* m_launchError;
    QComboBox* m_defaultSource;
    QCheckBox* m_notification;
    QPushButton* m_checkForUpdates;
    QPushButton* m_reset;
    QMessageBox* m_confirmation = nullptr;
    QList<QLabel*> m_sectionTitles;
    QList<QLabel*> m_descriptions;
    QList<QLabel*> m_rowLabels;
};
