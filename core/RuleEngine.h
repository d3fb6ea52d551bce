#pragma once

#include "core/AppRule.h"
#include "core/RuleIndex.h"
#include "core/RulesStore.h"
#include "core/SwitchDecision.h"
#include "logging/RepeatedErrorLog.h"
#include "platform/RunningApplication.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class InputSourceManager;
class QSettings;
class RememberedInputSources;
class SwitchFeedback;
class WindowWatcher;

namespace platform {
class UserNotifications;
}

// Decides and performs each switch: for every application that comes to the
// front, the first enabled rule for its bundle identifier, else (while
// "rememberPerApplication" is on) the input source last used in it, else the
// default input source, is selected and announced. Keeps the rules in the rules file
// and the default input source under "defaultInputSourceID". When another
// program changes the rules file, the list is read again. Main thread only.
class RuleEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<AppRule> rules READ rules WRITE setRules NOTIFY rulesChanged)
    Q_PROPERTY(std::optional<QString> defaultInputSourceID READ defaultInputSourceID WRITE setDefaultInputSourceID
                   NOTIFY defaultInputSourceIDChanged)
    Q_PROPERTY(bool isPaused READ isPaused WRITE setPaused NOTIFY isPausedChanged)
public:
    struct Dependencies {
        InputSourceManager& inputSourceManager;
        WindowWatcher& watcher;
        SwitchFeedback& feedback;
        platform::UserNotifications& notifications;
        QSettings& settings;
        std::shared_ptr<RulesStore> store;
        // The input sources last used in applications without a rule, used
        // while "rememberPerApplication" is on; none: nothing is remembered.
        RememberedInputSources* remembered = nullptr;
    };

    // The program's engine, assembled by the application (app/SharedServices.cpp).
    static RuleEngine& shared();

    // Loads the rules and subscribes to the watcher; the application in front
    // is handled before the constructor returns.
    explicit RuleEngine(const Dependencies& dependencies, QObject* parent = nullptr);

    QList<AppRule> rules() const { return m_rules; }
    void setRules(const QList<AppRule>& rules);   // saves the rules file

    std::optional<QString> defaultInputSourceID() const { return m_defaultInputSourceID; }
    void setDefaultInputSourceID(const std::optional<QString>& identifier);   // writes the setting

    bool isPaused() const { return m_isPaused; }
    void setPaused(bool paused);

    // Replaces the first rule for the same application in place, or appends.
    void addRule(const AppRule& rule);
    // addRule for each rule in turn, with one save at the end (none for no rules).
    void addRules(const QList<AppRule>& rules);
    // Removes every rule with the rule's id; saves even when none was removed.
    void deleteRule(const AppRule& rule);
    // Puts an edited rule in place of the rule with its id; adds it as
    // addRule does when no rule has that id any more. Saves the rules file.
    void updateRule(const AppRule& rule);

signals:
    // Each is sent on every assignment, also when the value is unchanged.
    void rulesChanged(const QList<AppRule>& rules);
    void defaultInputSourceIDChanged(const std::optional<QString>& identifier);
    void isPausedChanged(bool paused);
    // An application came to the front and its input source was selected.
    void switched(const QString& bundleID, const QString& inputSourceID, SwitchDecision::Reason reason);

private:
    void applyRules(const QList<AppRule>& rules);
    void loadRules();
    void reloadRules();
    void saveRules();
    void setupBindings();
    bool isRepeat(const platform::RunningApplication& application) const;
    bool isRemembering() const;
    // The source in use as the application in front is left, for that application.
    void rememberLeftApplication();
    std::optional<QString> recall(const QString& bundleID);
    void handleAppSwitch(const platform::RunningApplication& application);
    // The indicator, the sound and the notification of a done switch.
    void announceSwitch(const QString& inputSourceID);
    void postSwitchNotification(const QString& name);

    InputSourceManager& m_inputSourceManager;
    WindowWatcher& m_watcher;
    SwitchFeedback& m_feedback;
    platform::UserNotifications& m_notifications;
    RepeatedErrorLog m_notificationErrors;
    QSettings& m_settings;
    std::shared_ptr<RulesStore> m_store;
    RememberedInputSources* m_remembered;

    QList<AppRule> m_rules;
    RuleIndex m_ruleIndex;
    std::optional<QString> m_defaultInputSourceID;
    bool m_isPaused = false;
    std::optional<platform::RunningApplication> m_lastApplication;
};

Q_DECLARE_METATYPE(std::optional<QString>)
